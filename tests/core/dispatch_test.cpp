// Reply dispatch: status lines, RS-485 addresses, the sequence flags and
// the order in which prefixes are tried.
#include <gtest/gtest.h>

#include <string>

#include "tests/core/fakes.h"
#include "core/link/dispatch.h"
#include "core/settings/settings_file.h"

namespace zanteq {
namespace {

using testing::Box;
using testing::RecordingReporter;

class DispatchReply : public ::testing::Test {
 protected:
  void SetUp() override { reset_settings(app); }
  void dispatch(std::string_view line) { dispatch_reply(app.link, app.record, reporter, line); }

  AppState app;
  RecordingReporter reporter;
};

TEST_F(DispatchReply, AnyLineEndsTheWait) {
  for (const char* line : {"GO\r\n", "nonsense\r\n", "\r\n", ""}) {
    app.link.reply_pending = 1;
    app.link.reply_wait_ticks = 12;
    dispatch(line);
    EXPECT_EQ(app.link.reply_pending, 0) << line;
    EXPECT_EQ(app.link.reply_wait_ticks, 0) << line;
  }
}

TEST_F(DispatchReply, GoRaisesSuccessOnlyOutsideASequence) {
  dispatch("GO\r\n");
  EXPECT_EQ(app.link.success_pending, 1);
  EXPECT_TRUE(reporter.boxes.empty()) << "Success is shown by the next tick, not here";

  app.link.success_pending = 0;
  app.link.sequence_step = 3;
  dispatch("GO\r\n");
  EXPECT_EQ(app.link.success_pending, 0);
}

TEST_F(DispatchReply, ErrorRepliesShowTheirBoxAndAbortTheSequence) {
  const std::pair<const char*, const char*> cases[] = {
      {"MENU\r\n", "Menu Display"},   {"E0\r\n", "Framing Error"}, {"E1\r\n", "Parity Error"},
      {"E2\r\n", "Over Run Error"},   {"E3\r\n", "Command Error"},
  };
  for (int step : {0, 4}) {
    for (const auto& [line, message] : cases) {
      SCOPED_TRACE(line);
      reporter.boxes.clear();
      app.link.sequence_step = step;
      int abort_while_shown = -1;
      reporter.while_open = [&] { abort_while_shown = app.link.sequence_abort; };
      dispatch(line);
      EXPECT_EQ(reporter.boxes, (std::vector<Box>{{Box::error, message}}));
      EXPECT_EQ(app.link.sequence_abort, 1);
      EXPECT_EQ(abort_while_shown, 1) << "the sequence must see the abort while the box is open";
    }
  }
}

TEST_F(DispatchReply, ModeErrorOnlyOutsideASequenceAndNeverAnAbort) {
  dispatch("GN\r\n");
  EXPECT_EQ(reporter.boxes, (std::vector<Box>{{Box::error, "Mode Error"}}));
  EXPECT_EQ(app.link.sequence_abort, 0);

  reporter.boxes.clear();
  app.link.sequence_step = 2;
  dispatch("GN\r\n");
  EXPECT_TRUE(reporter.boxes.empty());
  EXPECT_EQ(app.link.sequence_abort, 0);
}

TEST_F(DispatchReply, EveryLineClearsAnEarlierAbort) {
  dispatch("E3\r\n");
  ASSERT_EQ(app.link.sequence_abort, 1);
  dispatch("VAB01064\r\n");
  EXPECT_EQ(app.link.sequence_abort, 0);
  dispatch("MENU\r\n");
  dispatch("garbage\r\n");
  EXPECT_EQ(app.link.sequence_abort, 0);
}

TEST_F(DispatchReply, UnknownAndNearMissLinesAreIgnored) {
  for (const char* line : {"E4\r\n", "E9\r\n", "GO\r\nGO\r\n", "GO\n", "GO", "go\r\n", "MENU",
                           "E0\r\nx", " GO\r\n", "XYZ\r\n"}) {
    SCOPED_TRACE(line);
    const std::string before = format_settings_file(app.record);
    dispatch(line);
    EXPECT_TRUE(reporter.boxes.empty());
    EXPECT_EQ(app.link.success_pending, 0);
    EXPECT_EQ(app.link.sequence_abort, 0);
    EXPECT_EQ(format_settings_file(app.record), before);
  }
}

TEST_F(DispatchReply, Rs485DropsTheTwoAddressCharacters) {
  app.link.rs_control = 1;
  dispatch("05GO\r\n");
  EXPECT_EQ(app.link.success_pending, 1);

  app.link.success_pending = 0;
  app.link.reply_pending = 1;
  dispatch("GO\r\n");  // leaves "\r\n"
  EXPECT_EQ(app.link.success_pending, 0);
  EXPECT_EQ(app.link.reply_pending, 0);

  dispatch("GO");
  dispatch("0");
  EXPECT_EQ(app.link.success_pending, 0);

  dispatch("07VAB02000\r\n");
  EXPECT_EQ(app.record.brightness[1], 64);
  dispatch("FFE3\r\n");
  EXPECT_EQ(reporter.boxes.back(), (Box{Box::error, "Command Error"}));
}

TEST_F(DispatchReply, Rs232cTakesTheWholeLine) {
  dispatch("05GO\r\n");
  EXPECT_EQ(app.link.success_pending, 0);
  dispatch("05AMI\r\n");
  EXPECT_TRUE(reporter.boxes.empty());
}

TEST_F(DispatchReply, LongerPrefixesWinOverTheShorterOnesTheyBegin) {
  app.record.video_loss_detect[0] = 0;
  dispatch("VLDOF\r\n");
  EXPECT_EQ(app.record.video_loss_display, 0);
  EXPECT_EQ(app.record.video_loss_detect[0], 0) << "VL must not take a VLDO line";

  dispatch("VLSOON\r\n");
  EXPECT_EQ(app.record.video_loss_signal_output, 1);
  dispatch("VLBCB\r\n");
  EXPECT_EQ(app.record.video_loss_background, 1);
  for (int ch = 0; ch < channel_count; ++ch) EXPECT_EQ(app.record.video_loss_detect[ch], ch == 0 ? 0 : 1);

  dispatch("VASH0217\r\n");
  dispatch("VASA03100\r\n");
  EXPECT_EQ(app.record.sharpness[1], 17);
  EXPECT_EQ(app.record.saturation[2], 100);
  for (int ch = 0; ch < channel_count; ++ch) EXPECT_EQ(app.record.hue[ch], 0) << "VAH must not take them";

  dispatch("CTFSDL\r\n");
  EXPECT_EQ(app.record.osd_size_split, 1);
}

TEST_F(DispatchReply, VersionLineRaisesSuccessEvenInASequence) {
  app.link.sequence_step = 50;
  const std::string before = format_settings_file(app.record);
  dispatch("VN1.02\r\n");
  EXPECT_EQ(app.link.success_pending, 1);
  EXPECT_EQ(format_settings_file(app.record), before);
  EXPECT_TRUE(reporter.boxes.empty());

  app.link.success_pending = 0;
  dispatch("VN");
  EXPECT_EQ(app.link.success_pending, 1) << "a short VN line still ends read-all";
}

TEST_F(DispatchReply, TheLineEndsAtItsFirstZeroByte) {
  dispatch(std::string_view("GO\r\n\0junk", 9));
  EXPECT_EQ(app.link.success_pending, 1);
  dispatch(std::string_view("E\0" "3\r\n", 5));
  EXPECT_TRUE(reporter.boxes.empty());
}

TEST_F(DispatchReply, AnOverLongLineIsCutToTheBufferNotReadPastIt) {
  const std::string line = "VAB01" + std::string(2000, '9');
  dispatch(line);
  EXPECT_EQ(app.record.brightness[0], 999 - 64);
}

}  // namespace
}  // namespace zanteq
