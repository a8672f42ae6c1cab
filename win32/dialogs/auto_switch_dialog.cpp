// The auto-switch dialog (template 138): the dwell times of the unit's
// automatic screen sequence, one entry at a time or all five at once, sent
// in one command. A white panel lists the five dwell times; it is drawn
// through timer 3 after the static has painted itself.
#include <string>

#include "win32/app/app.h"
#include "core/dialogs/command_fields.h"
#include "core/dialogs/user_changes.h"
#include "win32/dialogs/dialog_common.h"
#include "win32/dialogs/dialogs.h"
#include "win32/dialogs/painted_dialog.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

namespace {

constexpr int opening_delay_ms = 200;

class AutoSwitchDialog : public PanelDialog {
 public:
  explicit AutoSwitchDialog(HWND dialog) : PanelDialog(dialog, TIMER_AUTO_SWITCH) {}
  void repaint_panel() override;
};

// The entry the 時間（秒） combo edits.
int dwell_entry() { return auto_switch_entry(app_state().ui); }

void AutoSwitchDialog::repaint_panel() {
  const DeviceSettings& r = app_state().record;
  PanelPainter painter(dialog_, IDC_AUTO_PANEL);
  for (int k = 0; k < dwell_count; ++k)
    painter.draw_utf8(auto_switch_line_position(k), auto_switch_panel_line(k, r.auto_switch_dwell[k]));
}

void fill_seconds(HWND dialog, int combo_id) {
  for (int seconds = 0; seconds < dwell_entry_count; ++seconds)
    insert_combo_entry(dialog, combo_id, seconds, std::to_string(seconds).c_str());
}

void on_init(HWND dialog) {
  AppState& app = app_state();
  auto* state = attach_dialog_state(dialog, new AutoSwitchDialog(dialog));
  init_slave_address_combo(dialog);
  for (int k = 0; k < dwell_count; ++k) insert_combo_entry(dialog, IDC_AUTO_CHANNEL, k, auto_switch_entries[k]);
  fill_seconds(dialog, IDC_AUTO_DWELL);
  fill_seconds(dialog, IDC_AUTO_ALL_DWELL);

  select_combo_entry(dialog, IDC_AUTO_CHANNEL, dwell_entry());
  select_combo_entry(dialog, IDC_AUTO_DWELL, app.record.auto_switch_dwell[dwell_entry()]);
  select_combo_entry(dialog, IDC_AUTO_ALL_DWELL, app.ui.auto_switch_all_dwell);
  apply_caption_rule(dialog, "自動切換え ");
  state->repaint.schedule(opening_delay_ms);
}

void show_entry_dwell(HWND dialog) {
  select_combo_entry(dialog, IDC_AUTO_DWELL, app_state().record.auto_switch_dwell[dwell_entry()]);
}

void on_channel(HWND dialog, AutoSwitchDialog& state) {
  const int selection = combo_selection(dialog, IDC_AUTO_CHANNEL);
  if (selection >= 0) app_state().ui.auto_switch_channel = selection;
  state.repaint_panel();
  show_entry_dwell(dialog);
}

void on_dwell(HWND dialog, AutoSwitchDialog& state) {
  store_combo_selection(dialog, IDC_AUTO_DWELL, app_state().record.auto_switch_dwell[dwell_entry()]);
  state.repaint_panel();
}

void on_all_dwell(HWND dialog, AutoSwitchDialog& state) {
  apply_all_dwell(app_state(), combo_selection(dialog, IDC_AUTO_ALL_DWELL));
  state.repaint_panel();
  show_entry_dwell(dialog);
}

BOOL on_command(HWND dialog, AutoSwitchDialog& state, int id, int code) {
  const bool selected = code == CBN_SELCHANGE;
  switch (id) {
    case IDC_AUTO_CHANNEL: if (selected) on_channel(dialog, state); break;
    case IDC_AUTO_DWELL: if (selected) on_dwell(dialog, state); break;
    case IDC_AUTO_ALL_DWELL: if (selected) on_all_dwell(dialog, state); break;
    case IDC_AUTO_SET: operations().send_auto_switch(); break;
    default: return FALSE;  // id 1 (Enter) included: this dialog ends only on Close
  }
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK auto_switch_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return painted_dialog_message<AutoSwitchDialog>(dialog, message, wparam, on_init, on_command, EnterKey::stays);
}

}  // namespace zanteq::win32
