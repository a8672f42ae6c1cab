// The network dialog ("ネットワーク ポート", 153): the host, the port number
// and the kind of a serial device server. 接続 checks the fields through
// the core and names a mistake in a box with the cursor in its field;
// the dialog closes only on good fields (or キャンセル).
#include <windows.h>

#include "core/link/port_link.h"
#include "platform/windows/text_conversion.h"
#include "win32/app/dialog_procs.h"
#include "win32/dialogs/dialog_common.h"
#include "win32/link/message_boxes.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

using platform::utf8_to_wide;
using platform::wide_to_utf8;

namespace {

// Entry order of the kind drop-down.
constexpr int kind_tcp = 0;
constexpr int kind_rfc2217 = 1;

NetDialogFields* fields_of(HWND dialog) {
  return reinterpret_cast<NetDialogFields*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

std::string item_text(HWND dialog, int id) {
  const HWND item = GetDlgItem(dialog, id);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
  return wide_to_utf8(text);
}

BOOL on_init(HWND dialog, LPARAM fields_pointer) {
  SetWindowLongPtrW(dialog, DWLP_USER, fields_pointer);
  const NetDialogFields& fields = *fields_of(dialog);
  SetDlgItemTextW(dialog, IDC_NET_HOST, utf8_to_wide(fields.host).c_str());
  SetDlgItemTextW(dialog, IDC_NET_PORT_NUMBER, utf8_to_wide(fields.port_number).c_str());
  // A host name is at most 253 characters; an IPv6 address with its zone
  // fits as well.
  SendDlgItemMessageW(dialog, IDC_NET_HOST, EM_LIMITTEXT, 255, 0);
  SendDlgItemMessageW(dialog, IDC_NET_PORT_NUMBER, EM_LIMITTEXT, 5, 0);
  insert_combo_entries(dialog, IDC_NET_KIND, {"TCP", "RFC 2217"});
  select_combo_entry(dialog, IDC_NET_KIND, fields.scheme == NetScheme::rfc2217 ? kind_rfc2217 : kind_tcp);
  return TRUE;
}

void on_connect(HWND dialog) {
  NetDialogFields typed;
  typed.host = item_text(dialog, IDC_NET_HOST);
  typed.port_number = item_text(dialog, IDC_NET_PORT_NUMBER);
  typed.scheme = combo_selection(dialog, IDC_NET_KIND) == kind_rfc2217 ? NetScheme::rfc2217 : NetScheme::tcp;
  const NetDialogCheck check = check_net_dialog(typed);
  if (!check.ok()) {
    show_warning_box(check.message.c_str());
    const int field = check.field == NetDialogCheck::Field::host ? IDC_NET_HOST : IDC_NET_PORT_NUMBER;
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, field)), TRUE);
    SendDlgItemMessageW(dialog, field, EM_SETSEL, 0, -1);
    return;
  }
  *fields_of(dialog) = typed;
  EndDialog(dialog, IDOK);
}

BOOL on_command(HWND dialog, int id) {
  switch (id) {
    case IDOK:
      on_connect(dialog);
      return TRUE;
    case IDCANCEL:
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK net_port_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      return on_init(dialog, lparam);
    case WM_COMMAND:
      return on_command(dialog, LOWORD(wparam));
    default:
      return FALSE;
  }
}

}  // namespace zanteq::win32
