// The other settings dialog (template 141): connector input, power-on
// screen, border line, OSD offsets and sizes, front-panel button lock and
// NTSC aspect ratio, each with its 設定 button. Only Close (id 2, also
// Escape and the title-bar close) ends it; Enter does not.
#include "win32/app/app.h"
#include "win32/dialogs/dialogs.h"
#include "win32/dialogs/feature_dialog.h"
#include "core/dialogs/combo_entries.h"
#include "core/link/codec.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

namespace {

constexpr int osd_offset_count = 16;

void fill_combos(HWND dialog) {
  insert_combo_entries(dialog, IDC_OTHER_CONNECTOR, connector_entries);
  insert_combo_entries(dialog, IDC_OTHER_SIZE_SINGLE, osd_size_entries);
  insert_combo_entries(dialog, IDC_OTHER_SIZE_SPLIT, osd_size_entries);
  insert_combo_entries(dialog, IDC_OTHER_BUTTON_LOCK, button_lock_entries);
  insert_combo_entries(dialog, IDC_OTHER_NTSC_ASPECT, ntsc_aspect_entries);
  insert_combo_entries(dialog, IDC_OTHER_BORDER, border_line_entries);
  insert_combo_entries(dialog, IDC_OTHER_POWER_ON, screen_entries);
  for (int offset = 0; offset < osd_offset_count; ++offset) {
    char text[3] = {};
    format_dec2(offset, text);
    insert_combo_entry(dialog, IDC_OTHER_OFFSET_H, offset, text);
    insert_combo_entry(dialog, IDC_OTHER_OFFSET_V, offset, text);
  }
}

void on_init(HWND dialog) {
  const AppState& app = app_state();
  const DeviceSettings& r = app.record;
  fill_combos(dialog);
  init_slave_address_combo(dialog);
  select_combo_entry(dialog, IDC_OTHER_CONNECTOR, r.connector_input);
  select_combo_entry(dialog, IDC_OTHER_POWER_ON, r.power_on_screen);
  select_combo_entry(dialog, IDC_OTHER_BORDER, r.border_line);
  select_combo_entry(dialog, IDC_OTHER_OFFSET_H, r.osd_offset_h);
  select_combo_entry(dialog, IDC_OTHER_OFFSET_V, r.osd_offset_v);
  select_combo_entry(dialog, IDC_OTHER_SIZE_SINGLE, r.osd_size_single);
  select_combo_entry(dialog, IDC_OTHER_SIZE_SPLIT, r.osd_size_split);
  select_combo_entry(dialog, IDC_OTHER_BUTTON_LOCK, app.ui.button_lock);
  select_combo_entry(dialog, IDC_OTHER_NTSC_ASPECT, r.ntsc_aspect);
  apply_caption_rule(dialog, "その他 ");
}

// The button lock lives for the run only and is not saved, so choosing it
// is no change of the settings.
void store_button_lock(HWND dialog, int code) {
  if (code != CBN_SELCHANGE) return;
  const int selection = combo_selection(dialog, IDC_OTHER_BUTTON_LOCK);
  if (selection >= 0) app_state().ui.button_lock = selection;
}

// Record combos; false for any other control.
bool store_record_combo(HWND dialog, int id, int code) {
  DeviceSettings& r = app_state().record;
  switch (id) {
    case IDC_OTHER_CONNECTOR: store_on_selchange(dialog, id, code, r.connector_input); break;
    case IDC_OTHER_POWER_ON: store_on_selchange(dialog, id, code, r.power_on_screen); break;
    case IDC_OTHER_BORDER: store_on_selchange(dialog, id, code, r.border_line); break;
    case IDC_OTHER_OFFSET_H: store_on_selchange(dialog, id, code, r.osd_offset_h); break;
    case IDC_OTHER_OFFSET_V: store_on_selchange(dialog, id, code, r.osd_offset_v); break;
    case IDC_OTHER_SIZE_SINGLE: store_on_selchange(dialog, id, code, r.osd_size_single); break;
    case IDC_OTHER_SIZE_SPLIT: store_on_selchange(dialog, id, code, r.osd_size_split); break;
    case IDC_OTHER_NTSC_ASPECT: store_on_selchange(dialog, id, code, r.ntsc_aspect); break;
    default: return false;
  }
  return true;
}

BOOL on_command(HWND dialog, int id, int code) {
  if (store_record_combo(dialog, id, code)) return TRUE;
  Operations& ops = operations();
  switch (id) {
    case IDC_OTHER_BUTTON_LOCK: store_button_lock(dialog, code); break;
    case IDC_OTHER_CONNECTOR_SET: ops.send_connector_input(); break;
    case IDC_OTHER_POWER_ON_SET: ops.send_power_on_screen(); break;
    case IDC_OTHER_BORDER_SET: ops.send_border_line(); break;
    case IDC_OTHER_OFFSET_H_SET: ops.send_osd_offset_h(); break;
    case IDC_OTHER_OFFSET_V_SET: ops.send_osd_offset_v(); break;
    case IDC_OTHER_SIZE_SINGLE_SET: ops.send_osd_size_single(); break;
    case IDC_OTHER_SIZE_SPLIT_SET: ops.send_osd_size_split(); break;
    case IDC_OTHER_BUTTON_LOCK_SET: ops.send_button_lock(); break;
    case IDC_OTHER_NTSC_ASPECT_SET: ops.send_ntsc_aspect(); break;
    default: return FALSE;  // id 1 (Enter) among them: this dialog stays open
  }
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK other_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return settings_dialog_message(dialog, message, wparam, on_init, on_command, EnterKey::stays);
}

}  // namespace zanteq::win32
