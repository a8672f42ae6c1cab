// The control language and how fault rules are matched and used up.
#include <gtest/gtest.h>

#include "sim/faults.h"

namespace zanteq::sim {
namespace {

ControlCommand parse(const std::string& line) {
  ControlCommand c;
  std::string error;
  EXPECT_TRUE(parse_control(line, c, error)) << line << ": " << error;
  return c;
}

FaultRule rule(const std::string& line) { return parse(line).rule; }

TEST(ControlLanguage, ParsesEveryFaultWithItsScope) {
  ControlCommand c = parse("status GN");
  EXPECT_EQ(c.kind, ControlCommand::fault);
  EXPECT_EQ(c.rule.kind, FaultKind::status);
  EXPECT_EQ(c.rule.reply, "GN\r\n");
  EXPECT_EQ(c.rule.scope.kind, FaultScope::next);
  EXPECT_EQ(c.rule.scope.remaining, 1);

  c = parse("status MENU next 3");
  EXPECT_EQ(c.rule.reply, "MENU\r\n");
  EXPECT_EQ(c.rule.scope.remaining, 3);

  c = parse("  silent   prefix VAB\r\n");
  EXPECT_EQ(c.rule.kind, FaultKind::silent);
  EXPECT_EQ(c.rule.scope.kind, FaultScope::matching);
  EXPECT_EQ(c.rule.scope.prefix, "VAB");

  c = parse("raw GO\\r\\nGO\\r\\n always");
  EXPECT_EQ(c.rule.kind, FaultKind::raw);
  EXPECT_EQ(c.rule.reply, "GO\r\nGO\r\n");
  EXPECT_EQ(c.rule.scope.kind, FaultScope::always);

  c = parse("split 1,3 50 next 2");
  EXPECT_EQ(c.rule.kind, FaultKind::split);
  EXPECT_EQ(c.rule.cuts, (std::vector<std::size_t>{1, 3}));
  EXPECT_EQ(c.rule.delay_ms, 50);
  EXPECT_EQ(c.rule.scope.remaining, 2);

  EXPECT_EQ(rule("delay 250 always").delay_ms, 250);
  EXPECT_EQ(rule("double").kind, FaultKind::twice);
  EXPECT_EQ(rule("join next").kind, FaultKind::join);
}

TEST(ControlLanguage, ParsesTheSimulatorsOwnCommands) {
  EXPECT_EQ(parse("pace on").kind, ControlCommand::pace);
  EXPECT_TRUE(parse("pace on").on);
  EXPECT_FALSE(parse("pace off").on);
  EXPECT_EQ(parse("echo on").kind, ControlCommand::echo);
  EXPECT_TRUE(parse("echo on").on);
  EXPECT_FALSE(parse("echo off").on);
  EXPECT_EQ(parse("clear").kind, ControlCommand::clear);
  EXPECT_EQ(parse("restart").kind, ControlCommand::restart);
  EXPECT_EQ(parse("quit").kind, ControlCommand::quit);
  EXPECT_EQ(parse("set VAB01100").text, "VAB01100");
  EXPECT_EQ(parse("dump").text, "");
  EXPECT_EQ(parse("dump /tmp/x").text, "/tmp/x");
  EXPECT_EQ(parse("mark  step 2 done ").text, "step 2 done");
  EXPECT_EQ(parse("send VAB01100\\r\\n").text, "VAB01100\r\n");
  EXPECT_EQ(parse("send  a b\\sc\\x00 ").text, std::string("a b c\0", 6));
  const ControlCommand noise = parse("noise 50000 seed 7 no-lf no-flow");
  EXPECT_EQ(noise.kind, ControlCommand::noise);
  EXPECT_EQ(noise.count, 50000u);
  EXPECT_EQ(noise.seed, 7u);
  EXPECT_TRUE(noise.no_lf && noise.no_flow);
  const ControlCommand plain = parse("noise 1");
  EXPECT_FALSE(plain.seed || plain.no_lf || plain.no_flow);
  EXPECT_EQ(parse("").kind, ControlCommand::none);
  EXPECT_EQ(parse("# a comment").kind, ControlCommand::none);
}

TEST(ControlLanguage, RefusesMistakesWithAReason) {
  for (const char* bad : {"status", "status OK", "status E4", "status go", "silent next 0", "silent next x",
                          "silent later", "silent next 1 2", "delay", "delay -5", "delay 5x",
                          "split 50", "split 3,1 50", "split 0 50", "split 1,,2 5", "raw", "raw \\q",
                          "raw \\x4", "pace", "pace maybe", "set", "set A B", "clear now", "quit 1",
                          "dump a b", "explode", "prefix VAB", "send", "send \\q", "noise", "noise 0",
                          "noise 100001", "noise 5 seed", "noise 5 seed x", "noise 5 loud",
                          "unit 01 send GO", "unit 01 noise 5", "echo", "echo yes", "unit 01 echo on"}) {
    ControlCommand c;
    std::string error;
    EXPECT_FALSE(parse_control(bad, c, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST(FaultPlan, NextRulesAreUsedUpInOrder) {
  FaultPlan plan;
  plan.add(rule("status GN next 2"));
  plan.add(rule("silent next 1"));
  EXPECT_EQ(plan.decide("AME\r\n").reply, "GN\r\n");
  EXPECT_EQ(plan.decide("AMI\r\n").reply, "GN\r\n");
  const FaultDecision third = plan.decide("AMI\r\n");
  EXPECT_TRUE(third.silent);
  EXPECT_FALSE(third.replaced);
  const FaultDecision fourth = plan.decide("AMI\r\n");
  EXPECT_FALSE(fourth.silent);
  EXPECT_FALSE(fourth.replaced);
  EXPECT_TRUE(plan.empty());
}

TEST(FaultPlan, PrefixAndAlwaysRulesStayUntilCleared) {
  FaultPlan plan;
  plan.add(rule("status E3 prefix VAB"));
  plan.add(rule("status MENU always"));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(plan.decide("VAB01100\r\n").reply, "E3\r\n");
    EXPECT_EQ(plan.decide("RVAB01\r\n").reply, "MENU\r\n");  // the read does not start with VAB
  }
  plan.clear();
  EXPECT_FALSE(plan.decide("VAB01100\r\n").replaced);
}

TEST(FaultPlan, RawRepliesAreMarkedVerbatim) {
  FaultPlan plan;
  plan.add(rule("raw E7\\r\\n"));
  const FaultDecision d = plan.decide("AME\r\n");
  EXPECT_TRUE(d.replaced);
  EXPECT_TRUE(d.verbatim);
  EXPECT_EQ(d.reply, "E7\r\n");
}

TEST(FaultPlan, DeliveryRulesCombineAndAreNotUsedByContentDecisions) {
  FaultPlan plan;
  plan.add(rule("delay 100"));
  plan.add(rule("split 1 20"));
  plan.add(rule("double"));
  plan.add(rule("join"));
  EXPECT_FALSE(plan.decide("AME\r\n").replaced);  // delivery rules stay
  const Delivery d = plan.delivery("AME\r\n");
  EXPECT_EQ(d.delay_ms, 100);
  EXPECT_EQ(d.cuts, (std::vector<std::size_t>{1}));
  EXPECT_EQ(d.split_gap_ms, 20);
  EXPECT_TRUE(d.twice);
  EXPECT_TRUE(d.join);
  EXPECT_TRUE(plan.empty());
  const Delivery none = plan.delivery("AME\r\n");
  EXPECT_EQ(none.delay_ms, 0);
  EXPECT_FALSE(none.twice);
}

TEST(Noise, RandomBytesTheSameForTheSameSeedAndWithoutWhatIsLeftOut) {
  const std::string any = noise_bytes(50000, 1, false, false);
  EXPECT_EQ(any.size(), 50000u);
  EXPECT_EQ(noise_bytes(50000, 1, false, false), any);
  EXPECT_NE(noise_bytes(50000, 2, false, false), any);
  for (const char b : {'\n', '\x11', '\x13', '\0', '\xFF'}) EXPECT_NE(any.find(b), std::string::npos);
  const std::string quiet = noise_bytes(50000, 1, true, true);
  for (const char b : {'\n', '\x11', '\x13'}) EXPECT_EQ(quiet.find(b), std::string::npos);
  EXPECT_NE(quiet.find('\r'), std::string::npos);
}

TEST(Escaping, WireLogFormRoundTripsEveryByte) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  const std::string escaped = escape_bytes(all);
  EXPECT_EQ(escaped.find('\n'), std::string::npos);
  std::string back;
  ASSERT_TRUE(unescape_bytes(escaped, back));
  EXPECT_EQ(back, all);
  EXPECT_EQ(escape_bytes("GO\r\n"), "GO\\r\\n");
  EXPECT_EQ(escape_bytes("05\\\x81\x40\x13"), "05\\\\\\x81@\\x13");
  ASSERT_TRUE(unescape_bytes("a\\sb\\x0d", back));
  EXPECT_EQ(back, "a b\r");
}

}  // namespace
}  // namespace zanteq::sim
