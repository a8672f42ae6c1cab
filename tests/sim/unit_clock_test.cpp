// The unit's clock: setting it whole or field by field, running on, and the
// 30-second correction.
#include <gtest/gtest.h>

#include "sim/unit_commands.h"
#include "sim/unit_state.h"

namespace zanteq::sim {
namespace {

ClockFields at(int y, int mo, int d, int h, int mi, int s) { return ClockFields{y, mo, d, h, mi, s}; }

std::string ask(UnitState& s, const std::string& command, std::int64_t now_ms) {
  return handle_command(s, command + "\r\n", now_ms);
}

TEST(UnitClock, DateAndTimeCommandSetsEveryFieldAndTheClockRunsOn) {
  UnitState s = factory_state(0);
  EXPECT_EQ(s.clock.read(0), at(0, 1, 1, 0, 0, 0));
  ASSERT_EQ(ask(s, "TDS260305140709", 1000), "GO\r\n");
  EXPECT_EQ(s.clock.read(1000), at(26, 3, 5, 14, 7, 9));
  EXPECT_EQ(s.clock.read(1999), at(26, 3, 5, 14, 7, 9));
  EXPECT_EQ(s.clock.read(2000), at(26, 3, 5, 14, 7, 10));
  EXPECT_EQ(s.clock.read(1000 + 3600 * 1000), at(26, 3, 5, 15, 7, 9));
}

TEST(UnitClock, SingleFieldCommandsChangeOnlyTheirField) {
  UnitState s = factory_state(0);
  ASSERT_EQ(ask(s, "TDS260305140709", 0), "GO\r\n");
  const std::pair<const char*, ClockFields> steps[] = {
      {"DSY99", at(99, 3, 5, 14, 7, 9)}, {"DSM12", at(99, 12, 5, 14, 7, 9)},
      {"DSD31", at(99, 12, 31, 14, 7, 9)}, {"TSH23", at(99, 12, 31, 23, 7, 9)},
      {"TSM59", at(99, 12, 31, 23, 59, 9)}, {"TSS58", at(99, 12, 31, 23, 59, 58)},
  };
  for (const auto& [command, expected] : steps) {
    ASSERT_EQ(ask(s, command, 0), "GO\r\n") << command;
    EXPECT_EQ(s.clock.read(0), expected) << command;
  }
  // 2099 runs over into 2000.
  EXPECT_EQ(s.clock.read(2000), at(0, 1, 1, 0, 0, 0));
}

TEST(UnitClock, DayBeyondTheMonthIsKeptUntilMidnight) {
  UnitState s = factory_state(0);
  ASSERT_EQ(ask(s, "TDS250131235959", 0), "GO\r\n");
  ASSERT_EQ(ask(s, "DSM02", 0), "GO\r\n");
  EXPECT_EQ(s.clock.read(0), at(25, 2, 31, 23, 59, 59));  // the unit checks each field alone
  ASSERT_EQ(ask(s, "DSD28", 0), "GO\r\n");                 // so the next field fixes it
  EXPECT_EQ(s.clock.read(0), at(25, 2, 28, 23, 59, 59));
  EXPECT_EQ(s.clock.read(1000), at(25, 3, 1, 0, 0, 0));
  ASSERT_EQ(ask(s, "TDS240228235959", 0), "GO\r\n");
  EXPECT_EQ(s.clock.read(1000), at(24, 2, 29, 0, 0, 0));  // leap year
  ASSERT_EQ(ask(s, "TDS250231235959", 0), "GO\r\n");
  EXPECT_EQ(s.clock.read(1000), at(25, 3, 1, 0, 0, 0));
}

TEST(UnitClock, ThirtySecondCorrectionRoundsToTheNearestMinute) {
  UnitState s = factory_state(0);
  ASSERT_EQ(ask(s, "TDS260305140729", 0), "GO\r\n");
  ASSERT_EQ(ask(s, "TSA", 0), "GO\r\n");
  EXPECT_EQ(s.clock.read(0), at(26, 3, 5, 14, 7, 0));
  ASSERT_EQ(ask(s, "TDS261231235930", 0), "GO\r\n");
  ASSERT_EQ(ask(s, "TSA", 0), "GO\r\n");
  EXPECT_EQ(s.clock.read(0), at(27, 1, 1, 0, 0, 0));
}

TEST(UnitClock, StateCommandsCarryTheRunningTime) {
  UnitState s = factory_state(0);
  ASSERT_EQ(ask(s, "TDS260305140709", 0), "GO\r\n");
  EXPECT_EQ(state_commands(s, 61000).back(), "TDS260305140810");
}

}  // namespace
}  // namespace zanteq::sim
