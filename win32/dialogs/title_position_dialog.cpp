// The title position dialog (template 137), opened only from the title
// dialog: the column and row of each channel's title on the unit's screen,
// sent for one channel or for all four. A preview box shows the current
// channel's marker at its place; it is drawn through timer 11.
#include "win32/app/app.h"
#include "core/dialogs/command_fields.h"
#include "core/link/codec.h"
#include "win32/dialogs/dialog_common.h"
#include "win32/dialogs/dialogs.h"
#include "win32/dialogs/painted_dialog.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

namespace {

constexpr int opening_delay_ms = 200;

class TitlePositionDialog : public PanelDialog {
 public:
  explicit TitlePositionDialog(HWND dialog) : PanelDialog(dialog, TIMER_TITLE_POSITION) {}
  void repaint_panel() override;
};

int dialog_channel_now() { return dialog_channel(app_state().ui.current_channel); }

void TitlePositionDialog::repaint_panel() {
  AppState& app = app_state();
  const TitleMarkerMove move = move_title_marker(app.ui, app.record, app.ui.current_channel);
  PanelPainter painter(dialog_, IDC_TPOS_PREVIEW);
  painter.blank_out(move.erase_at, title_marker_blank, move.marker);
  painter.draw_utf8(move.draw_at, move.marker);
}

void show_channel(HWND dialog) {
  const DeviceSettings& r = app_state().record;
  const int ch = dialog_channel_now();
  select_combo_entry(dialog, IDC_TPOS_CHANNEL, ch);
  select_combo_entry(dialog, IDC_TPOS_X, r.title_pos_x[ch]);
  select_combo_entry(dialog, IDC_TPOS_Y, r.title_pos_y[ch]);
}

void on_init(HWND dialog) {
  auto* state = attach_dialog_state(dialog, new TitlePositionDialog(dialog));
  init_slave_address_combo(dialog);
  for (int column = 0; column < title_column_count; ++column)
    insert_combo_entry(dialog, IDC_TPOS_X, column, dec2_text(column).c_str());
  for (int row = 0; row < title_row_count; ++row)
    insert_combo_entry(dialog, IDC_TPOS_Y, row, title_row_entry(row).c_str());
  for (int ch = 0; ch < channel_count; ++ch) insert_combo_entry(dialog, IDC_TPOS_CHANNEL, ch, channel_entries[ch]);

  show_channel(dialog);
  state->repaint_panel();
  apply_caption_rule(dialog, "タイトル位置 ");
  state->repaint.schedule(opening_delay_ms);
}

void on_channel(HWND dialog, TitlePositionDialog& state) {
  const int selection = combo_selection(dialog, IDC_TPOS_CHANNEL);
  if (selection >= 0) app_state().ui.current_channel = selection;
  show_channel(dialog);
  state.repaint_panel();
}

void on_position(HWND dialog, TitlePositionDialog& state, int combo_id, Value (&field)[channel_count]) {
  store_combo_selection(dialog, combo_id, field[dialog_channel_now()]);
  state.repaint_panel();
}

BOOL on_command(HWND dialog, TitlePositionDialog& state, int id, int code) {
  DeviceSettings& r = app_state().record;
  Operations& ops = operations();
  const int ch = app_state().ui.current_channel;
  const bool selected = code == CBN_SELCHANGE;
  switch (id) {
    case IDC_TPOS_CHANNEL: if (selected) on_channel(dialog, state); break;
    case IDC_TPOS_X: if (selected) on_position(dialog, state, id, r.title_pos_x); break;
    case IDC_TPOS_Y: if (selected) on_position(dialog, state, id, r.title_pos_y); break;
    case IDC_TPOS_X_SET: ops.send_title_pos_x(ch); break;
    case IDC_TPOS_Y_SET: ops.send_title_pos_y(ch); break;
    case IDC_TPOS_X_SET_ALL: ops.send_title_pos_x_all(); break;
    case IDC_TPOS_Y_SET_ALL: ops.send_title_pos_y_all(); break;
    default: return FALSE;  // id 1 (Enter) included: this dialog ends only on Cancel
  }
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK title_position_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return painted_dialog_message<TitlePositionDialog>(dialog, message, wparam, on_init, on_command, EnterKey::stays);
}

}  // namespace zanteq::win32
