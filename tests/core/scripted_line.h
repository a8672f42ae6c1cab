// A serial line with a unit behind it, and the clock of the loop that reads
// it: time moves only while the loop waits for bytes, so a blocking loop
// runs at once and every time it sees is exact. Each line written gets the
// pieces the unit's script gives, each due some milliseconds after the
// write; a read returns one piece, or waits its whole time-out.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/link/serial_line.h"
#include "core/link/transfer_loop.h"

namespace zanteq::testing {

struct Piece {
  long long after;  // ms after the write
  std::string bytes;
};

class ScriptedLine : public SerialLine, public LoopClock {
 public:
  static constexpr std::int64_t wall_start = 1'700'000'000'000;

  std::function<std::vector<Piece>(const std::string& written)> unit = [](const std::string&) {
    return std::vector<Piece>{};
  };
  std::vector<std::string> written;
  std::vector<long long> written_at;
  bool babbling = false;      // a unit that sends without pause, a full read each millisecond
  int failing_write = -1;     // this write (0..) fails
  long long now = 0;

  void queue(long long at, std::string bytes) { pieces_.emplace(at, std::move(bytes)); }

  bool write_all(std::string_view bytes) override {
    if (static_cast<int>(written.size()) == failing_write) return false;
    written.emplace_back(bytes);
    written_at.push_back(now);
    for (const Piece& p : unit(written.back())) queue(now + p.after, p.bytes);
    return true;
  }

  long read_some(char* buffer, std::size_t size, int timeout_ms) override {
    if (babbling) {
      now += 1;
      std::fill(buffer, buffer + size, 'x');
      return static_cast<long>(size);
    }
    if (pieces_.empty() || pieces_.begin()->first > now + timeout_ms) {
      now += timeout_ms;
      return 0;
    }
    now = std::max(now, pieces_.begin()->first);
    std::string piece = pieces_.begin()->second;
    pieces_.erase(pieces_.begin());
    if (piece.size() > size) {
      pieces_.emplace(now, piece.substr(size));
      piece.resize(size);
    }
    piece.copy(buffer, piece.size());
    return static_cast<long>(piece.size());
  }

  std::string error() const override { return "the device was removed"; }

  TransferTime steady() override { return TransferTime(now); }
  std::int64_t wall_ms() override { return wall_start + now; }

 private:
  std::multimap<long long, std::string> pieces_;
};

}  // namespace zanteq::testing
