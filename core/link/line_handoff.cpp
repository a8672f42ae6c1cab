// The hand-off of a transfer's lines between the receiving thread and the
// thread that drives the transfer.
#include "core/link/line_handoff.h"

#include <utility>

namespace zanteq {

bool LineHandOff::open(Wake wake) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (open_) return false;
  open_ = true;
  interrupted_ = false;
  wake_ = std::move(wake);
  lines_.clear();
  return true;
}

std::size_t LineHandOff::close() {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::size_t dropped = lines_.size();
  open_ = false;
  interrupted_ = false;
  wake_ = nullptr;
  lines_.clear();
  return dropped;
}

bool LineHandOff::is_open() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_;
}

bool LineHandOff::offer(std::string_view line) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_) return false;
  const bool first = lines_.empty() && !interrupted_;
  lines_.emplace_back(line);
  if (first && wake_) wake_();
  return true;
}

LineHandOff::Taken LineHandOff::take() {
  std::lock_guard<std::mutex> lock(mutex_);
  Taken taken;
  taken.lines.assign(std::make_move_iterator(lines_.begin()), std::make_move_iterator(lines_.end()));
  lines_.clear();
  taken.interrupted = interrupted_;
  interrupted_ = false;
  return taken;
}

void LineHandOff::interrupt() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_) return;
  const bool first = lines_.empty() && !interrupted_;
  interrupted_ = true;
  if (first && wake_) wake_();
}

}  // namespace zanteq
