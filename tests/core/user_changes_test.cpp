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

}  // namespace
}  // namespace zanteq
