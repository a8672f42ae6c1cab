// The set-all dialog (template 143): sends the whole record to one unit, or
// with "Bloadcast" to every unit on the bus, one command every 500 ms
// through the same operations as the feature dialogs' 設定 buttons, with a
// progress bar and a percentage. The dialog closes itself on the tick of the
// last command; the unit's "GO" for it comes after the run is over and
// raises the one "Success" of the transfer (none for a broadcast).
//
// A refusal box shown by a step (hold time, title) holds the run until it is
// closed. Enter (id 1) does nothing.
#include "win32/app/app.h"
#include "win32/bulk/bulk.h"
#include "win32/bulk/bulk_dialog.h"
#include "core/bulk/set_all.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

namespace {

const BulkSetup set_all_setup = {
    SlaveAddressUse::feature_dialog, TIMER_SET_ALL, set_all_step_count, "全項目の設定", IDC_SET_ALL_START,
    [](SequenceView& view) { return set_all_sequence(operations(), view); },
};

}  // namespace

INT_PTR CALLBACK set_all_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return bulk_dialog_message(dialog, message, wparam, set_all_setup);
}

}  // namespace zanteq::win32
