// Combo, caption and edit helpers shared by the settings dialogs.
#include "win32/dialogs/dialog_common.h"

#include <vector>

#include "win32/resources/resource.h"
#include "win32/app/app.h"
#include "core/dialogs/user_changes.h"
#include "platform/windows/text_conversion.h"

namespace zanteq::win32 {

using platform::utf8_to_wide;
using platform::cp932_to_wide;
using platform::wide_to_cp932;

void init_slave_address_combo(HWND dialog, SlaveAddressUse use) {
  const SlaveAddressCombo combo = slave_address_combo(app_state().link, use);
  int index = 0;
  for (const std::string& entry : combo.entries) insert_combo_entry(dialog, IDC_SLAVE_ADDRESS, index++, entry.c_str());
  select_combo_entry(dialog, IDC_SLAVE_ADDRESS, combo.selection);
  EnableWindow(GetDlgItem(dialog, IDC_SLAVE_ADDRESS), combo.enabled ? TRUE : FALSE);
}

void on_slave_address_command(HWND dialog, int code) {
  LinkState& link = app_state().link;
  if (code == CBN_SELCHANGE) {
    const int selection = combo_selection(dialog, IDC_SLAVE_ADDRESS);
    if (selection >= 0) link.slave_address = selection;
  }
  if (code == CBN_KILLFOCUS && link.rs_control != 0)
    select_combo_entry(dialog, IDC_SLAVE_ADDRESS, link.slave_address);
}

bool take_shared_command(HWND dialog, int id, int code, EnterKey enter) {
  if (id == IDC_SLAVE_ADDRESS) {
    on_slave_address_command(dialog, code);
    return true;
  }
  if (id == IDCANCEL || (id == IDOK && enter == EnterKey::closes)) {
    if (app_state().link.sequence_step == 0) EndDialog(dialog, IDCANCEL);
    return true;
  }
  return false;
}

void apply_caption_rule(HWND dialog, const char* feature_label) {
  const AppState& app = app_state();
  if (app.iface.select_number == -1) return;
  const std::wstring caption =
      utf8_to_wide(feature_label) + cp932_to_wide(unit_name(app.unit_names, app.iface.select_number));
  SetWindowTextW(dialog, caption.c_str());
}

void insert_combo_entry(HWND dialog, int combo_id, int index, const char* text) {
  const std::wstring wide = utf8_to_wide(text);
  SendDlgItemMessageW(dialog, combo_id, CB_INSERTSTRING, static_cast<WPARAM>(index),
                      reinterpret_cast<LPARAM>(wide.c_str()));
}

void insert_combo_entries(HWND dialog, int combo_id, std::initializer_list<const char*> texts) {
  int index = 0;
  for (const char* text : texts) insert_combo_entry(dialog, combo_id, index++, text);
}

void insert_combo_entries(HWND dialog, int combo_id, const ComboEntries& entries) {
  for (int index = 0; index < entries.count; ++index) insert_combo_entry(dialog, combo_id, index, entries[index]);
}

void select_combo_entry(HWND dialog, int combo_id, int index) {
  SendDlgItemMessageW(dialog, combo_id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int combo_selection(HWND dialog, int combo_id) {
  return static_cast<int>(SendDlgItemMessageW(dialog, combo_id, CB_GETCURSEL, 0, 0));
}

void store_combo_selection(HWND dialog, int combo_id, std::atomic<int>& field) {
  apply_user_choice(app_state(), field, combo_selection(dialog, combo_id));
}

std::string edit_text_cp932(HWND dialog, int edit_id, bool* lossy) {
  const HWND edit = GetDlgItem(dialog, edit_id);
  const int length = GetWindowTextLengthW(edit);
  std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(edit, text.data(), length + 1);
  return wide_to_cp932(std::wstring_view(text.data()), lossy);
}

void set_edit_text_cp932(HWND dialog, int edit_id, std::string_view text) {
  SetDlgItemTextW(dialog, edit_id, cp932_to_wide(text).c_str());
}

void set_text(HWND window, const char* text) { SetWindowTextW(window, utf8_to_wide(text).c_str()); }

}  // namespace zanteq::win32
