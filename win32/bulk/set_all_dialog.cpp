// The set-all dialog (template 143): sends the whole record to one unit,
// each command as soon as the one before is answered, or with "Bloadcast"
// to every unit on the bus one command every 500 ms (so too for one unit
// when the transfer_pace setting asks for the old pace), built by the same
// operations as the feature dialogs' 設定 buttons, with a progress bar and a
// percentage. The unit's "GO" for the last command raises the one "Success"
// of the transfer (none for a broadcast); the dialog has closed itself by
// then (at the old pace: on the tick of the last command).
//
// A refusal box shown by a step (hold time, title) holds the run until it is
// closed. Enter (id 1) does nothing.
#include "win32/app/app.h"
#include "win32/bulk/bulk.h"
#include "win32/bulk/bulk_dialog.h"
#include "core/bulk/set_all.h"
#include "core/bulk/transfer_plans.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

namespace {

const BulkSetup set_all_setup = {
    SlaveAddressUse::feature_dialog, TIMER_SET_ALL, set_all_step_count, "全項目の設定", IDC_SET_ALL_START,
    [](SequenceView& view) { return set_all_sequence(operations(), view); },
    &set_all_plan,
    [] { return set_all_transfer_plan(app_state()); },
};

}  // namespace

INT_PTR CALLBACK set_all_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return bulk_dialog_message(dialog, message, wparam, set_all_setup);
}

}  // namespace zanteq::win32
