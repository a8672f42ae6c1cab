// The link's boxes on their way to the interface thread: raised on any
// thread, shown one at a time in the order raised, and a box that is open
// holds neither the receiving side nor the reply watch.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "core/link/dispatch.h"
#include "core/link/framing.h"
#include "core/link/reply_boxes.h"
#include "tests/core/fakes.h"

namespace zanteq {
namespace {

using testing::Box;
using testing::RecordingReporter;
using Boxes = std::vector<Box>;

TEST(ReplyBoxes, RaisedOnAnotherThreadAndShownInOrderWhenTheInterfaceThreadGetsToThem) {
  int wakes = 0;
  ReplyBoxes boxes([&wakes] { ++wakes; });
  std::thread receiving([&boxes] {
    boxes.show_error_box("Menu Display");
    boxes.show_error_box("Command Error");
    boxes.show_warning_box("error creating read thread");
  });
  receiving.join();
  EXPECT_EQ(wakes, 1);  // one wake-up while the first waits: it takes them all

  RecordingReporter shown;
  boxes.show_waiting(shown);
  boxes.show_success_box("Success");  // none waiting any more: wakes again
  EXPECT_EQ(wakes, 2);
  boxes.show_waiting(shown);
  EXPECT_EQ(shown.boxes, (Boxes{{Box::error, "Menu Display"},
                                {Box::error, "Command Error"},
                                {Box::warning, "error creating read thread"},
                                {Box::success, "Success"}}));
}

TEST(ReplyBoxes, ABoxRaisedWhileOneIsOpenFollowsItInsteadOfOpeningOnTop) {
  RecordingReporter shown;
  ReplyBoxes* queue = nullptr;
  // The wake-up is handled inside the open box's message loop.
  ReplyBoxes boxes([&] { queue->show_waiting(shown); });
  queue = &boxes;
  int open_boxes = 0, most_open = 0;
  shown.while_open = [&] {
    most_open = std::max(most_open, ++open_boxes);
    if (shown.boxes.size() == 1) boxes.show_error_box("Command Error");
    --open_boxes;
  };
  boxes.show_error_box("Framing Error");  // wakes: shown at once, then the second
  EXPECT_EQ(shown.boxes, (Boxes{{Box::error, "Framing Error"}, {Box::error, "Command Error"}}));
  EXPECT_EQ(most_open, 1);
}

// The unit answers the first command "E3" and the second "GO" while the
// "Command Error" box is still open, and the watch ticks on for 10 s behind
// the box: the reply is taken, no "No Connect" comes, and "Success" follows
// the error box.
TEST(ReplyBoxes, AReplyArrivingWhileAnErrorBoxIsOpenIsTakenWithoutAFalseNoConnect) {
  AppState app;
  reset_settings(app);
  RecordingReporter shown;
  ReplyBoxes boxes([] {});
  shown.while_open = [&] {
    if (shown.boxes.size() != 1) return;
    prepare_send(app.link, "AMI\r\n");
    dispatch_reply(app.link, app.record, boxes, "GO\r\n");
    for (int tick = 0; tick < 34; ++tick) reply_tick(app.link, boxes);
  };

  prepare_send(app.link, "AMI\r\n");
  dispatch_reply(app.link, app.record, boxes, "E3\r\n");
  EXPECT_EQ(app.link.sequence_abort, 1);  // set before the box is even shown
  EXPECT_TRUE(shown.boxes.empty());
  boxes.show_waiting(shown);

  EXPECT_EQ(shown.boxes, (Boxes{{Box::error, "Command Error"}, {Box::success, "Success"}}));
  EXPECT_EQ(app.link.reply_pending, 0);
}

}  // namespace
}  // namespace zanteq
