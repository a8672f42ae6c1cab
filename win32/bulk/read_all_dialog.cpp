// The read-all dialog (template 145): asks the unit for every setting, one
// read command every 400 ms, with a progress bar and a percentage. The
// replies are decoded into the record by the receiving thread as they come;
// the dialog closes itself on the tick that sends the last read, and the
// unit's answer to it raises "Success".
//
// A broadcast is never answered, so there is nothing to read from it: the
// slave-address combo has no "Bloadcast" entry here. Enter (id 1) does
// nothing: the transfer starts only from its own button.
#include "win32/app/app.h"
#include "win32/bulk/bulk.h"
#include "win32/bulk/bulk_dialog.h"
#include "core/bulk/read_all.h"
#include "win32/link/serial_port.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

namespace {

const BulkSetup read_all_setup = {
    SlaveAddressUse::read_all, TIMER_READ_ALL, read_all_step_count, "設定項目の読み込み", IDC_READ_ALL_START,
    [](SequenceView& view) { return read_all_sequence(app_state(), serial_port(), view); },
};

}  // namespace

INT_PTR CALLBACK read_all_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return bulk_dialog_message(dialog, message, wparam, read_all_setup);
}

}  // namespace zanteq::win32
