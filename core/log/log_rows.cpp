// The window's bounded rows.
#include "core/log/log_rows.h"

#include <utility>

namespace zanteq {

std::size_t LogRows::append(std::vector<LogRow> rows) {
  std::size_t dropped = 0;
  for (LogRow& row : rows) {
    if (rows_.size() == limit_) {
      rows_.pop_front();
      ++dropped;
    }
    rows_.push_back(std::move(row));
  }
  return dropped;
}

std::string LogRows::save_text() const {
  std::string text(byte_order_mark);
  for (const LogRow& row : rows_) text += file_line(row);
  return text;
}

}  // namespace zanteq
