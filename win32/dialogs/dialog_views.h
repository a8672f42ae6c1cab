// The parts of a dialog that a timed sequence drives: the dialog's timer,
// its Close button, its progress bar and, where it has one, its percentage
// edit. The read-all, set-all, title and video adjustment dialogs differ
// only in the ids. Interface thread only.
#pragma once

#include <windows.h>

#include "core/bulk/timed_sequence.h"

namespace zanteq::win32 {

class DialogSequenceView : public SequenceView {
 public:
  static constexpr int no_percentage = 0;

  DialogSequenceView(HWND dialog, UINT_PTR timer_id, int progress_id, int percentage_id)
      : dialog_(dialog), timer_id_(timer_id), progress_id_(progress_id), percentage_id_(percentage_id) {}

  void start_timer(int period_ms) override;
  void stop_timer() override;
  void enable_close(bool enabled) override;
  void step_progress() override;
  void reset_progress() override;
  void set_percentage_text(const char* text) override;

 protected:
  HWND dialog_;

 private:
  UINT_PTR timer_id_;
  int progress_id_;
  int percentage_id_;
};

}  // namespace zanteq::win32
