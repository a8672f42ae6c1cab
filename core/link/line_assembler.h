// Reply line assembly on the receiving thread: bytes come in reads of any
// size; every complete line (ending in LF) is handed over on its own, in
// order, and an unfinished tail waits for the next read.
//
// A line must fit the 600-byte line buffer together with its terminator, so
// it holds at most max_reply_length bytes, LF included. A longer line is
// dropped whole, up to and including its LF: its tail would otherwise be
// taken for a reply of its own (a garbled line ending in "GO\r\n" must not
// count as "GO").
//
// A command going out starts a fresh reply line (command_sent): whatever
// came before it without a line end is dropped before the next bytes. The
// drop happens at the next feed, so bytes that a read had already taken in
// before the command went out, but that are fed after it, still start the
// new line; the receiving thread hands bytes on as they arrive, so that
// happens only to bytes read in the moment the command went out.
//
// What it throws away it tells a drop handler, for the communication log:
// an unfinished line dropped before a command, with its bytes, and an
// over-long line as a count of bytes. An over-long line is told at its LF
// or at the command that ends it, and every noise_report_bytes while it
// goes on, so an endless stream shows up while it lasts; the counts depend
// only on the bytes, not on how the reads cut them.
//
// Owned by the receiving thread; only command_sent may be called from
// another thread (the one that sends).
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string_view>

#include "core/link/framing.h"

namespace zanteq {

constexpr std::size_t max_reply_length = line_buffer_size - 1;

// About five seconds of a 9600-baud line.
constexpr std::size_t noise_report_bytes = 4800;

struct DroppedBytes {
  enum class Why {
    before_command,  // an unfinished line, when a command went out
    over_long,       // a line that cannot fit the line buffer
  };
  Why why = Why::before_command;
  std::string_view bytes;  // before_command: the bytes dropped; over_long: empty
  std::size_t count = 0;   // bytes dropped
};

class LineAssembler {
 public:
  // The line includes its "\r\n". The view is valid during the call only,
  // and the handler must not feed this assembler.
  using LineHandler = std::function<void(std::string_view line)>;

  // Valid during the call only; the handler must not feed this assembler.
  using DropHandler = std::function<void(const DroppedBytes& dropped)>;

  // Feeds the bytes of one read; calls `on_line` once per completed line,
  // and `on_dropped` (when given) for what is thrown away.
  void feed(const char* data, std::size_t size, const LineHandler& on_line,
            const DropHandler& on_dropped = nullptr);

  // A command is about to go out: its reply starts a line of its own. Call
  // before the command is written, so its reply cannot be read first.
  void command_sent() { fresh_line_ = true; }

  // Bytes of the unfinished line collected so far.
  std::size_t pending() const { return length_; }

 private:
  char line_[line_buffer_size] = {};
  std::size_t length_ = 0;
  bool dropping_ = false;  // inside an over-long line: skip until its LF
  std::size_t dropped_count_ = 0;  // bytes of the over-long line not told yet
  std::atomic<bool> fresh_line_{false};
};

}  // namespace zanteq
