// The set-all sequences of the title and video adjustment dialogs, which
// share their timer with the one-shot repaint of the dialog's panel.
#include <gtest/gtest.h>

#include "core/bulk/panel_sequences.h"
#include "tests/core/fakes.h"
#include "tests/core/sequence_fake_view.h"

namespace zanteq {
namespace {

using testing::Box;
using testing::FakeSequenceView;
using testing::RecordingReporter;
using testing::RecordingSink;

const char* const title_message = "ＪＩＳ第１水準,第２水準以外の字が選択されてます";

// A sink that lets a test raise the abort flag as if an error reply arrived
// while a given command was going out.
class AbortingSink : public RecordingSink {
 public:
  AbortingSink(LinkState& link) : link_(link) {}
  std::size_t abort_after = 0;  // 0: never
  void send_command(std::string_view text) override {
    RecordingSink::send_command(text);
    if (commands.size() == abort_after) link_.sequence_abort = 1;
  }

 private:
  LinkState& link_;
};

class PanelSequence : public ::testing::Test {
 protected:
  PanelSequence() { reset_settings(app); }

  AppState app;
  AbortingSink sink{app.link};
  RecordingReporter reporter;
  Operations ops{app, sink, reporter};
  FakeSequenceView view;
};

using TitleSequenceTest = PanelSequence;

TEST_F(TitleSequenceTest, FourTitlesInTheChosenFormEvery200Ms) {
  TitleSequence run(ops, view);
  ASSERT_TRUE(run.start(false));
  EXPECT_EQ(view.events, (std::vector<std::string>{"close off", "timer 200"}));
  std::vector<std::string> texts;
  for (int i = 0; i < 4; ++i) {
    run.tick();
    texts.push_back(view.text);
  }
  ASSERT_EQ(sink.commands.size(), 4u);
  for (int ch = 0; ch < 4; ++ch)
    EXPECT_EQ(sink.commands[ch].substr(0, 4), "CJ0" + std::to_string(ch + 1));
  EXPECT_EQ(texts, (std::vector<std::string>{"25", "50", "75", "  "}));
  EXPECT_EQ(std::vector<std::string>(view.events.end() - 6, view.events.end()),
            (std::vector<std::string>{"text 100", "step", "timer off", "text   ", "close on",
                                      "bar 0"}));
  EXPECT_FALSE(view.ended) << "the title dialog stays open";
  EXPECT_EQ(app.link.sequence_step, 0);

  ASSERT_TRUE(run.start(true));
  for (int i = 0; i < 4; ++i) run.tick();
  ASSERT_EQ(sink.commands.size(), 8u);
  EXPECT_EQ(sink.commands[4].substr(0, 5), "CJN01");
  EXPECT_EQ(sink.commands[7].substr(0, 5), "CJN04");
}

TEST_F(TitleSequenceTest, FormCannotChangeWhileARunGoesOn) {
  TitleSequence run(ops, view);
  ASSERT_TRUE(run.start(true));
  run.tick();
  EXPECT_FALSE(run.start(false));
  for (int i = 0; i < 3; ++i) run.tick();
  for (const std::string& c : sink.commands) EXPECT_EQ(c.substr(0, 3), "CJN");
}

TEST_F(TitleSequenceTest, LengthRefusalSkipsTheChannel) {
  app.record.title[1].set(std::string(21, 'x'));
  TitleSequence run(ops, view);
  ASSERT_TRUE(run.start(false));
  for (int i = 0; i < 4; ++i) run.tick();
  ASSERT_EQ(sink.commands.size(), 3u);
  EXPECT_EQ(sink.commands[1].substr(0, 4), "CJ03");
  EXPECT_EQ(reporter.boxes, (std::vector<Box>{{Box::warning, title_message}}));
  EXPECT_EQ(app.link.sequence_step, 0);
}

TEST_F(TitleSequenceTest, ConversionRefusalEndsTheRunInThatTick) {
  app.record.title[1].set("\xF0\x40");  // user-defined character
  TitleSequence run(ops, view);
  ASSERT_TRUE(run.start(false));
  run.tick();
  run.tick();
  EXPECT_EQ(sink.commands.size(), 1u);
  EXPECT_EQ(reporter.boxes, (std::vector<Box>{{Box::warning, title_message}}));
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_EQ(app.link.sequence_abort, 0);
  EXPECT_TRUE(view.close_enabled);
  EXPECT_EQ(view.timer_period, 0);
  EXPECT_EQ(view.text, "  ");
  EXPECT_EQ(view.bar, 0);
}

TEST_F(TitleSequenceTest, RepaintDuringARunKeepsItGoingAtItsPeriod) {
  TitleSequence run(ops, view);
  ASSERT_TRUE(run.start(false));
  run.tick();
  run.schedule_repaint(20);  // WM_PAINT
  EXPECT_EQ(view.timer_period, 20);
  run.tick();
  EXPECT_EQ(view.repaints, 1);
  EXPECT_EQ(app.ui.repaint_pending, 0);
  EXPECT_EQ(view.timer_period, 200) << "the timer goes back to the sequence period";
  EXPECT_FALSE(view.close_enabled);
  EXPECT_EQ(sink.commands.size(), 1u) << "a repaint tick sends nothing";
  EXPECT_EQ(app.link.sequence_step, 2);
  for (int i = 0; i < 3; ++i) run.tick();
  EXPECT_EQ(sink.commands.size(), 4u);
  EXPECT_TRUE(view.close_enabled);
}

TEST_F(TitleSequenceTest, RepaintWhileIdleIsOneShot) {
  TitleSequence run(ops, view);
  run.schedule_repaint(500);  // opening
  EXPECT_EQ(app.ui.repaint_pending, 1);
  run.tick();
  EXPECT_EQ(view.events, (std::vector<std::string>{"timer 500", "repaint", "timer off"}));
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_TRUE(sink.commands.empty());
}

TEST_F(TitleSequenceTest, PaintWhileAWarningIsOpenIsStillDrawnAfterTheRunEnds) {
  app.record.title[3].set("AB");  // refused by the conversion on the last channel
  TitleSequence run(ops, view);
  // The warning is moved over the dialog: paint messages arrive behind it.
  reporter.while_open = [&] { run.schedule_repaint(repaint_delay_ms); };
  ASSERT_TRUE(run.start(false));
  for (int i = 0; i < 4; ++i) run.tick();
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_TRUE(view.close_enabled);
  EXPECT_EQ(view.timer_period, 20) << "the timer stays for the pending repaint";
  run.tick();
  EXPECT_EQ(view.repaints, 1);
  EXPECT_EQ(view.timer_period, 0);
}

TEST_F(TitleSequenceTest, ErrorReplyStopsAtTheNextTickKeepingBarAndText) {
  TitleSequence run(ops, view);
  ASSERT_TRUE(run.start(false));
  run.tick();
  app.link.sequence_abort = 1;
  run.tick();
  EXPECT_EQ(sink.commands.size(), 1u);
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_EQ(app.link.sequence_abort, 0);
  EXPECT_TRUE(view.close_enabled);
  EXPECT_EQ(view.text, "25");
  EXPECT_EQ(view.bar, 1);
}

TEST_F(TitleSequenceTest, SingleButtonsAreIgnoredWhileItRuns) {
  TitleSequence run(ops, view);
  ASSERT_TRUE(run.start(false));
  EXPECT_FALSE(ops.send_title_checked(0, false));
  EXPECT_TRUE(sink.commands.empty());
  run.cancel();
  EXPECT_TRUE(ops.send_title_checked(0, false));
}

using VideoAdjustSequenceTest = PanelSequence;

TEST_F(VideoAdjustSequenceTest, TwentyValuesSharpnessBeforeHue) {
  TimedSequence run = video_adjust_sequence(ops, view);
  ASSERT_TRUE(run.start());
  EXPECT_EQ(view.timer_period, 100);
  for (int i = 0; i < 20; ++i) run.tick();
  EXPECT_EQ(sink.commands,
            (std::vector<std::string>{
                "VAB01000\r\n", "VAB02000\r\n", "VAB03000\r\n", "VAB04000\r\n",
                "VAC01064\r\n", "VAC02064\r\n", "VAC03064\r\n", "VAC04064\r\n",
                "VASH0100\r\n", "VASH0200\r\n", "VASH0300\r\n", "VASH0400\r\n",
                "VAH01000\r\n", "VAH02000\r\n", "VAH03000\r\n", "VAH04000\r\n",
                "VASA01080\r\n", "VASA02080\r\n", "VASA03080\r\n", "VASA04080\r\n"}));
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_EQ(view.bar, 0);
  EXPECT_TRUE(view.close_enabled);
  EXPECT_TRUE(view.text.empty()) << "this dialog has no percentage";
  EXPECT_FALSE(view.ended);
}

TEST_F(VideoAdjustSequenceTest, ErrorReplyDuringAStepEndsTheRunInThatTick) {
  sink.abort_after = 5;
  TimedSequence run = video_adjust_sequence(ops, view);
  ASSERT_TRUE(run.start());
  for (int i = 0; i < 5; ++i) run.tick();
  EXPECT_EQ(sink.commands.size(), 5u);
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_EQ(app.link.sequence_abort, 0);
  EXPECT_EQ(view.bar, 0);
  EXPECT_TRUE(view.close_enabled);
  run.tick();
  EXPECT_EQ(sink.commands.size(), 5u);
}

TEST_F(VideoAdjustSequenceTest, ErrorReplyBetweenTicksKeepsTheBar) {
  TimedSequence run = video_adjust_sequence(ops, view);
  ASSERT_TRUE(run.start());
  for (int i = 0; i < 7; ++i) run.tick();
  app.link.sequence_abort = 1;
  run.tick();
  EXPECT_EQ(sink.commands.size(), 7u);
  EXPECT_EQ(view.bar, 7);
  EXPECT_TRUE(view.close_enabled);
  EXPECT_EQ(app.link.sequence_step, 0);
}

TEST_F(VideoAdjustSequenceTest, RepaintTickNeverEndsTheRunNorLeavesCloseDisabled) {
  TimedSequence run = video_adjust_sequence(ops, view);
  ASSERT_TRUE(run.start());
  for (int i = 0; i < 19; ++i) {
    run.schedule_repaint(20);
    run.tick();  // repaint only
    run.tick();  // the step
  }
  EXPECT_EQ(view.repaints, 19);
  EXPECT_EQ(sink.commands.size(), 19u);
  EXPECT_FALSE(view.close_enabled);
  EXPECT_EQ(view.timer_period, 100);
  run.tick();
  EXPECT_EQ(sink.commands.size(), 20u);
  EXPECT_TRUE(view.close_enabled);
  EXPECT_EQ(view.timer_period, 0);
  run.schedule_repaint(20);
  run.tick();
  EXPECT_EQ(view.timer_period, 0) << "after the run a repaint stops the timer again";
}

TEST_F(VideoAdjustSequenceTest, ChannelTakenFromTheDisplayDialogDoesNotMatter) {
  app.ui.current_channel = 5;  // automatic switching chosen elsewhere
  TimedSequence run = video_adjust_sequence(ops, view);
  ASSERT_TRUE(run.start());
  run.tick();
  EXPECT_EQ(sink.commands[0], "VAB01000\r\n");
}

TEST(Sequences, OnlyOneRunsAtATime) {
  AppState app;
  reset_settings(app);
  RecordingSink sink;
  RecordingReporter reporter;
  Operations ops(app, sink, reporter);
  FakeSequenceView title_view, video_view;
  TitleSequence titles(ops, title_view);
  TimedSequence video = video_adjust_sequence(ops, video_view);
  ASSERT_TRUE(titles.start(false));
  EXPECT_FALSE(video.start());
  EXPECT_TRUE(video_view.events.empty());
  video.cancel();  // not running: must not free the counter of the title run
  EXPECT_EQ(app.link.sequence_step, 1);
  titles.cancel();
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_TRUE(video.start());
}

}  // namespace
}  // namespace zanteq
