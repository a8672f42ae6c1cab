// The dialogs' view of a run at the reply pace, driven as the Windows
// program's runner drives it: the engine's steps, its end, and which runs
// go at that pace at all.
#include <gtest/gtest.h>

#include "core/bulk/replies_sequence.h"
#include "core/bulk/read_all.h"
#include "core/bulk/set_all.h"
#include "core/bulk/transfer_plans.h"
#include "core/link/framing.h"
#include "core/settings/ini_values.h"
#include "tests/core/sequence_fake_view.h"

namespace zanteq {
namespace {

using testing::FakeSequenceView;
using Events = std::vector<std::string>;

class RepliesRun : public ::testing::Test {
 protected:
  RepliesRun() { reset_settings(app); }

  // What the runner does: each step sent or refused moves the view on, a
  // refusal's box is closed at once, and the end goes to the view. The unit
  // answers each command with `answer(step)`.
  template <typename Answer>
  TransferOutcome run(RepliesSequence& sequence, TransferPlan plan, Answer answer) {
    Transfer transfer(std::move(plan), TransferPacing{Pacing::replies, 0});
    EXPECT_TRUE(sequence.begin(static_cast<int>(transfer.plan().steps.size())));
    TransferTime now{0};
    TransferAction action = transfer.start(now, program_target(app));
    int shown = 0;
    while (!action.done) {
      if (action.step > shown) {
        shown = action.step;
        sequence.step(shown);
        counters.push_back(app.link.sequence_step);
      }
      now += TransferTime(10);
      if (!action.send.empty()) {
        sent.push_back(action.send);
        action = transfer.line(now, answer(action.step), app.record);
      } else {
        action = transfer.wake(now);  // a refusal's box, closed
      }
    }
    if (action.step > shown) sequence.step(action.step);
    sequence.end(transfer.outcome());
    return transfer.outcome();
  }

  AppState app;
  FakeSequenceView view;
  std::vector<std::string> sent;
  std::vector<int> counters;
};

TEST_F(RepliesRun, ACompletedSetAllMovesTheBarPerStepThenClearsItAndEndsTheDialog) {
  RepliesSequence sequence(app, view, set_all_plan);
  const TransferOutcome outcome = run(sequence, set_all_transfer_plan(app), [](int) { return "GO\r\n"; });
  EXPECT_EQ(outcome.end, TransferEnd::completed);
  EXPECT_EQ(sent.size(), 50u);
  EXPECT_EQ(view.events.front(), "close off");
  EXPECT_EQ(view.events[1], "text 2");
  EXPECT_EQ(view.events[2], "step");
  EXPECT_EQ(Events(view.events.end() - 6, view.events.end()),
            (Events{"text 100", "step", "text    ", "close on", "bar 0", "end"}));
  EXPECT_EQ(counters.front(), 2);
  EXPECT_EQ(counters.back(), 51) << "New and Open stay blocked up to the last reply";
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_FALSE(sequence.running());
}

TEST_F(RepliesRun, AnErrorReplyLeavesBarAndPercentageWhereTheyStoodAndStartBeginsAgain) {
  RepliesSequence sequence(app, view, set_all_plan);
  const auto e3_at_nine = [](int step) { return step == 9 ? "E3\r\n" : "GO\r\n"; };
  TransferOutcome outcome = run(sequence, set_all_transfer_plan(app), e3_at_nine);
  EXPECT_EQ(outcome.end, TransferEnd::unit_error);
  EXPECT_EQ(sent.size(), 9u);
  EXPECT_EQ(view.bar, 9);
  EXPECT_EQ(view.text, "18");
  EXPECT_TRUE(view.close_enabled);
  EXPECT_FALSE(view.ended);
  EXPECT_EQ(app.link.sequence_step, 0);

  // Start again: from the first title; the bar goes on from where it stood.
  sent.clear();
  outcome = run(sequence, set_all_transfer_plan(app), e3_at_nine);
  EXPECT_EQ(sent.front().substr(0, 4), "CJ01");
  EXPECT_EQ(view.bar, 18);
}

TEST_F(RepliesRun, ARefusedStepMovesTheBarToo) {
  app.record.alarm_hold_time.set("002");  // refused; the run goes on
  RepliesSequence sequence(app, view, set_all_plan);
  const TransferOutcome outcome = run(sequence, set_all_transfer_plan(app), [](int) { return "GO\r\n"; });
  EXPECT_EQ(outcome.end, TransferEnd::completed);
  EXPECT_EQ(sent.size(), 49u);
  EXPECT_EQ(counters.size(), 50u) << "one move per step, the refused one included";
  EXPECT_TRUE(view.ended);
}

TEST_F(RepliesRun, NoStartWhileAnotherRunHoldsTheCounterAndAGoneDialogGivesItBack) {
  RepliesSequence sequence(app, view, read_all_plan);
  app.link.sequence_step = 7;  // a timed run of another dialog
  EXPECT_FALSE(sequence.begin(read_all_step_count));
  EXPECT_TRUE(view.events.empty());

  app.link.sequence_step = 0;
  ASSERT_TRUE(sequence.begin(read_all_step_count));
  sequence.step(1);
  sequence.cancel();
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_FALSE(view.close_enabled) << "the view is going away: left alone";

  ASSERT_TRUE(sequence.begin(read_all_step_count));
  sequence.abort_begin();
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_TRUE(view.close_enabled);
}

TEST(RepliesPace, TheSettingChoosesAndABroadcastAlwaysGoesOnTheTimer) {
  AppState app;
  reset_settings(app);
  EXPECT_TRUE(runs_at_reply_pace(app)) << "the default, also for an older INI without the key";
  app.link.rs_control = 1;
  app.link.slave_address = 31;
  EXPECT_TRUE(runs_at_reply_pace(app));
  app.link.slave_address = broadcast_address;
  EXPECT_FALSE(runs_at_reply_pace(app));
  app.link.rs_control = 0;  // RS-232C has no broadcast: the address is not used
  EXPECT_TRUE(runs_at_reply_pace(app));
  app.iface.transfer_pace = transfer_pace_timer;
  EXPECT_FALSE(runs_at_reply_pace(app));
}

}  // namespace
}  // namespace zanteq
