// The display channel dialog (template 139): what the unit shows (one
// channel, the split screen or automatic switching), two-way or four-way
// split, and the two channels of the two-way split with its "don't memory"
// form.
//
// The screen choice is current_channel, shared with the title, title
// position and video adjustment dialogs; it is not saved with the settings.
#include "win32/app/app.h"
#include "win32/dialogs/dialogs.h"
#include "win32/dialogs/feature_dialog.h"
#include "win32/resources/resource.h"
#include "core/dialogs/combo_entries.h"

namespace zanteq::win32 {

namespace {

void on_init(HWND dialog) {
  const AppState& app = app_state();
  const DeviceSettings& r = app.record;
  init_slave_address_combo(dialog);
  for (int combo : {IDC_DISP_LEFT, IDC_DISP_RIGHT})
    insert_combo_entries(dialog, combo, split2_channel_entries);
  insert_combo_entries(dialog, IDC_DISP_SPLIT_MODE, split_mode_entries);
  insert_combo_entries(dialog, IDC_DISP_SCREEN, screen_entries);

  select_combo_entry(dialog, IDC_DISP_SCREEN, app.ui.current_channel);
  select_combo_entry(dialog, IDC_DISP_SPLIT_MODE, r.split_mode);
  select_combo_entry(dialog, IDC_DISP_LEFT, r.split2_channels[0]);
  select_combo_entry(dialog, IDC_DISP_RIGHT, r.split2_channels[1]);
  apply_caption_rule(dialog, "表示チャンネル ");
}

// Not a record field: choosing the screen leaves the unsaved-changes mark.
void store_screen(HWND dialog, int code) {
  if (code != CBN_SELCHANGE) return;
  const int selection = combo_selection(dialog, IDC_DISP_SCREEN);
  if (selection >= 0) app_state().ui.current_channel = selection;
}

BOOL on_command(HWND dialog, int id, int code) {
  DeviceSettings& r = app_state().record;
  Operations& ops = operations();
  switch (id) {
    case IDC_DISP_SCREEN: store_screen(dialog, code); break;
    case IDC_DISP_SPLIT_MODE: store_on_selchange(dialog, id, code, r.split_mode); break;
    case IDC_DISP_LEFT: store_on_selchange(dialog, id, code, r.split2_channels[0]); break;
    case IDC_DISP_RIGHT: store_on_selchange(dialog, id, code, r.split2_channels[1]); break;
    case IDC_DISP_SCREEN_SET: ops.send_screen(); break;
    case IDC_DISP_SPLIT_MODE_SET: ops.send_split_mode(); break;
    case IDC_DISP_SPLIT2_SET: ops.send_split2_channels_checked(false); break;
    case IDC_DISP_SPLIT2_SET_DONT: ops.send_split2_channels_checked(true); break;
    default: return FALSE;
  }
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK display_channel_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return settings_dialog_message(dialog, message, wparam, on_init, on_command, EnterKey::closes);
}

}  // namespace zanteq::win32
