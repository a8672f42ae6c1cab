// The queue of the link's boxes between the raising threads and the
// interface thread.
#include "core/link/reply_boxes.h"

namespace zanteq {

void ReplyBoxes::queue(Kind kind, const char* text) {
  bool first = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    first = boxes_.empty();
    boxes_.push_back({kind, text ? text : ""});
  }
  // Outside the lock: the wake-up may run show_waiting on this thread.
  if (first && wake_) wake_();
}

bool ReplyBoxes::take(Box& box) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (boxes_.empty()) return false;
  box = std::move(boxes_.front());
  boxes_.pop_front();
  return true;
}

void ReplyBoxes::show_waiting(Reporter& shown_by) {
  if (showing_) return;
  showing_ = true;
  Box box;
  while (take(box)) {
    switch (box.kind) {
      case Kind::success:
        shown_by.show_success_box(box.text.c_str());
        break;
      case Kind::error:
        shown_by.show_error_box(box.text.c_str());
        break;
      case Kind::warning:
        shown_by.show_warning_box(box.text.c_str());
        break;
    }
  }
  showing_ = false;
}

}  // namespace zanteq
