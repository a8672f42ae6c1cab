// The auto gain control dialog (template 150): AGC on or off per channel,
// each channel with its 設定 button.
#include "win32/app/app.h"
#include "win32/dialogs/dialogs.h"
#include "win32/dialogs/feature_dialog.h"
#include "win32/resources/resource.h"
#include "core/dialogs/combo_entries.h"

namespace zanteq::win32 {

namespace {

constexpr int agc_combos[channel_count] = {IDC_AGC_CH1, IDC_AGC_CH2, IDC_AGC_CH3, IDC_AGC_CH4};
// Channel 2's button is 1141, out of the channel order.
constexpr int agc_buttons[channel_count] = {IDC_AGC_CH1_SET, IDC_AGC_CH2_SET, IDC_AGC_CH3_SET,
                                            IDC_AGC_CH4_SET};

void on_init(HWND dialog) {
  const DeviceSettings& r = app_state().record;
  init_slave_address_combo(dialog);
  for (int combo : agc_combos) insert_combo_entries(dialog, combo, off_on_entries);
  for (int channel = 0; channel < channel_count; ++channel)
    select_combo_entry(dialog, agc_combos[channel], r.agc[channel]);
  apply_caption_rule(dialog, "オート・ゲイン・コントロール ");
}

BOOL on_command(HWND dialog, int id, int code) {
  if (const int channel = index_of_control(agc_combos, id); channel >= 0) {
    store_on_selchange(dialog, id, code, app_state().record.agc[channel]);
    return TRUE;
  }
  if (const int channel = index_of_control(agc_buttons, id); channel >= 0) {
    operations().send_agc_channel(channel);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK agc_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return settings_dialog_message(dialog, message, wparam, on_init, on_command, EnterKey::closes);
}

}  // namespace zanteq::win32
