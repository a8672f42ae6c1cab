// The rows of the 通信ログ window: the newest rows, up to a limit, oldest
// first. The window shows them through a list view whose item count follows
// size(), so dropping the oldest row costs nothing there. Interface thread.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "core/log/log_format.h"

namespace zanteq {

class LogRows {
 public:
  static constexpr std::size_t default_limit = 10000;

  explicit LogRows(std::size_t limit = default_limit) : limit_(limit > 0 ? limit : 1) {}

  // Adds rows after the newest; returns how many of the oldest rows were
  // dropped to keep the limit (the window's top rows that went away).
  std::size_t append(std::vector<LogRow> rows);

  std::size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }
  const LogRow& operator[](std::size_t index) const { return rows_[index]; }
  void clear() { rows_.clear(); }

  // Every row as 保存… writes it: byte-order mark, then one file_line each.
  std::string save_text() const;

 private:
  std::size_t limit_;
  std::deque<LogRow> rows_;
};

}  // namespace zanteq
