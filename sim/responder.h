// The unit on its line: which received lines it takes (RS-232C: all of
// them; RS-485: those with its own two-digit address, and broadcasts "FF",
// which it applies without answering), what it answers with the fault rules
// applied, and how that answer is timed on the way out.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "sim/faults.h"
#include "sim/unit_state.h"

namespace zanteq::sim {

struct LinkConfig {
  bool rs485 = false;
  int address = 0;  // 0..31, RS-485 only
};

struct Answer {
  bool taken = false;   // the line was for this unit (own address, broadcast, RS-232C)
  bool applied = false; // the unit processed it itself (not silent, not replaced)
  std::string bytes;    // to send, address included; empty: nothing
  Delivery delivery;
};

class Responder {
 public:
  Responder(UnitState& state, FaultPlan& faults, LinkConfig link)
      : state_(state), faults_(faults), link_(link) {}

  // `line` as received, ending in "\n" (or an unfinished tail at the end).
  Answer on_line(std::string_view line, std::int64_t now_ms);

  const LinkConfig& link() const { return link_; }

 private:
  UnitState& state_;
  FaultPlan& faults_;
  LinkConfig link_;
  std::string held_;  // an answer kept back by `join`
};

// The unit's transmitter: answers leave in the order they were made, each
// possibly in several pieces, not before their delay, and at 9600 baud 8E1
// (11 bit times a byte) when paced. Times are monotonic nanoseconds.
class OutputQueue {
 public:
  static constexpr std::int64_t byte_ns = 11LL * 1000000000LL / 9600;  // 1.1458 ms

  void push(const std::string& bytes, const Delivery& delivery, std::int64_t now_ns);

  bool empty() const { return pieces_.empty(); }
  // When the next write may happen, or nothing when the queue is empty.
  std::optional<std::int64_t> next_due(bool paced) const;

  struct Chunk {
    std::string bytes;        // to write now; empty when nothing is due
    bool new_piece = false;   // the piece has not been announced yet
    std::string piece;        // the whole piece, when new_piece
  };
  // The bytes due at `now_ns`: a whole piece (what remains of it), or one
  // byte when paced.
  Chunk take(std::int64_t now_ns, bool paced) const;
  // The front piece has been logged: later chunks of it are not new.
  void announced();
  // `n` bytes of the front piece were written at `now_ns`.
  void written(std::size_t n, std::int64_t now_ns, bool paced);

 private:
  struct Piece {
    std::string bytes;
    std::size_t sent = 0;
    bool announced = false;
    std::int64_t not_before = 0;  // absolute
    std::int64_t gap = 0;         // after the previous piece has left
  };
  std::deque<Piece> pieces_;
  std::int64_t line_free_at_ = INT64_MIN / 2;  // when the last byte written has left the wire
};

}  // namespace zanteq::sim
