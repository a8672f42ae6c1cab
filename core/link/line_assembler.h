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
// new line; the receiving thread's reads end after 20 ms of quiet, so that
// takes noise within 20 ms of the command.
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

class LineAssembler {
 public:
  // The line includes its "\r\n". The view is valid during the call only,
  // and the handler must not feed this assembler.
  using LineHandler = std::function<void(std::string_view line)>;

  // Feeds the bytes of one read; calls `on_line` once per completed line.
  void feed(const char* data, std::size_t size, const LineHandler& on_line);

  // A command is about to go out: its reply starts a line of its own. Call
  // before the command is written, so its reply cannot be read first.
  void command_sent() { fresh_line_ = true; }

  // Bytes of the unfinished line collected so far.
  std::size_t pending() const { return length_; }

 private:
  char line_[line_buffer_size] = {};
  std::size_t length_ = 0;
  bool dropping_ = false;  // inside an over-long line: skip until its LF
  std::atomic<bool> fresh_line_{false};
};

}  // namespace zanteq
