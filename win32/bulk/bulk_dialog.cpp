// The view and the run shared by the read-all and set-all dialogs.
#include "win32/bulk/bulk_dialog.h"

#include <commctrl.h>

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
  auto run = std::make_unique<BulkRun>(dialog, setup.timer_id);
  run->sequence.reset(new TimedSequence(setup.make_sequence(run->view)));
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(run.release()));
  apply_caption_rule(dialog, setup.caption_label);
  SendDlgItemMessageW(dialog, IDC_BULK_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, setup.step_count));
  SendDlgItemMessageW(dialog, IDC_BULK_PROGRESS, PBM_SETSTEP, 1, 0);
}

void start_bulk_run(HWND dialog) {
  if (BulkRun* run = run_of(dialog)) run->sequence->start();
}

void tick_bulk_run(HWND dialog) {
  if (BulkRun* run = run_of(dialog)) run->sequence->tick();
}

void close_bulk_dialog(HWND dialog) {
  // Given up before the dialog goes: ticks that still reach the window
  // between EndDialog and its destruction must not send anything.
  if (BulkRun* run = run_of(dialog)) {
    if (run->sequence->running()) {
      run->sequence->cancel();
      run->view.stop_timer();
    }
  }
  EndDialog(dialog, IDCANCEL);
}

void release_bulk_run(HWND dialog) {
  BulkRun* run = run_of(dialog);
  SetWindowLongPtrW(dialog, DWLP_USER, 0);
  if (!run) return;
  run->sequence->cancel();
  delete run;
}

BOOL on_command(HWND dialog, int id, int code, int start_button) {
  if (id == start_button) {
    start_bulk_run(dialog);
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
      return on_command(dialog, LOWORD(wparam), HIWORD(wparam), setup.start_button);
    case WM_TIMER:
      tick_bulk_run(dialog);
      return TRUE;
    case WM_DESTROY:
      release_bulk_run(dialog);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace zanteq::win32
