// The video loss dialog (template 134): detection per channel, background
// colour of a lost channel, the video-loss signal output and the on-screen
// video-loss display, each with its 設定 button.
#include "win32/app/app.h"
#include "win32/dialogs/dialogs.h"
#include "win32/dialogs/feature_dialog.h"
#include "win32/resources/resource.h"
#include "core/dialogs/combo_entries.h"

namespace zanteq::win32 {

namespace {

constexpr int detect_combos[channel_count] = {IDC_VLOSS_CH1, IDC_VLOSS_CH2, IDC_VLOSS_CH3,
                                              IDC_VLOSS_CH4};
constexpr int detect_buttons[channel_count] = {IDC_VLOSS_CH1_SET, IDC_VLOSS_CH2_SET,
                                               IDC_VLOSS_CH3_SET, IDC_VLOSS_CH4_SET};

void on_init(HWND dialog) {
  const DeviceSettings& r = app_state().record;
  init_slave_address_combo(dialog);
  for (int combo : detect_combos) insert_combo_entries(dialog, combo, off_on_entries);
  insert_combo_entries(dialog, IDC_VLOSS_SIGNAL_OUTPUT, off_on_entries);
  insert_combo_entries(dialog, IDC_VLOSS_BACKGROUND, video_loss_background_entries);
  insert_combo_entries(dialog, IDC_VLOSS_DISPLAY, off_on_entries);

  for (int channel = 0; channel < channel_count; ++channel)
    select_combo_entry(dialog, detect_combos[channel], r.video_loss_detect[channel]);
  select_combo_entry(dialog, IDC_VLOSS_SIGNAL_OUTPUT, r.video_loss_signal_output);
  select_combo_entry(dialog, IDC_VLOSS_BACKGROUND, r.video_loss_background);
  select_combo_entry(dialog, IDC_VLOSS_DISPLAY, r.video_loss_display);

  apply_caption_rule(dialog, "ビデオロス ");
}

BOOL on_command(HWND dialog, int id, int code) {
  DeviceSettings& r = app_state().record;
  Operations& ops = operations();
  if (const int channel = index_of_control(detect_combos, id); channel >= 0) {
    store_on_selchange(dialog, id, code, r.video_loss_detect[channel]);
    return TRUE;
  }
  if (const int channel = index_of_control(detect_buttons, id); channel >= 0) {
    ops.send_video_loss_channel(channel);
    return TRUE;
  }
  switch (id) {
    case IDC_VLOSS_BACKGROUND: store_on_selchange(dialog, id, code, r.video_loss_background); break;
    case IDC_VLOSS_SIGNAL_OUTPUT:
      store_on_selchange(dialog, id, code, r.video_loss_signal_output);
      break;
    case IDC_VLOSS_DISPLAY: store_on_selchange(dialog, id, code, r.video_loss_display); break;
    case IDC_VLOSS_BACKGROUND_SET: ops.send_video_loss_background(); break;
    case IDC_VLOSS_SIGNAL_OUTPUT_SET: ops.send_video_loss_signal_output(); break;
    case IDC_VLOSS_DISPLAY_SET: ops.send_video_loss_display(); break;
    default: return FALSE;
  }
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK video_loss_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return settings_dialog_message(dialog, message, wparam, on_init, on_command, EnterKey::closes);
}

}  // namespace zanteq::win32
