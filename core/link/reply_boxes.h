// The boxes of the link on their way to the interface thread.
//
// The reply dispatch raises the unit's error replies on the receiving
// thread, and the reply watch raises "No Connect" and "Success" on the
// interface thread. A box shown where it is raised would hold that thread:
// on the receiving thread nothing is read while it is open, the replies
// wait in the driver and the watch raises a false "No Connect" on top.
// Every such box is therefore queued here, and the interface thread shows
// them one at a time, in the order they were raised, while the receiving
// thread goes on reading and dispatching.
//
// Threads: the show_* calls may come from any thread; show_waiting runs on
// the interface thread only.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "core/link/reporter.h"

namespace zanteq {

class ReplyBoxes final : public Reporter {
 public:
  // `wake` runs on the raising thread when a box is queued while none was
  // waiting; it must make the interface thread call show_waiting (the
  // Windows program posts a message to its main window). A wake-up that
  // comes while an earlier call of show_waiting is showing a box finds the
  // new box picked up by that call.
  explicit ReplyBoxes(std::function<void()> wake) : wake_(std::move(wake)) {}

  // Queue the box; the flags the caller set before are already visible.
  void show_success_box(const char* text) override { queue(Kind::success, text); }
  void show_error_box(const char* text) override { queue(Kind::error, text); }
  void show_warning_box(const char* text) override { queue(Kind::warning, text); }

  // Interface thread: shows the waiting boxes through `shown_by`, oldest
  // first, each after the one before has been closed, until none is left.
  // A call made while a box of an earlier call is open (its message loop
  // runs the wake-up) returns at once, so boxes never pile up on each other.
  void show_waiting(Reporter& shown_by);

 private:
  enum class Kind { success, error, warning };
  struct Box {
    Kind kind;
    std::string text;
  };

  void queue(Kind kind, const char* text);
  bool take(Box& box);

  const std::function<void()> wake_;
  std::mutex mutex_;
  std::deque<Box> boxes_;
  bool showing_ = false;  // interface thread only
};

}  // namespace zanteq
