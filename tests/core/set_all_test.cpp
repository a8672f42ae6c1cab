// Setting all settings: the 50 lines of a default record byte for byte, the
// 500 ms run, refused titles and hold times, and boxes that hold the run.
#include <gtest/gtest.h>

#include "core/bulk/set_all.h"
#include "core/bulk/transfer_plans.h"
#include "core/link/dispatch.h"
#include "tests/core/fakes.h"
#include "tests/core/sequence_fake_view.h"

namespace zanteq {
namespace {

using testing::Box;
using testing::FakeSequenceView;
using testing::RecordingReporter;
using testing::RecordingSink;

const char* const title_message = "ＪＩＳ第１水準,第２水準以外の字が選択されてます";

// What a factory-default record sends, in order.
const std::vector<std::string> default_set_all = {
    "CJ01" "2121" "2121" "2121" "2343" "2348" "2330" "2331" "2121" "2121" "2121" "\r\n",
    "CJ02" "2121" "2121" "2121" "2343" "2348" "2330" "2332" "2121" "2121" "2121" "\r\n",
    "CJ03" "2121" "2121" "2121" "2343" "2348" "2330" "2333" "2121" "2121" "2121" "\r\n",
    "CJ04" "2121" "2121" "2121" "2343" "2348" "2330" "2334" "2121" "2121" "2121" "\r\n",
    "VAB01000\r\n",
    "VAB02000\r\n",
    "VAB03000\r\n",
    "VAB04000\r\n",
    "VAC01064\r\n",
    "VAC02064\r\n",
    "VAC03064\r\n",
    "VAC04064\r\n",
    "VASH0100\r\n",
    "VASH0200\r\n",
    "VASH0300\r\n",
    "VASH0400\r\n",
    "VAH01000\r\n",
    "VAH02000\r\n",
    "VAH03000\r\n",
    "VAH04000\r\n",
    "VASA01080\r\n",
    "VASA02080\r\n",
    "VASA03080\r\n",
    "VASA04080\r\n",
    "ADON\r\n",
    "ADT030\r\n",
    "AMI\r\n",
    "APM\r\n",
    "ARON\r\n",
    "VLNNNN\r\n",
    "VLBCN\r\n",
    "VLSOOF\r\n",
    "VLDON\r\n",
    "TSDON\r\n",
    "TSDR1\r\n",
    "CTDSON\r\n",
    "CTDDON\r\n",
    "CASTM0303030303\r\n",
    "DSS2\r\n",
    "BLB\r\n",
    "CIA\r\n",
    "POSD\r\n",
    "CTFSDS\r\n",
    "CTFSSL\r\n",
    "OOH08\r\n",
    "OOV08\r\n",
    "VF1111\r\n",
    "SPD20102\r\n",
    "NAR4\r\n",
    "AGCNNNN\r\n",
};

class SetAll : public ::testing::Test {
 protected:
  SetAll() { reset_settings(app); }
  void ticks(int n) {
    for (int i = 0; i < n; ++i) run.tick();
  }

  AppState app;
  RecordingSink sink;
  RecordingReporter reporter;
  Operations ops{app, sink, reporter};
  FakeSequenceView view;
  TimedSequence run = set_all_sequence(ops, view);
};

TEST_F(SetAll, DefaultRecordSendsTheFiftyFactoryLines) {
  ASSERT_EQ(default_set_all.size(), 50u);
  ASSERT_TRUE(run.start());
  EXPECT_EQ(view.timer_period, 500);
  ticks(50);
  EXPECT_EQ(sink.commands, default_set_all);
  EXPECT_TRUE(reporter.boxes.empty());
}

TEST_F(SetAll, PercentageIsTwiceTheStepAndTheDialogEndsOnTheAgcTick) {
  ASSERT_TRUE(run.start());
  for (int s = 1; s <= 49; ++s) {
    run.tick();
    EXPECT_EQ(view.text, std::to_string(2 * s));
    EXPECT_EQ(view.bar, s);
  }
  EXPECT_FALSE(view.ended);
  EXPECT_EQ(app.link.sequence_step, 50);
  run.tick();
  EXPECT_EQ(sink.commands.back(), "AGCNNNN\r\n");
  EXPECT_EQ(std::vector<std::string>(view.events.end() - 7, view.events.end()),
            (std::vector<std::string>{"text 100", "step", "timer off", "text    ", "close on",
                                      "bar 0", "end"}));
  EXPECT_EQ(app.link.sequence_step, 0) << "the last GO must find the counter at 0";
}

// A unit behind a fast link answers each command before the tick that sent
// it is over: the GO of the last one still brings the run's one "Success",
// and no earlier GO brings any.
TEST_F(SetAll, TheLastGoBringsSuccessEvenWhenItComesWithinItsTick) {
  class AnsweringSink : public CommandSink {
   public:
    explicit AnsweringSink(AppState& app) : app_(app) {}
    void send_command(std::string_view) override { dispatch_reply(app_.link, app_.record, boxes, "GO\r\n"); }
    RecordingReporter boxes;

   private:
    AppState& app_;
  } answering(app);
  Operations answered_ops(app, answering, reporter);
  TimedSequence answered = set_all_sequence(answered_ops, view);
  ASSERT_TRUE(answered.start());
  for (int s = 1; s <= 50; ++s) {
    answered.tick();
    reply_tick(app.link, answering.boxes);
  }
  EXPECT_EQ(answering.boxes.boxes, (std::vector<Box>{{Box::success, "Success"}}));
}

TEST_F(SetAll, EachStepSendsWhatTheFeatureButtonSends) {
  // A changed record: the step must follow the record, not the defaults.
  app.record.brightness[2] = 63;
  app.record.alarm_mode = 1;
  app.record.video_format[3] = 6;
  app.record.split2_channels[0] = 1;  // same channel on both halves: set-all does not check
  app.ui.button_lock = 1;             // never part of set-all
  ASSERT_TRUE(run.start());
  ticks(50);
  ASSERT_EQ(sink.commands.size(), 50u);
  EXPECT_EQ(sink.commands[6], "VAB03127\r\n");
  EXPECT_EQ(sink.commands[26], "AME\r\n");
  EXPECT_EQ(sink.commands[46], "VF1117\r\n");
  EXPECT_EQ(sink.commands[47], "SPD20202\r\n");
  for (const std::string& c : sink.commands) EXPECT_NE(c.substr(0, 1), "L") << c;
  EXPECT_TRUE(reporter.boxes.empty());
}

TEST_F(SetAll, RefusedHoldTimeShowsItsBoxAndTheRunGoesOn) {
  app.record.alarm_hold_time.set("2");
  ASSERT_TRUE(run.start());
  ticks(50);
  EXPECT_EQ(sink.commands.size(), 49u);
  EXPECT_EQ(sink.commands[24], "ADON\r\n");
  EXPECT_EQ(sink.commands[25], "AMI\r\n");
  ASSERT_EQ(reporter.boxes.size(), 1u);
  EXPECT_EQ(reporter.boxes[0], (Box{Box::error, "3秒以上を設定してください。"}));
  EXPECT_TRUE(view.ended);
}

TEST_F(SetAll, OddLengthTitleIsSkippedWithOneWarningAndTheRunCompletes) {
  app.record.title[1].set("\x81\x40" "A" "\x81\x40");
  ASSERT_TRUE(run.start());
  ticks(50);
  ASSERT_EQ(reporter.boxes.size(), 1u);
  EXPECT_EQ(reporter.boxes[0], (Box{Box::warning, title_message}));
  EXPECT_EQ(sink.commands.size(), 49u);
  EXPECT_EQ(sink.commands[0].substr(0, 4), "CJ01");
  EXPECT_EQ(sink.commands[1].substr(0, 4), "CJ03");
  EXPECT_TRUE(view.ended);
  EXPECT_EQ(app.link.sequence_step, 0);
}

TEST_F(SetAll, TitleWithoutJisCodeStopsTheRunAtTheNextTick) {
  app.record.title[2].set("\xFA\x4A");  // Ⅰ from the IBM area has no JIS code
  ASSERT_TRUE(run.start());
  ticks(3);
  EXPECT_EQ(sink.commands.size(), 2u);
  ASSERT_EQ(reporter.boxes.size(), 1u);
  EXPECT_EQ(reporter.boxes[0], (Box{Box::warning, title_message}));
  EXPECT_EQ(app.link.sequence_abort, 1);
  EXPECT_EQ(view.text, "6") << "the refusing tick still counts its step";
  EXPECT_EQ(app.link.sequence_step, 4);

  run.tick();
  EXPECT_EQ(sink.commands.size(), 2u) << "nothing after the refused title";
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_EQ(app.link.sequence_abort, 0);
  EXPECT_TRUE(view.close_enabled);
  EXPECT_FALSE(view.ended);
  EXPECT_EQ(view.bar, 3);
}

TEST_F(SetAll, RefusedTitleStillStopsWhenAReplyClearsTheAbortFlagMeanwhile) {
  app.record.title[0].set("AB");
  // The unit answers an earlier command while the warning is open; the
  // dispatch clears the flag at every line.
  reporter.while_open = [&] { app.link.sequence_abort = 0; };
  ASSERT_TRUE(run.start());
  ticks(2);
  EXPECT_TRUE(sink.commands.empty());
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_TRUE(view.close_enabled);
}

TEST_F(SetAll, TicksWhileABoxIsOpenDoNothingAndTheStepIsNotRepeated) {
  app.record.alarm_hold_time.set("");
  std::size_t sent_while_open = 0;
  std::vector<std::string> events_while_open;
  int depth = 0;
  reporter.while_open = [&] {
    if (depth > 0) return;  // a box from a wrongly repeated step: let it close
    ++depth;
    const std::size_t before = sink.commands.size();
    const std::size_t events_before = view.events.size();
    for (int i = 0; i < 5; ++i) run.tick();  // the box's message loop delivers the timer
    sent_while_open += sink.commands.size() - before;
    events_while_open.assign(view.events.begin() + events_before, view.events.end());
    EXPECT_EQ(app.link.sequence_step, 26) << "the step counter waits for the box";
    --depth;
  };
  ASSERT_TRUE(run.start());
  ticks(26);
  EXPECT_EQ(sent_while_open, 0u);
  EXPECT_TRUE(events_while_open.empty());
  EXPECT_EQ(app.link.sequence_step, 27);
  EXPECT_EQ(view.text, "52");
  ticks(24);
  EXPECT_EQ(sink.commands.size(), 49u);
  EXPECT_EQ(reporter.boxes.size(), 1u) << "the refused step is not run again";
  EXPECT_TRUE(view.ended);
}

TEST_F(SetAll, DialogDestroyedWhileABoxIsOpenLeavesTheRunStoppedAndTheViewAlone) {
  app.record.title[0].set("A");
  reporter.while_open = [&] { run.cancel(); };
  ASSERT_TRUE(run.start());
  const std::size_t events = view.events.size();
  run.tick();
  EXPECT_EQ(view.events.size(), events);
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_FALSE(run.running());
  run.tick();
  EXPECT_TRUE(sink.commands.empty());
}

TEST_F(SetAll, ErrorReplyMidRunStopsWithTheDialogOpenAndRestartBeginsAtTheTitles) {
  ASSERT_TRUE(run.start());
  ticks(20);
  app.link.sequence_abort = 1;
  run.tick();
  EXPECT_EQ(sink.commands.size(), 20u);
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_TRUE(view.close_enabled);
  EXPECT_FALSE(view.ended);
  EXPECT_EQ(view.text, "40");
  EXPECT_EQ(view.bar, 20);
  ASSERT_TRUE(run.start());
  run.tick();
  EXPECT_EQ(sink.commands.back(), default_set_all[0]);
  EXPECT_EQ(view.bar, 21);
}

TEST(SetAllSteps, OutOfRangeStepsDoNothing) {
  AppState app;
  reset_settings(app);
  RecordingSink sink;
  RecordingReporter reporter;
  Operations ops(app, sink, reporter);
  EXPECT_EQ(run_set_all_step(ops, 0), StepOutcome::go_on);
  EXPECT_EQ(run_set_all_step(ops, 51), StepOutcome::go_on);
  EXPECT_TRUE(sink.commands.empty());
}

}  // namespace
}  // namespace zanteq

namespace zanteq {
namespace {

TEST(SetAllPlan, BuildsTheRunsCommandsAndNamesEachRefusalWithoutSendingOrShowing) {
  AppState app;
  reset_settings(app);
  std::vector<std::string> planned;
  for (const TransferStep& step : set_all_transfer_plan(app).steps) {
    EXPECT_FALSE(step.refusal) << step.command;
    planned.push_back(step.command);
  }
  EXPECT_EQ(planned, default_set_all);

  app.record.title[2].set("\xFA\x4A");  // no JIS code
  app.record.title[3].set("A");         // odd length
  app.record.alarm_hold_time.set("2");
  app.link.sequence_abort = 0;
  const TransferPlan plan = set_all_transfer_plan(app);
  ASSERT_EQ(plan.steps.size(), 50u);
  for (const int refused : {2, 3, 25}) {
    EXPECT_TRUE(plan.steps[refused].command.empty()) << refused;
    EXPECT_TRUE(plan.steps[refused].refusal) << refused;
  }
  EXPECT_EQ(plan.steps[2].file_line, 64) << "title ch.03";
  EXPECT_EQ(plan.steps[3].file_line, 65) << "title ch.04";
  EXPECT_TRUE(plan.steps[2].refusal_ends_run) << "no JIS code";
  EXPECT_FALSE(plan.steps[3].refusal_ends_run) << "odd length";
  EXPECT_EQ(plan.steps[25].file_line, 3) << "alarm_hold_time";
  EXPECT_EQ(plan.steps[1].command, default_set_all[1]);
  EXPECT_EQ(plan.steps[26].command, "AMI\r\n") << "the run goes on after a refusal";
  EXPECT_EQ(app.link.sequence_abort, 0) << "a refused title must not stop a later run";
}

}  // namespace
}  // namespace zanteq
