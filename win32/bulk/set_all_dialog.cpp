// The set-all dialog (template 143): sends the whole record to one unit, or
// with "Bloadcast" to every unit on the bus, one command every 500 ms
// through the same operations as the feature dialogs' 設定 buttons, with a
// progress bar and a percentage. The dialog closes itself on the tick of the
// last command; the unit's "GO" for it comes after the run is over and
// raises the one "Success" of the transfer (none for a broadcast).
//
// A refusal box shown by a step (hold time, title) holds the run until it is
// closed. Enter (id 1) does nothing.
#include <memory>

#include "app/app.h"
#include "bulk/bulk.h"
#include "bulk/bulk_dialog.h"
#include "bulk/set_all.h"
#include "dialogs/dialog_common.h"
#include "resource.h"

namespace zanteq::win32 {

namespace {

BOOL on_init(HWND dialog) {
  init_slave_address_combo(dialog);
  auto run = std::make_unique<BulkRun>(dialog, TIMER_SET_ALL);
  run->sequence = std::make_unique<SetAllSequence>(operations(), run->view);
  attach_bulk_run(dialog, std::move(run), set_all_step_count, "全項目の設定");
  return TRUE;
}

BOOL on_command(HWND dialog, int id, int code) {
  switch (id) {
    case IDCANCEL:
      close_bulk_dialog(dialog);
      return TRUE;
    case IDC_SLAVE_ADDRESS:
      if (code == CBN_SELCHANGE) store_slave_address(dialog);
      return TRUE;
    case IDC_SET_ALL_START:
      start_bulk_run(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK set_all_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return on_init(dialog);
    case WM_COMMAND:
      return on_command(dialog, LOWORD(wparam), HIWORD(wparam));
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
