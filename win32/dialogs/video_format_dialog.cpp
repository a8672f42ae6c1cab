// The video format dialog (template 148): the camera signal of each input,
// sent per channel, and one format copied to all four channels (同設定)
// with the all-channel 全設定 button.
//
// The 同設定 choice (video_format_all) lives for the run only and is not
// saved; the per-channel formats it writes are record fields.
#include "win32/app/app.h"
#include "core/dialogs/combo_entries.h"
#include "core/dialogs/user_changes.h"
#include "win32/dialogs/dialogs.h"
#include "win32/dialogs/feature_dialog.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

namespace {

constexpr int format_combos[channel_count] = {IDC_VFMT_CH1, IDC_VFMT_CH2, IDC_VFMT_CH3,
                                              IDC_VFMT_CH4};
// Channel 3's and 4's combos and buttons are out of the id order.
constexpr int format_buttons[channel_count] = {IDC_VFMT_CH1_SET, IDC_VFMT_CH2_SET,
                                               IDC_VFMT_CH3_SET, IDC_VFMT_CH4_SET};

void fill_format_combo(HWND dialog, int combo_id) {
  insert_combo_entries(dialog, combo_id, video_format_entries);
}

void on_init(HWND dialog) {
  const AppState& app = app_state();
  init_slave_address_combo(dialog);
  for (int combo : format_combos) fill_format_combo(dialog, combo);
  fill_format_combo(dialog, IDC_VFMT_ALL);
  for (int channel = 0; channel < channel_count; ++channel)
    select_combo_entry(dialog, format_combos[channel], app.record.video_format[channel]);
  select_combo_entry(dialog, IDC_VFMT_ALL, app.ui.video_format_all);
  apply_caption_rule(dialog, "ビデオフォーマット ");
}

// 同設定: the choice is kept for the next opening and becomes every
// channel's format at once; nothing is sent.
void on_all_channels(HWND dialog, int code) {
  if (code != CBN_SELCHANGE) return;
  const int format = combo_selection(dialog, IDC_VFMT_ALL);
  if (!apply_video_format_all(app_state(), format)) return;
  for (int combo : format_combos) select_combo_entry(dialog, combo, format);
}

BOOL on_command(HWND dialog, int id, int code) {
  if (const int channel = index_of_control(format_combos, id); channel >= 0) {
    store_on_selchange(dialog, id, code, app_state().record.video_format[channel]);
    return TRUE;
  }
  if (const int channel = index_of_control(format_buttons, id); channel >= 0) {
    operations().send_video_format(channel);
    return TRUE;
  }
  switch (id) {
    case IDC_VFMT_ALL: on_all_channels(dialog, code); break;
    case IDC_VFMT_ALL_SET: operations().send_video_format_all(); break;
    default: return FALSE;
  }
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK video_format_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return settings_dialog_message(dialog, message, wparam, on_init, on_command, EnterKey::closes);
}

}  // namespace zanteq::win32
