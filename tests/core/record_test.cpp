// The factory defaults and what a reset leaves alone.
#include <gtest/gtest.h>

#include <cstring>

#include "core/settings/record.h"
#include "core/settings/settings_file.h"

namespace zanteq {
namespace {

TEST(ResetSettings, GivesTheFactoryRecord) {
  AppState app;
  reset_settings(app);
  const DeviceSettings& r = app.record;
  for (int ch = 0; ch < channel_count; ++ch) {
    EXPECT_EQ(r.agc[ch], 1);
    EXPECT_EQ(r.video_loss_detect[ch], 1);
    EXPECT_EQ(r.brightness[ch], 64);
    EXPECT_EQ(r.contrast[ch], 64);
    EXPECT_EQ(r.saturation[ch], 80);
    EXPECT_EQ(r.title_pos_x[ch], 11);
    EXPECT_EQ(r.title_pos_y[ch], 13);
    EXPECT_EQ(r.title[ch].str(), default_titles[ch]);
    EXPECT_EQ(r.title[ch].str().size(), title_bytes);
  }
  EXPECT_EQ(r.split2_channels[0], 0);
  EXPECT_EQ(r.split2_channels[1], 1);
  EXPECT_EQ(r.power_on_screen, 4);
  EXPECT_EQ(r.alarm_hold_time.str(), "030");
  EXPECT_EQ(r.osd_size_single, 1);
  EXPECT_EQ(r.osd_size_split, 0);
  EXPECT_EQ(r.osd_offset_h, 8);
  EXPECT_EQ(r.osd_offset_v, 8);
  for (int k = 0; k < dwell_count; ++k) EXPECT_EQ(r.auto_switch_dwell[k], 3);
  // ch.01's title: three full-width spaces, then full-width C, H, 0, 1.
  EXPECT_EQ(std::memcmp(default_titles[0], "\x81\x40\x81\x40\x81\x40\x82\x62\x82\x67\x82\x4F\x82\x50", 14), 0);
}

TEST(ResetSettings, RestoresLinkAndDialogValuesButKeepsTheChoicesOfTheRun) {
  AppState app;
  app.link.slave_address = 7;
  app.link.rs_control = 1;
  app.link.receiving = 1;
  app.link.sequence_step = 9;
  app.link.reply_pending = 1;
  app.link.success_pending = 1;
  app.iface.com_port = 3;
  app.iface.select_number = -1;
  app.file_name = "C:\\set1.dat";
  app.data_modified = 1;
  app.ui.button_lock = 1;
  app.ui.video_format_all = 5;
  app.ui.current_channel = 5;
  app.ui.auto_switch_all_dwell = 9;
  app.ui.title_marker_x = 0;
  app.record.brightness[2] = 3;

  reset_settings(app);

  EXPECT_EQ(app.record.brightness[2], 64);
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_EQ(app.link.reply_pending, 0);
  EXPECT_EQ(app.link.success_pending, 0);
  EXPECT_EQ(app.data_modified, 0);
  EXPECT_EQ(app.ui.current_channel, 0);
  EXPECT_EQ(app.ui.auto_switch_all_dwell, 3);
  EXPECT_EQ(app.ui.title_marker_x, 11);

  EXPECT_EQ(app.link.slave_address, 7);
  EXPECT_EQ(app.link.rs_control, 1);
  EXPECT_EQ(app.link.receiving, 1) << "New must not stop the receiving thread";
  EXPECT_EQ(app.iface.com_port, 3);
  EXPECT_EQ(app.iface.select_number, -1);
  EXPECT_EQ(app.file_name, "C:\\set1.dat");
  EXPECT_EQ(app.ui.button_lock, 1);
  EXPECT_EQ(app.ui.video_format_all, 5);
}

TEST(ResetSettings, ReachesEveryFieldOfADirtyRecord) {
  AppState fresh;
  reset_settings(fresh);
  AppState app;
  // Every numeric field 77, hold time and titles replaced.
  std::string dirty;
  for (int line = 1; line <= 72; ++line) dirty += (line == 3 ? "999" : line >= 62 && line <= 65 ? "old" : "77") + std::string("\n");
  ASSERT_EQ(read_settings_file(app.record, dirty), std::nullopt);
  reset_settings(app);
  EXPECT_EQ(format_settings_file(app.record), format_settings_file(fresh.record));
}

TEST(ResetSettings, ClearsEveryLinkAndDialogStartValue) {
  AppState app;
  app.link.reply_wait_ticks = 20;
  app.link.sequence_abort = 1;
  app.ui.corner_clicks = 2;
  app.ui.repaint_pending = 1;
  app.ui.auto_switch_channel = 4;
  app.ui.title_marker_y = 2;
  std::strcpy(app.unit_names.entries[3].name, "kept");
  reset_settings(app);
  EXPECT_EQ(app.link.reply_wait_ticks, 0);
  EXPECT_EQ(app.link.sequence_abort, 0);
  EXPECT_EQ(app.ui.corner_clicks, 0);
  EXPECT_EQ(app.ui.repaint_pending, 0);
  EXPECT_EQ(app.ui.auto_switch_channel, 0);
  EXPECT_EQ(app.ui.title_marker_y, 13);
  EXPECT_STREQ(app.unit_names.entries[3].name, "kept") << "the unit name table is not the reset's";
}

TEST(UnitNameTable, ClearedTableHasOnlyEntryZeroInUseAndEveryNameEmpty) {
  AppState app;
  std::strcpy(app.unit_names.entries[5].name, "old");
  app.unit_names.entries[5].in_use = 1;
  clear_unit_name_table(app.unit_names);
  EXPECT_EQ(app.unit_names.entries[0].in_use, 1);
  EXPECT_EQ(app.unit_names.entries[5].in_use, 0);
  for (int i = 0; i < unit_name_count; ++i) EXPECT_STREQ(unit_name(app.unit_names, i), "");
  EXPECT_STREQ(unit_name(app.unit_names, -1), "");
  EXPECT_STREQ(unit_name(app.unit_names, 97), "") << "outside the table must not index it";
}

TEST(GuardedText, NeverStoresMoreThanItsCapacity) {
  HoldTimeText hold;
  hold.set("12345");
  EXPECT_EQ(hold.str(), "123");
  TitleText title;
  title.set(std::string(40, 'x'));
  EXPECT_EQ(title.str().size(), title_slot - 1);
  auto slot = title.get();
  EXPECT_EQ(slot[title_slot - 1], '\0');
}

}  // namespace
}  // namespace zanteq
