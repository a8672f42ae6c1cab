// Commands of the video loss, auto-switch, auto gain control, other settings
// and video format dialogs.
#include <gtest/gtest.h>

#include "tests/core/builder_fixture.h"
#include "core/dialogs/agc.h"
#include "core/dialogs/auto_switch.h"
#include "core/dialogs/other.h"
#include "core/dialogs/video_format.h"
#include "core/dialogs/video_loss.h"

namespace zanteq {
namespace {

using testing::OperationsTest;

using VideoLossCommands = OperationsTest;

TEST_F(VideoLossCommands, PerChannelButtonsCarryTheChannelDigit) {
  app.record.video_loss_detect[2] = 1;
  app.record.video_loss_detect[0] = 0;
  ops.send_video_loss_channel(2);
  ops.send_video_loss_channel(0);
  ops.send_video_loss_channel(3);
  EXPECT_EQ(take_sent(),
            (std::vector<std::string>{"VL03ON\r\n", "VL01OF\r\n", "VL04ON\r\n"}));
}

TEST_F(VideoLossCommands, AllChannelLineHasOneLetterPerChannel) {
  EXPECT_EQ(build_video_loss_all(app.record), "VLNNNN\r\n");
  app.record.video_loss_detect[1] = 0;
  app.record.video_loss_detect[2] = 0;
  EXPECT_EQ(build_video_loss_all(app.record), "VLNFFN\r\n");
}

TEST_F(VideoLossCommands, BackgroundSignalOutputAndDisplay) {
  ops.send_video_loss_background();
  ops.send_video_loss_signal_output();
  ops.send_video_loss_display();
  app.record.video_loss_background = 1;
  app.record.video_loss_signal_output = 1;
  app.record.video_loss_display = 0;
  ops.send_video_loss_background();
  ops.send_video_loss_signal_output();
  ops.send_video_loss_display();
  EXPECT_EQ(take_sent(), (std::vector<std::string>{"VLBCN\r\n", "VLSOOF\r\n", "VLDON\r\n",
                                                   "VLBCB\r\n", "VLSOON\r\n", "VLDOF\r\n"}));
}

using AutoSwitchCommand = OperationsTest;

TEST_F(AutoSwitchCommand, FiveDwellTimesInChannelOrderThenSplit) {
  ops.send_auto_switch();
  EXPECT_EQ(one_sent(), "CASTM0303030303\r\n");
  app.record.auto_switch_dwell[4] = 0;
  EXPECT_EQ(build_auto_switch(app.record), "CASTM0303030300\r\n");
  app.record.auto_switch_dwell[0] = 99;
  app.record.auto_switch_dwell[1] = 15;
  EXPECT_EQ(build_auto_switch(app.record), "CASTM9915030300\r\n");
}

TEST_F(AutoSwitchCommand, StoredValuesBeyondTwoDigitsStayInTheirField) {
  app.record.auto_switch_dwell[0] = 100;
  app.record.auto_switch_dwell[1] = -4;
  EXPECT_EQ(build_auto_switch(app.record), "CASTM9900030303\r\n");
}

using AgcCommands = OperationsTest;

TEST_F(AgcCommands, PerChannelAndAllChannels) {
  app.record.agc[1] = 0;
  ops.send_agc_channel(1);
  ops.send_agc_channel(3);
  EXPECT_EQ(take_sent(), (std::vector<std::string>{"AGC02OF\r\n", "AGC04ON\r\n"}));
  app.record.agc[1] = 1;
  EXPECT_EQ(build_agc_all(app.record), "AGCNNNN\r\n");
  app.record.agc[0] = 0;
  EXPECT_EQ(build_agc_all(app.record), "AGCFNNN\r\n");
}

using OtherCommands = OperationsTest;

TEST_F(OtherCommands, DefaultsSendTheFactoryOptions) {
  ops.send_connector_input();
  ops.send_power_on_screen();
  ops.send_border_line();
  ops.send_osd_offset_h();
  ops.send_osd_offset_v();
  ops.send_osd_size_single();
  ops.send_osd_size_split();
  ops.send_ntsc_aspect();
  ops.send_button_lock();
  EXPECT_EQ(take_sent(),
            (std::vector<std::string>{"CIA\r\n", "POSD\r\n", "BLB\r\n", "OOH08\r\n", "OOV08\r\n",
                                      "CTFSSL\r\n", "CTFSDS\r\n", "NAR4\r\n", "LOF\r\n"}));
}

TEST_F(OtherCommands, PowerOnScreenChannelsSplitAndAutomaticSwitching) {
  const char* expected[] = {"POSS01\r\n", "POSS02\r\n", "POSS03\r\n",
                            "POSS04\r\n", "POSD\r\n",   "POSCAS\r\n"};
  for (int v = 0; v < 6; ++v) {
    app.record.power_on_screen = v;
    EXPECT_EQ(build_power_on_screen(app.record), expected[v]);
  }
  app.record.power_on_screen = 9;
  EXPECT_EQ(build_power_on_screen(app.record), "POSCAS\r\n");
  app.record.power_on_screen = -1;
  EXPECT_EQ(build_power_on_screen(app.record), "POSS01\r\n") << "never a '0' channel digit";
}

TEST_F(OtherCommands, LetterChoicesAndTheirFallbacks) {
  const char* borders[] = {"BLB\r\n", "BLG\r\n", "BLW\r\n", "BLO\r\n"};
  for (int v = 0; v < 4; ++v) {
    app.record.border_line = v;
    EXPECT_EQ(build_border_line(app.record), borders[v]);
  }
  app.record.border_line = 4;
  EXPECT_EQ(build_border_line(app.record), "BLB\r\n");
  app.record.connector_input = 1;
  EXPECT_EQ(build_connector_input(app.record), "CIR\r\n");
  app.record.ntsc_aspect = 1;
  EXPECT_EQ(build_ntsc_aspect(app.record), "NARF\r\n");
  // The OSD sizes and the button lock are large / on only for exactly 1.
  app.record.osd_size_single = 2;
  app.record.osd_size_split = 1;
  EXPECT_EQ(build_osd_size_single(app.record), "CTFSSS\r\n");
  EXPECT_EQ(build_osd_size_split(app.record), "CTFSDL\r\n");
  EXPECT_EQ(build_button_lock(1), "LON\r\n");
  EXPECT_EQ(build_button_lock(2), "LOF\r\n");
  app.ui.button_lock = 1;
  ops.send_button_lock();
  EXPECT_EQ(one_sent(), "LON\r\n");
}

TEST_F(OtherCommands, OsdOffsets) {
  app.record.osd_offset_h = 15;
  app.record.osd_offset_v = 0;
  EXPECT_EQ(build_osd_offset_h(app.record), "OOH15\r\n");
  EXPECT_EQ(build_osd_offset_v(app.record), "OOV00\r\n");
  app.record.osd_offset_h = 1000;
  EXPECT_EQ(build_osd_offset_h(app.record), "OOH99\r\n");
}

using VideoFormatCommands = OperationsTest;

TEST_F(VideoFormatCommands, ChannelAndAllChannelLines) {
  EXPECT_EQ(build_video_format_all(app.record), "VF1111\r\n");
  app.record.video_format[2] = 3;
  ops.send_video_format(2);
  EXPECT_EQ(one_sent(), "VF034\r\n");
  for (int ch = 0; ch < channel_count; ++ch) app.record.video_format[ch] = 6;
  EXPECT_EQ(build_video_format_all(app.record), "VF7777\r\n");
  app.record.video_format[1] = 2;
  ops.send_video_format_all();
  EXPECT_EQ(one_sent(), "VF7377\r\n");
}

TEST_F(VideoFormatCommands, FormatsOutsideTheListGoOutAsTheFirstEntry) {
  app.record.video_format[0] = 7;
  app.record.video_format[1] = -1;
  app.record.video_format[2] = 42;
  app.record.video_format[3] = 5;
  EXPECT_EQ(build_video_format_all(app.record), "VF1116\r\n");
  EXPECT_EQ(build_video_format(app.record, 0), "VF011\r\n");
  EXPECT_EQ(build_video_format(app.record, 1), "VF021\r\n");
}

}  // namespace
}  // namespace zanteq
