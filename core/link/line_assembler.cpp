// Reply line assembly: splits the bytes of successive reads into lines.
#include "core/link/line_assembler.h"

namespace zanteq {

namespace {

void tell(const LineAssembler::DropHandler& on_dropped, DroppedBytes::Why why, std::string_view bytes,
          std::size_t count) {
  if (on_dropped && count > 0) on_dropped(DroppedBytes{why, bytes, count});
}

}  // namespace

void LineAssembler::feed(const char* data, std::size_t size, const LineHandler& on_line,
                         const DropHandler& on_dropped) {
  // Bytes without a line end before a command (line noise, a reply cut
  // off, a unit switched on mid-line) belong to no reply. Glued to the next
  // reply they would turn the unit's "GO" into one garbage line, which still
  // ends the reply wait, so the user would see neither "Success" nor an
  // error. The command's reply starts afresh instead.
  if (fresh_line_.exchange(false)) {
    tell(on_dropped, DroppedBytes::Why::over_long, {}, dropped_count_);
    tell(on_dropped, DroppedBytes::Why::before_command, std::string_view(line_, length_), length_);
    length_ = 0;
    dropping_ = false;
    dropped_count_ = 0;
  }
  for (std::size_t i = 0; i < size; ++i) {
    const char byte = data[i];
    if (dropping_) {
      ++dropped_count_;
      if (byte == '\n' || dropped_count_ == noise_report_bytes) {
        tell(on_dropped, DroppedBytes::Why::over_long, {}, dropped_count_);
        dropped_count_ = 0;
      }
      if (byte == '\n') dropping_ = false;
      continue;
    }
    if (length_ == max_reply_length) {
      // The line cannot end within the buffer any more: drop it.
      dropped_count_ = length_ + 1;
      length_ = 0;
      dropping_ = byte != '\n';
      if (!dropping_) {
        tell(on_dropped, DroppedBytes::Why::over_long, {}, dropped_count_);
        dropped_count_ = 0;
      }
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
