// Framing of command lines and what a send does to the reply watch.
#include <gtest/gtest.h>

#include <string>

#include "core/link/framing.h"

namespace zanteq {
namespace {

TEST(FrameCommand, Rs232cSendsTheTextUnchangedWhateverTheAddress) {
  EXPECT_EQ(frame_command(0, 0, "VAB01128\r\n"), "VAB01128\r\n");
  EXPECT_EQ(frame_command(0, 32, "VAB01128\r\n"), "VAB01128\r\n");
  EXPECT_EQ(frame_command(0, -1, "VAB01128\r\n"), "VAB01128\r\n");
}

TEST(FrameCommand, Rs485PutsTheAddressOrBroadcastInFront) {
  EXPECT_EQ(frame_command(1, 5, "VAB01128\r\n"), "05VAB01128\r\n");
  EXPECT_EQ(frame_command(1, 7, "CIA\r\n"), "07CIA\r\n");
  EXPECT_EQ(frame_command(1, 0, "CIA\r\n"), "00CIA\r\n");
  EXPECT_EQ(frame_command(1, 31, "CIA\r\n"), "31CIA\r\n");
  EXPECT_EQ(frame_command(1, 32, "CIA\r\n"), "FFCIA\r\n");
  EXPECT_EQ(frame_command(1, 99, "CIA\r\n"), "FFCIA\r\n");
  EXPECT_EQ(frame_command(2, 3, "CIA\r\n"), "03CIA\r\n") << "any non-zero rs_control is RS-485";
}

TEST(FrameCommand, RefusesWhatCannotGoOutSafely) {
  const std::string longest(max_command_length, 'A');
  EXPECT_EQ(frame_command(1, 5, longest).size(), max_command_length + 2);
  EXPECT_LT(frame_command(1, 5, longest).size(), line_buffer_size);
  EXPECT_EQ(frame_command(1, 5, longest + "A"), "");
  EXPECT_EQ(frame_command(0, 5, longest + "A"), "");
  EXPECT_EQ(frame_command(1, -1, "CIA\r\n"), "") << "no unit 00 by accident";
}

TEST(PrepareSend, AwaitsAReplyExceptAfterABroadcast) {
  LinkState link;
  link.rs_control = 1;
  link.slave_address = 7;
  EXPECT_EQ(prepare_send(link, "CIA\r\n"), "07CIA\r\n");
  EXPECT_EQ(link.reply_pending, 1);

  link.slave_address = 32;
  EXPECT_EQ(prepare_send(link, "CIA\r\n"), "FFCIA\r\n");
  EXPECT_EQ(link.reply_pending, 0) << "nothing answers a broadcast";

  link.rs_control = 0;
  EXPECT_EQ(prepare_send(link, "CIA\r\n"), "CIA\r\n");
  EXPECT_EQ(link.reply_pending, 1) << "on RS-232C address 32 is no broadcast";
}

TEST(PrepareSend, LeavesTheWaitCountOfAnEarlierCommand) {
  LinkState link;
  link.reply_pending = 1;
  link.reply_wait_ticks = 17;
  prepare_send(link, "AMI\r\n");
  EXPECT_EQ(link.reply_wait_ticks, 17);
  EXPECT_EQ(link.reply_pending, 1);
}

TEST(PrepareSend, SwitchingTheInterfaceChangesTheVeryNextCommand) {
  LinkState link;
  link.slave_address = 12;
  EXPECT_EQ(prepare_send(link, "AMI\r\n"), "AMI\r\n");
  link.rs_control = 1;
  EXPECT_EQ(prepare_send(link, "AMI\r\n"), "12AMI\r\n");
}

TEST(PrepareSend, NothingToWriteAwaitsNothing) {
  LinkState link;
  link.rs_control = 1;
  link.slave_address = -1;
  EXPECT_EQ(prepare_send(link, "AMI\r\n"), "");
  EXPECT_EQ(link.reply_pending, 0);
}

}  // namespace
}  // namespace zanteq
