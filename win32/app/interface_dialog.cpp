// The interface dialog: serial port, RS-232C/RS-485 and the pace of the
// bulk runs. Every change is kept in memory and written to the INI file at
// once; the 設定 button only closes. rs_control takes effect with the next
// command and the pace with the next run; a chosen port is opened at once
// in place of the one in use.
#include <windows.h>
// dbt.h needs the Windows types first.
#include <dbt.h>

#include <algorithm>

#include "win32/app/app.h"
#include "win32/app/dialog_procs.h"
#include "win32/app/interface_settings.h"
#include "win32/dialogs/dialog_common.h"
#include "platform/windows/port_list.h"
#include "win32/link/serial_port.h"
#include "platform/windows/text_conversion.h"
#include "win32/resources/resource.h"
#include "core/link/port_link.h"
#include "core/settings/ini_values.h"

namespace zanteq::win32 {

using platform::utf8_to_wide;
using platform::present_ports;

namespace {

// The ports there are now, each entry carrying its com_port; the
// configured port selected (listed, marked, when it is missing).
void fill_port_list(HWND dialog) {
  const HWND combo = GetDlgItem(dialog, IDC_COM_PORT);
  const int configured = app_state().iface.com_port;
  const std::vector<PortListEntry> list = port_list(present_ports(), configured);
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  int widest = 0;
  const HDC dc = GetDC(combo);
  const HGDIOBJ old_font = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(combo, WM_GETFONT, 0, 0)));
  for (const PortListEntry& entry : list) {
    const std::wstring text = utf8_to_wide(entry.text);
    const LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), entry.com_port);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
  }
  SelectObject(dc, old_font);
  ReleaseDC(combo, dc);
  // A long driver name shows whole in the open list.
  SendMessageW(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + GetSystemMetrics(SM_CXVSCROLL) + 8), 0);
  select_combo_entry(dialog, IDC_COM_PORT, port_list_index(list, configured));
}

BOOL on_init(HWND dialog) {
  fill_port_list(dialog);
  insert_combo_entries(dialog, IDC_RS_CONTROL, {"RS-232C", "RS-485"});
  select_combo_entry(dialog, IDC_RS_CONTROL, app_state().link.rs_control);
  CheckDlgButton(dialog, IDC_TRANSFER_PACE,
                 app_state().iface.transfer_pace == transfer_pace_timer ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

void on_port_changed(HWND dialog) {
  const int selection = combo_selection(dialog, IDC_COM_PORT);
  if (selection < 0) return;
  const int com_port =
      static_cast<int>(SendDlgItemMessageW(dialog, IDC_COM_PORT, CB_GETITEMDATA, static_cast<WPARAM>(selection), 0));
  if (com_port < 0 || com_port > com_port_max) return;
  app_state().iface.com_port = com_port;
  write_interface_setting(ini_key_com_port, com_port);
  const PortLink& link = serial_port().link();
  if (link.com_port() == com_port && link.may_send()) return;  // already in use
  serial_port().switch_port(com_port);
}

// A port arrived or left: list the ports again, keeping the selection.
BOOL on_device_change(HWND dialog, WPARAM event) {
  if (event == DBT_DEVICEARRIVAL || event == DBT_DEVICEREMOVECOMPLETE || event == DBT_DEVNODES_CHANGED) {
    fill_port_list(dialog);
  }
  return TRUE;
}

void on_control_changed(HWND dialog) {
  const int selection = combo_selection(dialog, IDC_RS_CONTROL);
  if (selection < 0) return;
  app_state().link.rs_control = selection;
  write_interface_setting(ini_key_rs_control, selection);
}

// Checked: every run one command per period, as the program always sent
// them; unchecked: at the pace of the unit's replies.
void on_pace_changed(HWND dialog) {
  const int pace =
      IsDlgButtonChecked(dialog, IDC_TRANSFER_PACE) == BST_CHECKED ? transfer_pace_timer : transfer_pace_replies;
  app_state().iface.transfer_pace = pace;
  write_interface_setting(ini_key_transfer_pace, pace);
}

BOOL on_command(HWND dialog, int id, int code) {
  switch (id) {
    case IDC_COM_PORT:
      if (code == CBN_SELCHANGE) on_port_changed(dialog);
      return TRUE;
    case IDC_RS_CONTROL:
      if (code == CBN_SELCHANGE) on_control_changed(dialog);
      return TRUE;
    case IDC_TRANSFER_PACE:
      if (code == BN_CLICKED) on_pace_changed(dialog);
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
    case WM_DEVICECHANGE:
      return on_device_change(dialog, wparam);
    default:
      return FALSE;
  }
}

}  // namespace zanteq::win32
