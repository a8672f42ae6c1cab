// The device slave address dialog (template 142): which unit on the RS-485
// bus every later command goes to, or all of them ("Bloadcast"). It sends
// nothing itself. Unlike the slave-address combo of the other dialogs, this
// one is never disabled: the address can be chosen ahead of switching the
// interface to RS-485. Only Close (id 2, also Escape and the title-bar
// close) ends it; Enter and every other command are taken and ignored.
#include "win32/app/app.h"
#include "win32/dialogs/dialogs.h"
#include "win32/dialogs/feature_dialog.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

namespace {

void on_init(HWND dialog) {
  init_slave_address_combo(dialog, SlaveAddressUse::address_dialog);
  apply_caption_rule(dialog, "機器のスレーブアドレス ");
}

// Close and the combo are taken by the shared handling.
BOOL on_command(HWND, int, int) { return TRUE; }

}  // namespace

INT_PTR CALLBACK slave_address_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return settings_dialog_message(dialog, message, wparam, on_init, on_command, EnterKey::stays);
}

}  // namespace zanteq::win32
