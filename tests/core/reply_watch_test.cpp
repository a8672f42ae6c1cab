// The reply watch on the main timer: "No Connect" after 27 ticks without a
// reply, the deferred "Success", and the whole road of one command.
#include <gtest/gtest.h>

#include <vector>

#include "tests/core/fakes.h"
#include "core/link/dispatch.h"
#include "core/link/framing.h"

namespace zanteq {
namespace {

using testing::Box;
using testing::RecordingReporter;

const Box no_connect{Box::error, "No Connect"};
const Box success{Box::success, "Success"};

class ReplyWatch : public ::testing::Test {
 protected:
  void SetUp() override { reset_settings(app); }
  void tick(int times = 1) {
    for (int i = 0; i < times; ++i) reply_tick(app.link, reporter);
  }
  void send(const char* command) { prepare_send(app.link, command); }
  void reply(const char* line) { dispatch_reply(app.link, app.record, reporter, line); }

  AppState app;
  RecordingReporter reporter;
};

TEST_F(ReplyWatch, NoConnectComesOnThe27thTickAndOnlyOnce) {
  send("AMI\r\n");
  tick(26);
  EXPECT_TRUE(reporter.boxes.empty());
  EXPECT_EQ(app.link.reply_wait_ticks, 26);
  // The tick that gives up says so, for the communication log; no other does.
  EXPECT_TRUE(reply_tick(app.link, reporter));
  EXPECT_FALSE(reply_tick(app.link, reporter));
  EXPECT_EQ(reporter.boxes, std::vector<Box>{no_connect});
  EXPECT_EQ(app.link.reply_pending, 0);
  EXPECT_EQ(app.link.reply_wait_ticks, 0);
  tick(99);
  EXPECT_EQ(reporter.boxes.size(), 1u);
}

TEST_F(ReplyWatch, AReplyInTimeStopsTheWatch) {
  send("AMI\r\n");
  tick(26);
  reply("GO\r\n");
  tick(100);
  EXPECT_EQ(reporter.boxes, std::vector<Box>{success});
}

TEST_F(ReplyWatch, ALaterSendDoesNotRestartTheCount) {
  send("AMI\r\n");
  tick(16);  // about 5 s
  send("APM\r\n");
  tick(10);
  EXPECT_TRUE(reporter.boxes.empty());
  tick();
  EXPECT_EQ(reporter.boxes, std::vector<Box>{no_connect}) << "about 3 s after the second send";
}

TEST_F(ReplyWatch, BroadcastIsNeverWatchedButItsGoStillSucceeds) {
  app.link.rs_control = 1;
  app.link.slave_address = broadcast_address;
  send("AMI\r\n");
  tick(40);
  EXPECT_TRUE(reporter.boxes.empty());
  reply("FFGO\r\n");
  tick();
  EXPECT_EQ(reporter.boxes, std::vector<Box>{success});
}

TEST_F(ReplyWatch, SuccessIsShownOnceOnTheNextTick) {
  reply("GO\r\n");
  EXPECT_TRUE(reporter.boxes.empty());
  tick();
  tick();
  EXPECT_EQ(reporter.boxes, std::vector<Box>{success});
  EXPECT_EQ(app.link.success_pending, 0);
}

TEST_F(ReplyWatch, TicksBehindAnOpenBoxShowNothingTwice) {
  // A modal box keeps the message loop running: the timer ticks on while
  // "No Connect" or "Success" is still open.
  bool inside = false;
  reporter.while_open = [&] {
    if (inside) return;
    inside = true;
    tick(30);
    inside = false;
  };
  send("AMI\r\n");
  tick(27);
  EXPECT_EQ(reporter.boxes, std::vector<Box>{no_connect});

  reporter.boxes.clear();
  reply("GO\r\n");
  tick();
  EXPECT_EQ(reporter.boxes, std::vector<Box>{success});
}

TEST_F(ReplyWatch, ErrorReplyIsShownAtOnceAndNoSuccessFollows) {
  send("CTDSON\r\n");
  reply("E3\r\n");
  EXPECT_EQ(reporter.boxes, (std::vector<Box>{{Box::error, "Command Error"}}));
  tick(40);
  EXPECT_EQ(reporter.boxes.size(), 1u);
}

TEST_F(ReplyWatch, ResetClearsAPendingWait) {
  send("AMI\r\n");
  tick(10);
  reset_settings(app);
  tick(40);
  EXPECT_TRUE(reporter.boxes.empty());
}

}  // namespace
}  // namespace zanteq
