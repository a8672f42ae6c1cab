// Reading all settings: the 51 read commands, the 400 ms run with its
// percentage, completion, abort and the dialog going away mid-run.
#include <gtest/gtest.h>

#include "core/bulk/read_all.h"
#include "core/bulk/transfer_plans.h"
#include "core/link/reply_class.h"
#include "tests/core/fakes.h"
#include "tests/core/sequence_fake_view.h"

namespace zanteq {
namespace {

using testing::FakeSequenceView;
using testing::RecordingSink;

const std::vector<std::string> all_reads = {
    "RCJ01\r\n",   "RCJ02\r\n",   "RCJ03\r\n",   "RCJ04\r\n",
    "RVAB01\r\n",  "RVAB02\r\n",  "RVAB03\r\n",  "RVAB04\r\n",
    "RVAC01\r\n",  "RVAC02\r\n",  "RVAC03\r\n",  "RVAC04\r\n",
    "RVAH01\r\n",  "RVAH02\r\n",  "RVAH03\r\n",  "RVAH04\r\n",
    "RVASH01\r\n", "RVASH02\r\n", "RVASH03\r\n", "RVASH04\r\n",
    "RVASA01\r\n", "RVASA02\r\n", "RVASA03\r\n", "RVASA04\r\n",
    "RAD\r\n",     "RADT\r\n",    "RAM\r\n",     "RAP\r\n",     "RAR\r\n",
    "RVL\r\n",     "RVLBC\r\n",   "RVLSO\r\n",   "RVLD\r\n",    "RTSD\r\n",
    "RTSDR\r\n",   "RCTDS\r\n",   "RCTDD\r\n",   "RCASTM\r\n",  "RDSS\r\n",
    "RBL\r\n",     "RCI\r\n",     "RPOS\r\n",    "RCTFSD\r\n",  "RCTFSS\r\n",
    "ROOH\r\n",    "ROOV\r\n",    "RVF\r\n",     "RSPD2\r\n",   "RNAR\r\n",
    "RAGC\r\n",    "RVN\r\n",
};

TEST(ReadAllCommands, FiftyOneStepsInTheUnitsOrder) {
  ASSERT_EQ(all_reads.size(), 51u);
  for (int step = 1; step <= 51; ++step) EXPECT_EQ(read_all_command(step), all_reads[step - 1]);
  EXPECT_EQ(read_all_command(0), "");
  EXPECT_EQ(read_all_command(52), "");
  EXPECT_EQ(read_all_command(-7), "");
}

TEST(ReadAllCommands, AnAnswerIsTheDataLineOfTheFieldAsked) {
  // What the plan's steps ask, as the transfer engine classifies their replies.
  const TransferPlan plan = read_all_transfer_plan();
  auto answers = [&](const std::string& command, const std::string& reply) {
    for (const TransferStep& s : plan.steps) {
      if (s.command != command + "\r\n") continue;
      ReplyContext context;
      context.asked = s.asked;
      return classify_reply(reply + "\r\n", context).kind == ReplyClass::data;
    }
    ADD_FAILURE() << command << " is no step of read-all";
    return false;
  };
  EXPECT_TRUE(answers("RVAB02", "VAB02100"));
  EXPECT_FALSE(answers("RVAB02", "VAB01100"));
  EXPECT_TRUE(answers("RAD", "ADON"));
  EXPECT_FALSE(answers("RAD", "ADT030")) << "the hold time is no answer to the alarm display";
  EXPECT_TRUE(answers("RADT", "ADT030"));
  EXPECT_TRUE(answers("RVL", "VLNFNF"));
  EXPECT_FALSE(answers("RVL", "VLBCB"));
  EXPECT_FALSE(answers("RVL", "GO"));
  EXPECT_TRUE(answers("RVN", "VN1.00"));
}

class ReadAll : public ::testing::Test {
 protected:
  ReadAll() { reset_settings(app); }
  void ticks(int n) {
    for (int i = 0; i < n; ++i) run.tick();
  }

  AppState app;
  RecordingSink sink;
  FakeSequenceView view;
  TimedSequence run = read_all_sequence(app, sink, view);
};

TEST_F(ReadAll, StartDisablesCloseAndArmsTheTimerWithoutSending) {
  EXPECT_TRUE(run.start());
  EXPECT_EQ(view.events, (std::vector<std::string>{"close off", "timer 400"}));
  EXPECT_EQ(app.link.sequence_step, 1);
  EXPECT_TRUE(sink.commands.empty()) << "the first command goes out on the first tick";
}

TEST_F(ReadAll, FullRunSendsEveryReadAndEndsTheDialogOnTheLastTick) {
  ASSERT_TRUE(run.start());
  std::vector<std::string> texts;
  for (int s = 1; s <= 51; ++s) {
    run.tick();
    if (s < 51) {
      texts.push_back(view.text);
      EXPECT_EQ(app.link.sequence_step, s + 1);
      EXPECT_FALSE(view.close_enabled);
      EXPECT_FALSE(view.ended);
    }
  }
  EXPECT_EQ(sink.commands, all_reads);
  EXPECT_EQ(texts.front(), "1");
  EXPECT_EQ(texts[1], "3");
  EXPECT_EQ(texts[2], "5");
  EXPECT_EQ(texts[49], "98");
  EXPECT_EQ(std::vector<std::string>(view.events.end() - 7, view.events.end()),
            (std::vector<std::string>{"text 100", "step", "timer off", "text    ", "close on",
                                      "bar 0", "end"}));
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_EQ(view.text, "   ");
  EXPECT_TRUE(view.ended);
  EXPECT_TRUE(view.close_enabled);
  EXPECT_EQ(view.bar, 0);
  EXPECT_EQ(app.data_modified, 0);
}

TEST_F(ReadAll, ASecondStartDuringARunChangesNothing) {
  ASSERT_TRUE(run.start());
  ticks(3);
  const auto events = view.events;
  EXPECT_FALSE(run.start());
  EXPECT_EQ(view.events, events);
  EXPECT_EQ(app.link.sequence_step, 4);
}

TEST_F(ReadAll, NoSequenceStartsWhileAnotherHoldsTheCounter) {
  app.link.sequence_step = 7;
  EXPECT_FALSE(run.start());
  EXPECT_TRUE(view.events.empty());
  EXPECT_EQ(app.link.sequence_step, 7);
}

TEST_F(ReadAll, ErrorReplyStopsAtTheNextTickAndStartBeginsAgain) {
  ASSERT_TRUE(run.start());
  ticks(10);
  app.link.sequence_abort = 1;  // the dispatch saw "E3\r\n"
  run.tick();
  EXPECT_EQ(sink.commands.size(), 10u);
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_EQ(app.link.sequence_abort, 0);
  EXPECT_EQ(view.timer_period, 0);
  EXPECT_TRUE(view.close_enabled);
  EXPECT_FALSE(view.ended) << "the dialog stays open";
  EXPECT_EQ(view.bar, 10) << "the bar keeps its position";
  EXPECT_EQ(view.text, "19");  // 10 * 100 / 51

  run.tick();  // a tick left in the queue does nothing
  EXPECT_EQ(sink.commands.size(), 10u);

  ASSERT_TRUE(run.start());
  run.tick();
  EXPECT_EQ(sink.commands.back(), "RCJ01\r\n");
  EXPECT_EQ(view.bar, 11) << "Start does not reset the bar";
}

TEST_F(ReadAll, StaleAbortStopsTheRunBeforeAnythingIsSent) {
  app.link.sequence_abort = 1;
  ASSERT_TRUE(run.start());
  run.tick();
  EXPECT_TRUE(sink.commands.empty());
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_TRUE(view.close_enabled);
}

TEST_F(ReadAll, DialogEndedMidRunGivesTheCounterBack) {
  ASSERT_TRUE(run.start());
  ticks(5);
  const auto events = view.events;
  run.cancel();
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_EQ(view.events, events) << "a dialog going away is not told anything";
  EXPECT_FALSE(run.running());

  // The next sequence can start.
  FakeSequenceView other_view;
  TimedSequence other = read_all_sequence(app, sink, other_view);
  EXPECT_TRUE(other.start());
}

TEST_F(ReadAll, CancelOfASequenceThatDoesNotRunLeavesTheCounterAlone) {
  app.link.sequence_step = 12;  // another sequence's run
  run.cancel();
  EXPECT_EQ(app.link.sequence_step, 12);

  app.link.sequence_step = 0;
  ASSERT_TRUE(run.start());
  ticks(51);  // complete: the counter is 0 again and belongs to nobody
  app.link.sequence_step = 3;  // someone else starts
  run.cancel();
  EXPECT_EQ(app.link.sequence_step, 3);
}

TEST_F(ReadAll, DestroyingARunningSequenceGivesTheCounterBack) {
  {
    FakeSequenceView short_view;
    TimedSequence short_lived = read_all_sequence(app, sink, short_view);
    ASSERT_TRUE(short_lived.start());
    short_lived.tick();
  }
  EXPECT_EQ(app.link.sequence_step, 0);
}

TEST_F(ReadAll, TickWhileIdleSendsNothingAndStopsTheTimer) {
  run.tick();
  EXPECT_TRUE(sink.commands.empty());
  EXPECT_EQ(view.events, (std::vector<std::string>{"timer off"}));
}

TEST_F(ReadAll, CounterChangedUnderTheRunStopsItRatherThanSendingOutOfRange) {
  ASSERT_TRUE(run.start());
  run.tick();
  app.link.sequence_step = 60;
  run.tick();
  EXPECT_EQ(sink.commands.size(), 1u);
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_TRUE(view.close_enabled);
}

}  // namespace
}  // namespace zanteq
