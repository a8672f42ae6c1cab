// The view and the run shared by the read-all and set-all dialogs.
#include "win32/bulk/bulk_dialog.h"

#include <commctrl.h>

#include "core/bulk/replies_sequence.h"
#include "win32/app/app.h"
#include "win32/dialogs/dialog_common.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

namespace {

BulkRun* run_of(HWND dialog) {
  return reinterpret_cast<BulkRun*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void init_bulk_dialog(HWND dialog, const BulkSetup& setup) {
  init_slave_address_combo(dialog, setup.address_combo);
  auto run = std::make_unique<BulkRun>(dialog, setup.timer_id, *setup.plan);
  run->sequence.reset(new TimedSequence(setup.make_sequence(run->view)));
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(run.release()));
  apply_caption_rule(dialog, setup.caption_label);
  SendDlgItemMessageW(dialog, IDC_BULK_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, setup.step_count));
  SendDlgItemMessageW(dialog, IDC_BULK_PROGRESS, PBM_SETSTEP, 1, 0);
}

void start_bulk_run(HWND dialog, const BulkSetup& setup) {
  BulkRun* run = run_of(dialog);
  if (!run || run->sequence->running() || run->replies.running()) return;
  if (runs_at_reply_pace(app_state()))
    run->replies.start(setup.make_plan());
  else
    run->sequence->start();
}

void on_timer(HWND dialog, UINT_PTR timer_id) {
  BulkRun* run = run_of(dialog);
  if (!run) return;
  if (timer_id == TIMER_TRANSFER)
    run->replies.on_timer();
  else
    run->sequence->tick();
}

void on_transfer_lines(HWND dialog) {
  if (BulkRun* run = run_of(dialog)) run->replies.on_lines();
}

void close_bulk_dialog(HWND dialog) {
  // Given up before the dialog goes: ticks that still reach the window
  // between EndDialog and its destruction must not send anything.
  if (BulkRun* run = run_of(dialog)) {
    if (run->sequence->running()) {
      run->sequence->cancel();
      run->view.stop_timer();
    }
    run->replies.cancel();
  }
  EndDialog(dialog, IDCANCEL);
}

void release_bulk_run(HWND dialog) {
  BulkRun* run = run_of(dialog);
  SetWindowLongPtrW(dialog, DWLP_USER, 0);
  if (!run) return;
  run->sequence->cancel();
  run->replies.cancel();
  delete run;
}

BOOL on_command(HWND dialog, int id, int code, const BulkSetup& setup) {
  if (id == setup.start_button) {
    start_bulk_run(dialog, setup);
    return TRUE;
  }
  switch (id) {
    case IDCANCEL:
      close_bulk_dialog(dialog);
      return TRUE;
    case IDC_SLAVE_ADDRESS:
      on_slave_address_command(dialog, code);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR bulk_dialog_message(HWND dialog, UINT message, WPARAM wparam, const BulkSetup& setup) {
  switch (message) {
    case WM_INITDIALOG:
      init_bulk_dialog(dialog, setup);
      return TRUE;
    case WM_COMMAND:
      return on_command(dialog, LOWORD(wparam), HIWORD(wparam), setup);
    case WM_TIMER:
      on_timer(dialog, wparam);
      return TRUE;
    case message_transfer_lines:
      on_transfer_lines(dialog);
      return TRUE;
    case WM_DESTROY:
      release_bulk_run(dialog);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace zanteq::win32
