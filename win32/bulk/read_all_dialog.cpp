// The read-all dialog (template 145): asks the unit for every setting, each
// read as soon as the one before is answered (or one every 400 ms when the
// transfer_pace setting asks for the old pace), with a progress bar and a
// percentage. The replies are decoded into the record as they come; the
// dialog closes itself once the last read is answered (at the old pace: on
// the tick that sends it), and the unit's answer to it raises "Success".
//
// A broadcast is never answered, so there is nothing to read from it: the
// slave-address combo has no "Bloadcast" entry here. Enter (id 1) does
// nothing: the transfer starts only from its own button.
#include "win32/app/app.h"
#include "win32/bulk/bulk.h"
#include "win32/bulk/bulk_dialog.h"
#include "core/bulk/read_all.h"
#include "core/bulk/transfer_plans.h"
#include "win32/link/serial_port.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

namespace {

const BulkSetup read_all_setup = {
    SlaveAddressUse::read_all, TIMER_READ_ALL, read_all_step_count, "設定項目の読み込み", IDC_READ_ALL_START,
    [](SequenceView& view) { return read_all_sequence(app_state(), serial_port(), view); },
    &read_all_plan,
    [] { return read_all_transfer_plan(); },
};

}  // namespace

INT_PTR CALLBACK read_all_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return bulk_dialog_message(dialog, message, wparam, read_all_setup);
}

}  // namespace zanteq::win32
