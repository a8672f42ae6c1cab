// The alarm dialog (template 133): alarm mode, hold time, input polarity,
// on-screen alarm display and screen return, each with its 設定 button.
#include <string>

#include "win32/app/app.h"
#include "win32/dialogs/dialogs.h"
#include "win32/dialogs/feature_dialog.h"
#include "core/dialogs/combo_entries.h"
#include "core/dialogs/user_changes.h"
#include "platform/windows/text_conversion.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

using platform::cp932_to_wide;

namespace {

constexpr WPARAM hold_time_chars = 3;

// Set while the dialog itself writes the hold-time edit: that is no change
// of the user's, and a stored text the edit cannot show exactly (a
// hand-edited file) must not be rewritten by merely opening the dialog.
bool filling_hold_time = false;

void show_hold_time(HWND dialog, const std::string& text) {
  filling_hold_time = true;
  set_edit_text_cp932(dialog, IDC_ALARM_HOLD_TIME, text);
  filling_hold_time = false;
}

void on_init(HWND dialog) {
  const DeviceSettings& r = app_state().record;
  init_slave_address_combo(dialog);
  insert_combo_entries(dialog, IDC_ALARM_MODE, alarm_mode_entries);
  insert_combo_entries(dialog, IDC_ALARM_POLARITY, alarm_polarity_entries);
  insert_combo_entries(dialog, IDC_ALARM_DISPLAY, off_on_entries);
  insert_combo_entries(dialog, IDC_ALARM_RETURN, off_on_entries);

  select_combo_entry(dialog, IDC_ALARM_DISPLAY, r.alarm_display);
  SendDlgItemMessageW(dialog, IDC_ALARM_HOLD_TIME, EM_LIMITTEXT, hold_time_chars, 0);
  show_hold_time(dialog, r.alarm_hold_time.str());
  select_combo_entry(dialog, IDC_ALARM_POLARITY, r.alarm_polarity);
  select_combo_entry(dialog, IDC_ALARM_MODE, r.alarm_mode);
  select_combo_entry(dialog, IDC_ALARM_RETURN, r.alarm_return);

  apply_caption_rule(dialog, "アラーム ");
}

// The edit counts characters, the record bytes: "5あ2" fits the edit's
// three characters but not the record's three bytes. The edit is given
// back what the record kept, so it shows what 設定 will send.
void on_hold_time_change(HWND dialog) {
  if (filling_hold_time) return;
  AppState& app = app_state();
  apply_user_hold_time(app, edit_text_cp932(dialog, IDC_ALARM_HOLD_TIME));
  const std::string kept = app.record.alarm_hold_time.str();
  wchar_t shown[8] = {};
  GetDlgItemTextW(dialog, IDC_ALARM_HOLD_TIME, shown, 8);
  const std::wstring kept_wide = cp932_to_wide(kept);
  if (kept_wide != shown) {
    show_hold_time(dialog, kept);
    SendDlgItemMessageW(dialog, IDC_ALARM_HOLD_TIME, EM_SETSEL, kept_wide.size(), kept_wide.size());
    MessageBeep(MB_OK);
  }
}

BOOL on_command(HWND dialog, int id, int code) {
  DeviceSettings& r = app_state().record;
  Operations& ops = operations();
  switch (id) {
    case IDC_ALARM_MODE: store_on_selchange(dialog, id, code, r.alarm_mode); break;
    case IDC_ALARM_POLARITY: store_on_selchange(dialog, id, code, r.alarm_polarity); break;
    case IDC_ALARM_DISPLAY: store_on_selchange(dialog, id, code, r.alarm_display); break;
    case IDC_ALARM_RETURN: store_on_selchange(dialog, id, code, r.alarm_return); break;
    case IDC_ALARM_HOLD_TIME:
      if (code == EN_CHANGE) on_hold_time_change(dialog);
      break;
    case IDC_ALARM_MODE_SET: ops.send_alarm_mode(); break;
    case IDC_ALARM_HOLD_TIME_SET: ops.send_alarm_hold_time(); break;
    case IDC_ALARM_POLARITY_SET: ops.send_alarm_polarity(); break;
    case IDC_ALARM_DISPLAY_SET: ops.send_alarm_display(); break;
    case IDC_ALARM_RETURN_SET: ops.send_alarm_return(); break;
    default: return FALSE;
  }
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK alarm_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return settings_dialog_message(dialog, message, wparam, on_init, on_command, EnterKey::closes);
}

}  // namespace zanteq::win32
