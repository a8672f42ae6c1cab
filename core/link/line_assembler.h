// Reply line assembly on the receiving thread: bytes come in reads of any
// size; every complete line (ending in LF) is handed over on its own, in
// order, and an unfinished tail waits for the next read. A line that grows to
// the full buffer without an LF is dropped, never written past the buffer.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "link/framing.h"

namespace zanteq {

class LineAssembler {
 public:
  using LineHandler = std::function<void(std::string_view line)>;  // line includes "\r\n"

  // Feeds the bytes of one read; calls `on_line` once per completed line.
  void feed(const char* data, std::size_t size, const LineHandler& on_line);

  // Bytes of the unfinished line collected so far.
  std::size_t pending() const { return length_; }

 private:
  char line_[line_buffer_size] = {};
  std::size_t length_ = 0;
  bool dropping_ = false;  // inside an over-long line: skip until its LF
};

}  // namespace zanteq
