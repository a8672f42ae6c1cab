// What the read-all and set-all dialogs share: the view their runs drive
// (timer, Close button, progress bar, percentage, ending the dialog) and
// the life of those runs, bound to the dialog window from WM_INITDIALOG to
// WM_DESTROY. A run goes at the pace of the replies (DialogRepliesRun), or
// one command per period (TimedSequence) when the transfer_pace setting
// asks for it and for a broadcast.
//
// Everything here runs on the interface thread. The receiving thread only
// touches the shared link flags the timed sequence reads, and posts the
// lines of a run at the reply pace.
#pragma once

#include <windows.h>

#include <memory>

#include "core/bulk/timed_sequence.h"
#include "core/dialogs/slave_address.h"
#include "core/link/transfer.h"
#include "win32/bulk/replies_run.h"
#include "win32/dialogs/dialog_views.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

class BulkDialogView final : public DialogSequenceView {
 public:
  BulkDialogView(HWND dialog, UINT_PTR timer_id)
      : DialogSequenceView(dialog, timer_id, IDC_BULK_PROGRESS, IDC_BULK_PERCENT) {}

  void end_dialog() override { EndDialog(dialog_, IDCANCEL); }
};

// One open bulk dialog. The runs go first when it is destroyed, so they
// never outlive the view they refer to.
struct BulkRun {
  BulkRun(HWND dialog, UINT_PTR timer_id, const SequencePlan& plan)
      : view(dialog, timer_id), replies(dialog, view, plan) {}
  BulkDialogView view;
  std::unique_ptr<TimedSequence> sequence;
  DialogRepliesRun replies;
};

// What tells the two dialogs apart.
struct BulkSetup {
  SlaveAddressUse address_combo;
  UINT_PTR timer_id;
  int step_count;
  const char* caption_label;  // UTF-8, for the caption rule
  int start_button;
  // The dialog's sequence at the timer pace, driving `view`.
  TimedSequence (*make_sequence)(SequenceView& view);
  // At the reply pace: what the dialog shows of a run, and its plan, built
  // at each Start from the record as it is then.
  const SequencePlan* plan;
  TransferPlan (*make_plan)();
};

// The message switch of both dialogs:
//  - WM_INITDIALOG: fills the slave-address combo, keeps a new run with the
//    window, sets the progress bar to 0..step_count by one and applies the
//    caption rule;
//  - the start button: starts the run at the pace the setting and the
//    address ask for; nothing happens while any sequence runs;
//  - the slave-address combo: the choice becomes slave_address;
//  - id 2 from any source (Close, Escape, the title-bar close): Close is
//    disabled during a run, but the title-bar close and Escape still arrive
//    as id 2; the dialog then ends all the same and the run is given up, so
//    `sequence_step` returns to 0 and nothing stays blocked;
//  - WM_TIMER of TIMER_TRANSFER and message_transfer_lines: the run at the
//    reply pace; WM_TIMER of any other id: one tick of the timed run;
//  - WM_DESTROY: a run still going is given up and the runs freed.
// Enter (id 1) and everything else are left to the default handling.
INT_PTR bulk_dialog_message(HWND dialog, UINT message, WPARAM wparam, const BulkSetup& setup);

}  // namespace zanteq::win32
