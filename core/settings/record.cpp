// Factory defaults of the settings record and the reset of the values that
// travel with it.
#include "core/settings/record.h"

#include <cstring>

namespace zanteq {

// "　　　ＣＨ０n　　　" in code page 932: 0x8140 is the full-width space,
// 0x8262 0x8267 are Ｃ Ｈ, 0x824F..0x8253 the full-width digits ０..４.
const char* const default_titles[channel_count] = {
    "\x81\x40\x81\x40\x81\x40\x82\x62\x82\x67\x82\x4F\x82\x50\x81\x40\x81\x40\x81\x40",
    "\x81\x40\x81\x40\x81\x40\x82\x62\x82\x67\x82\x4F\x82\x51\x81\x40\x81\x40\x81\x40",
    "\x81\x40\x81\x40\x81\x40\x82\x62\x82\x67\x82\x4F\x82\x52\x81\x40\x81\x40\x81\x40",
    "\x81\x40\x81\x40\x81\x40\x82\x62\x82\x67\x82\x4F\x82\x53\x81\x40\x81\x40\x81\x40",
};

namespace {

template <std::size_t N>
void fill(Value (&values)[N], int value) {
  for (Value& v : values) v = value;
}

}  // namespace

void reset_record(DeviceSettings& r) {
  r.alarm_mode = 0;
  r.alarm_polarity = 0;
  r.alarm_hold_time.set("030");
  r.alarm_return = 1;
  r.alarm_display = 1;
  fill(r.video_loss_detect, 1);
  r.video_loss_display = 1;
  r.video_loss_signal_output = 0;
  r.video_loss_background = 0;
  r.clock_display = 1;
  r.clock_display_range = 0;
  r.title_display_single = 1;
  r.title_display_split = 1;
  r.osd_size_single = 1;
  r.osd_size_split = 0;
  fill(r.title_pos_x, 11);
  fill(r.title_pos_y, 13);
  fill(r.auto_switch_dwell, 3);
  fill(r.brightness, 64);
  fill(r.contrast, 64);
  fill(r.sharpness, 0);
  fill(r.hue, 0);
  fill(r.saturation, 80);
  r.connector_input = 0;
  r.border_line = 0;
  r.power_on_screen = 4;
  r.split_mode = 0;
  fill(r.video_format, 0);
  r.osd_offset_h = 8;
  r.osd_offset_v = 8;
  for (int ch = 0; ch < channel_count; ++ch) r.title[ch].set(default_titles[ch]);
  r.split2_channels[0] = 0;
  r.split2_channels[1] = 1;
  r.ntsc_aspect = 0;
  fill(r.agc, 1);
}

void reset_settings(AppState& app) {
  reset_record(app.record);

  app.link.reply_pending = 0;
  app.link.reply_wait_ticks = 0;
  app.link.success_pending = 0;
  app.link.sequence_step = 0;
  app.link.sequence_abort = 0;
  app.data_modified = 0;

  app.ui.corner_clicks = 0;
  app.ui.repaint_pending = 0;
  app.ui.current_channel = 0;
  app.ui.auto_switch_channel = 0;
  app.ui.auto_switch_all_dwell = 3;
  app.ui.title_marker_x = 11;
  app.ui.title_marker_y = 13;
}

void clear_unit_name_table(UnitNameTable& table) {
  for (UnitName& entry : table.entries) entry = UnitName{};
  table.entries[0].in_use = 1;
}

const char* unit_name(const UnitNameTable& table, int select_number) {
  if (select_number < 0 || select_number >= unit_name_count) return "";
  return table.entries[select_number].name;
}

}  // namespace zanteq
