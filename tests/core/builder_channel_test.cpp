// Per-channel commands of the video adjustment, title position and display
// channel dialogs, and the two-way split check.
#include <gtest/gtest.h>

#include <cctype>

#include "tests/core/builder_fixture.h"
#include "core/dialogs/command_fields.h"
#include "core/dialogs/display_channel.h"
#include "core/dialogs/title_position.h"
#include "core/dialogs/video_adjust.h"

namespace zanteq {
namespace {

using testing::Box;
using testing::OperationsTest;

using VideoAdjustCommands = OperationsTest;

TEST_F(VideoAdjustCommands, BrightnessIsShiftedByHalfItsRange) {
  struct { int index; const char* digits; } cases[] = {
      {0, "064"}, {63, "127"}, {64, "000"}, {127, "063"}, {69, "005"},
  };
  for (const auto& c : cases) {
    app.record.brightness[0] = c.index;
    EXPECT_EQ(build_brightness(app.record, 0), std::string("VAB01") + c.digits + "\r\n")
        << c.index;
  }
  app.record.brightness[1] = 63;  // -1 on ch.02
  ops.send_brightness(1);
  EXPECT_EQ(one_sent(), "VAB02127\r\n");
}

TEST(BrightnessWireValue, AnyStoredValueGivesAValidUnitNumber) {
  EXPECT_EQ(brightness_wire_value(-1), 63);    // (-1 + 64) mod 128
  EXPECT_EQ(brightness_wire_value(-64), 0);
  EXPECT_EQ(brightness_wire_value(-65), 127);
  EXPECT_EQ(brightness_wire_value(128), 64);
  EXPECT_EQ(brightness_wire_value(200), 8);
  for (int v : {INT32_MIN, INT32_MIN + 1, INT32_MAX, INT32_MAX - 63, -129, 255}) {
    const int w = brightness_wire_value(v);
    EXPECT_GE(w, 0) << v;
    EXPECT_LT(w, 128) << v;
    EXPECT_EQ(((static_cast<long long>(v) + 64) % 128 + 128) % 128, w) << v;
  }
}

TEST_F(VideoAdjustCommands, OtherPictureValuesAndTheirChannelDigit) {
  EXPECT_EQ(build_contrast(app.record, 0), "VAC01064\r\n");
  EXPECT_EQ(build_hue(app.record, 1), "VAH02000\r\n");
  EXPECT_EQ(build_sharpness(app.record, 2), "VASH0300\r\n");
  EXPECT_EQ(build_saturation(app.record, 3), "VASA04080\r\n");
  app.record.sharpness[3] = 7;
  app.record.hue[0] = 255;
  app.record.contrast[2] = 127;
  ops.send_sharpness(3);
  ops.send_hue(0);
  ops.send_contrast(2);
  EXPECT_EQ(take_sent(),
            (std::vector<std::string>{"VASH0407\r\n", "VAH01255\r\n", "VAC03127\r\n"}));
}

TEST_F(VideoAdjustCommands, HandEditedValuesNeverLeaveTheirDigitFields) {
  for (int ch = 0; ch < channel_count; ++ch) {
    app.record.brightness[ch] = -500;
    app.record.contrast[ch] = -1;
    app.record.hue[ch] = 5000;
    app.record.sharpness[ch] = 1000;
    app.record.saturation[ch] = INT32_MIN;
  }
  for (int ch = 0; ch < channel_count; ++ch) {
    for (const std::string& line :
         {build_brightness(app.record, ch), build_contrast(app.record, ch),
          build_hue(app.record, ch), build_sharpness(app.record, ch),
          build_saturation(app.record, ch)}) {
      SCOPED_TRACE(line);
      ASSERT_GE(line.size(), 4u);
      EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
      // Everything between the letters and CR LF is digits.
      std::size_t first_digit = line.find_first_of("0123456789");
      for (std::size_t i = first_digit; i + 2 < line.size(); ++i)
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(line[i]))) << line;
    }
  }
  EXPECT_EQ(build_contrast(app.record, 0), "VAC01000\r\n");
  EXPECT_EQ(build_hue(app.record, 0), "VAH01999\r\n");
  EXPECT_EQ(build_sharpness(app.record, 0), "VASH0199\r\n");
  EXPECT_EQ(build_brightness(app.record, 0).size(), 10u);
}

TEST_F(VideoAdjustCommands, ChannelOutsideTheFourIsTakenAsChannelOne) {
  app.record.contrast[0] = 5;
  EXPECT_EQ(build_contrast(app.record, 4), "VAC01005\r\n");
  EXPECT_EQ(build_contrast(app.record, 5), "VAC01005\r\n");
  EXPECT_EQ(build_contrast(app.record, -1), "VAC01005\r\n");
  EXPECT_EQ(dialog_channel(3), 3);
  EXPECT_EQ(dialog_channel(4), 0);
}

using TitlePositionCommands = OperationsTest;

TEST_F(TitlePositionCommands, OneChannelOrAllFour) {
  ops.send_title_pos_x(1);
  ops.send_title_pos_y_all();
  app.record.title_pos_y[0] = 0;
  ops.send_title_pos_y(0);
  app.record.title_pos_x[2] = 0;
  app.record.title_pos_x[3] = 22;
  ops.send_title_pos_x_all();
  EXPECT_EQ(take_sent(), (std::vector<std::string>{"CTPX0211\r\n", "CTPY13131313\r\n",
                                                   "CTPY0100\r\n", "CTPX11110022\r\n"}));
}

using DisplayChannelCommands = OperationsTest;

TEST_F(DisplayChannelCommands, ScreenChoice) {
  const char* expected[] = {"CS01\r\n", "CS02\r\n", "CS03\r\n", "CS04\r\n", "CD\r\n", "CCAS\r\n"};
  for (int v = 0; v < 6; ++v) {
    app.ui.current_channel = v;
    ops.send_screen();
    EXPECT_EQ(one_sent(), expected[v]);
  }
  EXPECT_EQ(build_screen(-1), "CS01\r\n");
  EXPECT_EQ(build_screen(6), "CS01\r\n");
}

TEST_F(DisplayChannelCommands, SplitMode) {
  ops.send_split_mode();
  app.record.split_mode = 1;
  ops.send_split_mode();
  EXPECT_EQ(take_sent(), (std::vector<std::string>{"DSS2\r\n", "DSS4\r\n"}));
}

TEST_F(DisplayChannelCommands, ArrangementInBothForms) {
  EXPECT_TRUE(ops.send_split2_channels_checked(false));
  EXPECT_TRUE(ops.send_split2_channels_checked(true));
  app.record.split2_channels[0] = 3;
  app.record.split2_channels[1] = 0;
  EXPECT_TRUE(ops.send_split2_channels_checked(false));
  // Values of a hand-edited file, clamped to the field without overflowing.
  app.record.split2_channels[0] = INT32_MAX;
  app.record.split2_channels[1] = INT32_MIN;
  EXPECT_TRUE(ops.send_split2_channels_checked(false));
  app.record.split2_channels[0] = 98;
  app.record.split2_channels[1] = -1;
  EXPECT_TRUE(ops.send_split2_channels_checked(false));
  EXPECT_EQ(take_sent(), (std::vector<std::string>{"SPD20102\r\n", "SPD2N0102\r\n", "SPD20401\r\n",
                                                   "SPD29900\r\n", "SPD29900\r\n"}));
  EXPECT_TRUE(reporter.boxes.empty());
}

TEST_F(DisplayChannelCommands, SameChannelOnBothHalvesIsRefusedByBothButtons) {
  app.record.split2_channels[0] = 2;
  app.record.split2_channels[1] = 2;
  EXPECT_FALSE(ops.send_split2_channels_checked(false));
  EXPECT_FALSE(ops.send_split2_channels_checked(true));
  EXPECT_TRUE(take_sent().empty());
  // U+FF64 HALFWIDTH IDEOGRAPHIC COMMA, then U+FF01 FULLWIDTH EXCLAMATION MARK.
  const char* message = "同じチャンネルは\xEF\xBD\xA4設定できません\xEF\xBC\x81";
  ASSERT_EQ(reporter.boxes.size(), 2u);
  EXPECT_EQ(reporter.boxes[0], (Box{Box::error, message}));
  EXPECT_EQ(reporter.boxes[1], (Box{Box::error, message}));
  EXPECT_STREQ(split2_refusal(app.record), message);
  EXPECT_EQ(app.record.split2_channels[0], 2) << "the record keeps the pair";

  // The set-all step sends the pair unchecked.
  ops.send_split2_channels();
  EXPECT_EQ(one_sent(), "SPD20303\r\n");
}

}  // namespace
}  // namespace zanteq
