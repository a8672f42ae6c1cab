// A dialog's run at the pace of the replies on the program's own record
// and link: read all, set all, and the set-all buttons of the title and
// video adjustment dialogs when the transfer_pace setting asks for it.
//
// The TransferRunner drives the engine; RepliesSequence moves the dialog's
// bar, percentage and Close as a timed run does; the boxes go where the
// program's boxes have always gone: a refusal (hold time, title) is shown
// by the dialog at once and holds the run until it is closed, the unit's
// error replies, "No Connect" and "Success" wait for the main window, which
// shows them over the window the user works in (read all and set all have
// closed themselves by the time their "Success" shows).
//
// The dialog keeps one of these beside its TimedSequence (which still runs
// the timer pace and a broadcast, and serves the panel repaint) and hands it
// message_transfer_lines and WM_TIMER of TIMER_TRANSFER.
//
// Interface thread only.
#pragma once

#include <windows.h>

#include "core/bulk/replies_sequence.h"
#include "core/bulk/timed_sequence.h"
#include "win32/link/transfer_runner.h"

namespace zanteq::win32 {

class DialogRepliesRun final : public TransferClient {
 public:
  DialogRepliesRun(HWND dialog, SequenceView& view, const SequencePlan& plan);

  // Start: `plan` to the unit the link names now; false (nothing happens)
  // while any sequence runs.
  bool start(TransferPlan plan);
  void on_lines() { runner_.on_lines(); }
  void on_timer() { runner_.on_timer(); }
  // The dialog is going away: the run ends at once and shows nothing more.
  void cancel();
  bool running() const { return sequence_.running(); }

 private:
  void transfer_step(int step) override;
  void transfer_box(const TransferBox& box, bool refusal) override;
  void transfer_done(const TransferOutcome& outcome) override;

  RepliesSequence sequence_;
  TransferRunner runner_;
};

}  // namespace zanteq::win32
