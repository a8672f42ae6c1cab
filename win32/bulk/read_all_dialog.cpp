// The read-all dialog (template 145): asks the unit for every setting, one
// read command every 400 ms, with a progress bar and a percentage. The
// replies are decoded into the record by the receiving thread as they come;
// the dialog closes itself on the tick that sends the last read, and the
// unit's answer to it raises "Success".
//
// A broadcast is never answered, so there is nothing to read from it: the
// slave-address combo has no "Bloadcast" entry here. Enter (id 1) does
// nothing: the transfer starts only from its own button.
#include <memory>

#include "win32/app/app.h"
#include "win32/bulk/bulk.h"
#include "win32/bulk/bulk_dialog.h"
#include "core/bulk/read_all.h"
#include "win32/dialogs/dialog_common.h"
#include "core/link/codec.h"
#include "core/link/framing.h"
#include "win32/link/serial_port.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

namespace {

// "00".."31". With broadcast chosen in another dialog (slave_address 32)
// nothing is selected, and the reads go out to "FF" all the same.
void init_address_combo(HWND dialog) {
  for (int address = 0; address < broadcast_address; ++address) {
    char text[3] = {};
    format_dec2(address, text);
    insert_combo_entry(dialog, IDC_SLAVE_ADDRESS, address, text);
  }
  const LinkState& link = app_state().link;
  if (link.rs_control != 0) {
    select_combo_entry(dialog, IDC_SLAVE_ADDRESS, link.slave_address);
  } else {
    EnableWindow(GetDlgItem(dialog, IDC_SLAVE_ADDRESS), FALSE);
  }
}

BOOL on_init(HWND dialog) {
  init_address_combo(dialog);
  auto run = std::make_unique<BulkRun>(dialog, TIMER_READ_ALL);
  run->sequence = std::make_unique<ReadAllSequence>(app_state(), serial_port(), run->view);
  attach_bulk_run(dialog, std::move(run), read_all_step_count, "設定項目の読み込み");
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK read_all_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return bulk_dialog_message(dialog, message, wparam, on_init, IDC_READ_ALL_START);
}

}  // namespace zanteq::win32
