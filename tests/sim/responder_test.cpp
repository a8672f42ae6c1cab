// The unit on its line: addressing, fault rules applied to real answers,
// and the timing of the answers on the way out.
#include <gtest/gtest.h>

#include "sim/responder.h"
#include "sim/unit_commands.h"

namespace zanteq::sim {
namespace {

FaultRule rule(const std::string& line) {
  ControlCommand c;
  std::string error;
  EXPECT_TRUE(parse_control(line, c, error)) << error;
  return c.rule;
}

struct Unit {
  UnitState state = factory_state();
  FaultPlan faults;
  Responder responder;
  explicit Unit(LinkConfig link) : responder(state, faults, link) {}
  std::string answer(std::string_view line) { return responder.on_line(line, 0).bytes; }
};

TEST(Responder, Rs232cTakesEveryLineWithoutAddress) {
  Unit u({false, 0});
  EXPECT_EQ(u.answer("AME\r\n"), "GO\r\n");
  EXPECT_EQ(u.answer("RAM\r\n"), "AME\r\n");
  EXPECT_EQ(u.answer("07RAM\r\n"), "E3\r\n");  // an address means nothing here
}

TEST(Responder, Rs485AnswersOnlyItsOwnAddressAndPutsItInFront) {
  Unit u({true, 7});
  EXPECT_EQ(u.answer("07AME\r\n"), "07GO\r\n");
  EXPECT_EQ(u.answer("07RAM\r\n"), "07AME\r\n");
  EXPECT_EQ(u.answer("07RCJ01\r\n").substr(0, 6), "07CJ01");
  EXPECT_EQ(u.answer("07XYZ\r\n"), "07E3\r\n");

  for (const char* other : {"05AMI\r\n", "7AMI\r\n", "AMI\r\n", "ffAMI\r\n", "0\n", "\n", "17AMI\r\n"}) {
    const Answer a = u.responder.on_line(other, 0);
    EXPECT_FALSE(a.taken) << other;
    EXPECT_TRUE(a.bytes.empty()) << other;
  }
  EXPECT_EQ(u.state.alarm_mode, 'E');  // none of them was applied
}

TEST(Responder, Rs485BroadcastIsAppliedButNeverAnswered) {
  Unit u({true, 31});
  const Answer a = u.responder.on_line("FFVAB01100\r\n", 0);
  EXPECT_TRUE(a.taken);
  EXPECT_TRUE(a.applied);
  EXPECT_TRUE(a.bytes.empty());
  EXPECT_EQ(u.state.brightness[0], 100);
  EXPECT_TRUE(u.responder.on_line("FFXYZ\r\n", 0).bytes.empty());  // not even a refusal
  EXPECT_EQ(u.answer("31RVAB01\r\n"), "31VAB01100\r\n");
}

TEST(Responder, InjectedStatusReplacesTheAnswerAndTheLineIsNotApplied) {
  Unit u({true, 2});
  u.faults.add(rule("status E1"));
  EXPECT_EQ(u.answer("02AME\r\n"), "02E1\r\n");
  EXPECT_EQ(u.state.alarm_mode, 'I');
  EXPECT_EQ(u.answer("02AME\r\n"), "02GO\r\n");
  EXPECT_EQ(u.state.alarm_mode, 'E');
}

TEST(Responder, PrefixRuleMatchesTheCommandAfterTheAddress) {
  Unit u({true, 2});
  u.faults.add(rule("status MENU prefix VAB"));
  EXPECT_EQ(u.answer("02VAB01100\r\n"), "02MENU\r\n");
  EXPECT_EQ(u.answer("02VAC01100\r\n"), "02GO\r\n");
  EXPECT_EQ(u.answer("02VAB02100\r\n"), "02MENU\r\n");
}

TEST(Responder, SilenceSkipsApplyingAndAnsweringAndLeavesDeliveryRulesForLater) {
  Unit u({false, 0});
  u.faults.add(rule("silent"));
  u.faults.add(rule("double"));
  const Answer a = u.responder.on_line("AME\r\n", 0);
  EXPECT_TRUE(a.taken);
  EXPECT_FALSE(a.applied);
  EXPECT_TRUE(a.bytes.empty());
  EXPECT_EQ(u.state.alarm_mode, 'I');
  EXPECT_EQ(u.answer("AME\r\n"), "GO\r\nGO\r\n");
}

TEST(Responder, RawBytesGoOutVerbatimEvenOnRs485) {
  Unit u({true, 5});
  u.faults.add(rule("raw GO\\r\\n"));
  EXPECT_EQ(u.answer("05AME\r\n"), "GO\r\n");
}

TEST(Responder, JoinKeepsAnAnswerForTheNextOne) {
  Unit u({false, 0});
  u.faults.add(rule("join"));
  EXPECT_EQ(u.answer("AME\r\n"), "");
  EXPECT_EQ(u.answer("RAM\r\n"), "GO\r\nAME\r\n");
  EXPECT_EQ(u.answer("RAM\r\n"), "AME\r\n");
}

constexpr std::int64_t ms = 1000000;

TEST(OutputQueue, UnpacedAnswerGoesOutWholeAtOnce) {
  OutputQueue q;
  q.push("GO\r\n", Delivery{}, 10 * ms);
  EXPECT_EQ(q.next_due(false), 10 * ms);
  const OutputQueue::Chunk c = q.take(10 * ms, false);
  EXPECT_EQ(c.bytes, "GO\r\n");
  EXPECT_TRUE(c.new_piece);
  EXPECT_EQ(c.piece, "GO\r\n");
  q.written(4, 10 * ms, false);
  EXPECT_TRUE(q.empty());
  EXPECT_FALSE(q.next_due(false).has_value());
}

TEST(OutputQueue, DelayAndSplitPiecesKeepTheirGaps) {
  OutputQueue q;
  Delivery d;
  d.delay_ms = 100;
  d.cuts = {1, 3, 99};  // a cut beyond the end is ignored
  d.split_gap_ms = 20;
  q.push("GO\r\n", d, 0);
  EXPECT_TRUE(q.take(99 * ms, false).bytes.empty());
  EXPECT_EQ(q.take(100 * ms, false).bytes, "G");
  q.written(1, 100 * ms, false);
  EXPECT_EQ(q.next_due(false), 120 * ms);
  EXPECT_TRUE(q.take(119 * ms, false).bytes.empty());
  EXPECT_EQ(q.take(120 * ms, false).bytes, "O\r");
  q.written(2, 121 * ms, false);
  EXPECT_EQ(q.next_due(false), 141 * ms);  // the gap counts from when the piece went out
  EXPECT_EQ(q.take(141 * ms, false).bytes, "\n");
}

TEST(OutputQueue, AnswersLeaveInOrderEvenWhenAnEarlierOneIsDelayed) {
  OutputQueue q;
  Delivery slow;
  slow.delay_ms = 50;
  q.push("GN\r\n", slow, 0);
  q.push("GO\r\n", Delivery{}, 1 * ms);
  EXPECT_TRUE(q.take(10 * ms, false).bytes.empty());
  EXPECT_EQ(q.take(50 * ms, false).bytes, "GN\r\n");
  q.written(4, 50 * ms, false);
  EXPECT_EQ(q.take(50 * ms, false).bytes, "GO\r\n");
}

TEST(OutputQueue, PacedOutputTakesElevenBitTimesPerByte) {
  OutputQueue q;
  q.push("VN1.00\r\n", Delivery{}, 0);
  std::int64_t now = 0;
  std::string sent;
  std::vector<std::int64_t> times;
  while (!q.empty()) {
    now = std::max(now, *q.next_due(true));
    const OutputQueue::Chunk c = q.take(now, true);
    ASSERT_EQ(c.bytes.size(), 1u);
    sent += c.bytes;
    times.push_back(now);
    q.written(1, now, true);
  }
  EXPECT_EQ(sent, "VN1.00\r\n");
  for (std::size_t i = 1; i < times.size(); ++i) EXPECT_EQ(times[i] - times[i - 1], OutputQueue::byte_ns);
  EXPECT_NEAR(static_cast<double>(OutputQueue::byte_ns) / ms, 1.146, 0.001);
}

TEST(OutputQueue, PacingKeepsItsRateWhenTheLoopWakesLate) {
  OutputQueue q;
  q.push("ABCDEFGH", Delivery{}, 0);
  std::int64_t now = 0;
  int writes = 0;
  while (!q.empty()) {
    now = *q.next_due(true) + 100000;  // every wake-up 0.1 ms late
    q.written(q.take(now, true).bytes.size(), now, true);
    ++writes;
  }
  EXPECT_EQ(writes, 8);
  // The lateness does not add up: the eighth byte starts within two late
  // wake-ups of seven byte times.
  EXPECT_LE(now, 7 * OutputQueue::byte_ns + 200000);
}

}  // namespace
}  // namespace zanteq::sim
