// Reply line assembly: splits the bytes of successive reads into lines.
#include "core/link/line_assembler.h"

namespace zanteq {

void LineAssembler::feed(const char* data, std::size_t size, const LineHandler& on_line) {
  // Bytes without a line end before a command (line noise, a reply cut
  // off, a unit switched on mid-line) belong to no reply. Glued to the next
  // reply they would turn the unit's "GO" into one garbage line, which still
  // ends the reply wait, so the user would see neither "Success" nor an
  // error. The command's reply starts afresh instead.
  if (fresh_line_.exchange(false)) {
    length_ = 0;
    dropping_ = false;
  }
  for (std::size_t i = 0; i < size; ++i) {
    const char byte = data[i];
    if (dropping_) {
      if (byte == '\n') dropping_ = false;
      continue;
    }
    if (length_ == max_reply_length) {
      // The line cannot end within the buffer any more: drop it.
      length_ = 0;
      dropping_ = byte != '\n';
      continue;
    }
    line_[length_++] = byte;
    if (byte == '\n') {
      const std::size_t length = length_;
      length_ = 0;
      on_line(std::string_view(line_, length));
    }
  }
}

}  // namespace zanteq
