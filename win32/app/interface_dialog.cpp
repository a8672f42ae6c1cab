// The interface dialog: serial port and RS-232C/RS-485. Every change is
// kept in memory and written to the INI file at once; the 設定 button only
// closes. rs_control takes effect with the next command, com_port at the
// next start.
#include "win32/app/app.h"
#include "win32/app/dialog_procs.h"
#include "win32/app/interface_settings.h"
#include "win32/dialogs/dialog_common.h"
#include "win32/resources/resource.h"
#include "core/settings/ini_values.h"

namespace zanteq::win32 {

namespace {

BOOL on_init(HWND dialog) {
  insert_combo_entries(dialog, IDC_COM_PORT, {"COM 1", "COM 2", "COM 3", "COM 4", "COM 5", "COM 6"});
  insert_combo_entries(dialog, IDC_RS_CONTROL, {"RS-232C", "RS-485"});
  const AppState& app = app_state();
  select_combo_entry(dialog, IDC_COM_PORT, app.iface.com_port);
  select_combo_entry(dialog, IDC_RS_CONTROL, app.link.rs_control);
  return TRUE;
}

void on_port_changed(HWND dialog) {
  const int selection = combo_selection(dialog, IDC_COM_PORT);
  if (selection < 0) return;
  app_state().iface.com_port = selection;
  write_interface_setting(ini_key_com_port, selection);
}

void on_control_changed(HWND dialog) {
  const int selection = combo_selection(dialog, IDC_RS_CONTROL);
  if (selection < 0) return;
  app_state().link.rs_control = selection;
  write_interface_setting(ini_key_rs_control, selection);
}

BOOL on_command(HWND dialog, int id, int code) {
  switch (id) {
    case IDC_COM_PORT:
      if (code == CBN_SELCHANGE) on_port_changed(dialog);
      return TRUE;
    case IDC_RS_CONTROL:
      if (code == CBN_SELCHANGE) on_control_changed(dialog);
      return TRUE;
    case IDOK:
    case IDCANCEL:
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK interface_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return on_init(dialog);
    case WM_COMMAND:
      return on_command(dialog, LOWORD(wparam), HIWORD(wparam));
    default:
      return FALSE;
  }
}

}  // namespace zanteq::win32
