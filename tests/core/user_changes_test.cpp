// A user's edit in a settings dialog marks the settings as modified only
// when it changes what the settings file would save.
#include <gtest/gtest.h>

#include "core/dialogs/user_changes.h"

namespace zanteq {
namespace {

class UserChanges : public ::testing::Test {
 protected:
  UserChanges() { reset_settings(app); }
  AppState app;
};

TEST_F(UserChanges, ANewSelectionIsStoredAndMarksTheSettings) {
  EXPECT_TRUE(apply_user_choice(app, app.record.alarm_mode, 1));
  EXPECT_EQ(app.record.alarm_mode, 1);
  EXPECT_EQ(app.data_modified, 1);
}

TEST_F(UserChanges, ChoosingTheValueAlreadyHeldLeavesTheMarkAlone) {
  // alarm_display defaults to ON (1).
  EXPECT_FALSE(apply_user_choice(app, app.record.alarm_display, 1));
  EXPECT_EQ(app.data_modified, 0);

  // A mark set earlier stays set.
  app.data_modified = 1;
  EXPECT_FALSE(apply_user_choice(app, app.record.alarm_display, 1));
  EXPECT_EQ(app.data_modified, 1);
}

TEST_F(UserChanges, NoSelectionKeepsTheFieldAndTheMark) {
  app.record.border_line = 2;
  EXPECT_FALSE(apply_user_choice(app, app.record.border_line, -1));
  EXPECT_EQ(app.record.border_line, 2);
  EXPECT_EQ(app.data_modified, 0);
}

TEST_F(UserChanges, PerChannelFieldsAreMarkedOneByOne) {
  // The video format's all-channel choice writes four fields; only those
  // that differ count.
  app.record.video_format[2] = 6;
  int changed = 0;
  for (Value& format : app.record.video_format) changed += apply_user_choice(app, format, 6);
  EXPECT_EQ(changed, 3);
  EXPECT_EQ(app.data_modified, 1);
}

TEST_F(UserChanges, HoldTimeSetBackFromTheRecordIsNoChange) {
  // The dialog sets the edit to the stored "030" when it opens; the edit's
  // change notification then hands back the same text.
  EXPECT_FALSE(apply_user_hold_time(app, app.record.alarm_hold_time.str()));
  EXPECT_EQ(app.data_modified, 0);
  EXPECT_EQ(app.record.alarm_hold_time.str(), "030");
}

TEST_F(UserChanges, TypedHoldTimeIsStoredAsTypedAndMarks) {
  EXPECT_TRUE(apply_user_hold_time(app, "3"));
  EXPECT_EQ(app.record.alarm_hold_time.str(), "3");
  EXPECT_EQ(app.data_modified, 1);

  // Emptying the edit is a change as well; sending it is refused later.
  app.data_modified = 0;
  EXPECT_TRUE(apply_user_hold_time(app, ""));
  EXPECT_EQ(app.record.alarm_hold_time.str(), "");
  EXPECT_EQ(app.data_modified, 1);
}

TEST_F(UserChanges, HoldTimeKeepsThreeBytesAndWholeCharacters) {
  EXPECT_TRUE(apply_user_hold_time(app, "1234"));
  EXPECT_EQ(app.record.alarm_hold_time.str(), "123");

  // "1" and full-width "２" (0x82 0x51) fit; the next full-width digit
  // would be cut in half, so it is dropped whole.
  EXPECT_TRUE(apply_user_hold_time(app, "1\x82\x51\x82\x52"));
  EXPECT_EQ(app.record.alarm_hold_time.str(), "1\x82\x51");

  EXPECT_TRUE(apply_user_hold_time(app, "12\x82\x51"));
  EXPECT_EQ(app.record.alarm_hold_time.str(), "12");

  // A lone lead byte at the end is no character either.
  EXPECT_TRUE(apply_user_hold_time(app, "7\x82"));
  EXPECT_EQ(app.record.alarm_hold_time.str(), "7");
}

TEST_F(UserChanges, AllChannelVideoFormatWritesEveryChannelAndIsKept) {
  app.record.video_format[2] = 4;
  EXPECT_TRUE(apply_video_format_all(app, 4));
  EXPECT_EQ(app.ui.video_format_all, 4);
  for (int ch = 0; ch < channel_count; ++ch) EXPECT_EQ(app.record.video_format[ch], 4) << ch;
  EXPECT_EQ(app.data_modified, 1);

  // The same choice again changes no channel: the mark stays clear.
  app.data_modified = 0;
  EXPECT_TRUE(apply_video_format_all(app, 4));
  EXPECT_EQ(app.data_modified, 0);

  // No selection keeps the choice, the channels and the mark.
  EXPECT_FALSE(apply_video_format_all(app, -1));
  EXPECT_EQ(app.ui.video_format_all, 4);
  EXPECT_EQ(app.record.video_format[0], 4);
  EXPECT_EQ(app.data_modified, 0);

  // The choice outlives New (it is not a setting).
  reset_settings(app);
  EXPECT_EQ(app.ui.video_format_all, 4);
}

TEST_F(UserChanges, AllEntriesDwellWritesTheFiveTimesButNotItsOwnCombo) {
  app.record.auto_switch_dwell[4] = 7;
  EXPECT_TRUE(apply_all_dwell(app, 7));
  for (int k = 0; k < dwell_count; ++k) EXPECT_EQ(app.record.auto_switch_dwell[k], 7) << k;
  EXPECT_EQ(app.ui.auto_switch_all_dwell, 3);
  EXPECT_EQ(app.data_modified, 1);

  app.data_modified = 0;
  EXPECT_FALSE(apply_all_dwell(app, 7));
  EXPECT_FALSE(apply_all_dwell(app, -1));
  EXPECT_EQ(app.record.auto_switch_dwell[0], 7);
  EXPECT_EQ(app.data_modified, 0);
}

TEST_F(UserChanges, AutoSwitchEntryOutsideTheFiveBecomesTheFirst) {
  for (int entry : {0, 3, 4}) {
    app.ui.auto_switch_channel = entry;
    EXPECT_EQ(auto_switch_entry(app.ui), entry);
  }
  for (int stale : {5, -1, 1000}) {
    app.ui.auto_switch_channel = stale;
    EXPECT_EQ(auto_switch_entry(app.ui), 0) << stale;
    EXPECT_EQ(app.ui.auto_switch_channel, 0) << stale;
  }
}

}  // namespace
}  // namespace zanteq
