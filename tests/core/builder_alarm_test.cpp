// Alarm commands and the hold-time check, as the alarm dialog's buttons and
// the set-all sequence send them.
#include <gtest/gtest.h>

#include "tests/core/builder_fixture.h"
#include "core/dialogs/alarm.h"

namespace zanteq {
namespace {

using testing::Box;
using testing::OperationsTest;

using AlarmCommands = OperationsTest;

TEST_F(AlarmCommands, DefaultsSendTheFactoryAlarmSettings) {
  ops.send_alarm_mode();
  ops.send_alarm_hold_time();
  ops.send_alarm_polarity();
  ops.send_alarm_display();
  ops.send_alarm_return();
  EXPECT_EQ(take_sent(), (std::vector<std::string>{"AMI\r\n", "ADT030\r\n", "APM\r\n",
                                                   "ADON\r\n", "ARON\r\n"}));
  EXPECT_TRUE(reporter.boxes.empty());
}

TEST_F(AlarmCommands, ChoicesOverwriteTheirLetterOrOnOff) {
  app.record.alarm_mode = 1;
  app.record.alarm_polarity = 1;
  app.record.alarm_display = 0;
  app.record.alarm_return = 0;
  ops.send_alarm_mode();
  ops.send_alarm_polarity();
  ops.send_alarm_display();
  ops.send_alarm_return();
  EXPECT_EQ(take_sent(),
            (std::vector<std::string>{"AME\r\n", "APB\r\n", "ADOF\r\n", "AROF\r\n"}));
}

TEST_F(AlarmCommands, AnyNonZeroStoredValueCountsAsTheSecondChoice) {
  app.record.alarm_mode = -3;
  app.record.alarm_display = 7;
  EXPECT_EQ(build_alarm_mode(app.record), "AME\r\n");
  EXPECT_EQ(build_alarm_display(app.record), "ADON\r\n");
}

struct HoldCase {
  const char* text;
  const char* sent;  // nullptr: refused
};

TEST_F(AlarmCommands, HoldTimeTextsAreSentAsThreeDigitsOrRefused) {
  const HoldCase cases[] = {
      {"3", "ADT003\r\n"},   {"5", "ADT005\r\n"},   {"003", "ADT003\r\n"},
      {"120", "ADT120\r\n"}, {"999", "ADT999\r\n"}, {"12a", "ADT012\r\n"},
      {"30", "ADT030\r\n"},  {"2", nullptr},        {"0", nullptr},
      {"000", nullptr},      {"02", nullptr},       {"", nullptr},
      {"a12", nullptr},      {" 30", nullptr},      {"-5", nullptr},
  };
  for (const HoldCase& c : cases) {
    SCOPED_TRACE(c.text);
    app.record.alarm_hold_time.set(c.text);
    reporter.boxes.clear();
    const bool sent = ops.send_alarm_hold_time();
    if (c.sent) {
      EXPECT_TRUE(sent);
      EXPECT_EQ(one_sent(), c.sent);
      EXPECT_TRUE(reporter.boxes.empty());
      EXPECT_EQ(hold_time_refusal(c.text), nullptr);
    } else {
      EXPECT_FALSE(sent);
      EXPECT_TRUE(take_sent().empty()) << "a refused hold time sends nothing";
      ASSERT_EQ(reporter.boxes.size(), 1u);
      EXPECT_EQ(reporter.boxes[0], (Box{Box::error, "3秒以上を設定してください。"}));
      EXPECT_STREQ(hold_time_refusal(c.text), "3秒以上を設定してください。");
    }
  }
}

TEST(HoldTimeSeconds, OnlyTheFirstThreeDigitsCount) {
  // The record holds three characters, but the check itself must not read
  // a longer text as more than three digits.
  EXPECT_EQ(hold_time_seconds("1234"), 123);
  EXPECT_EQ(hold_time_seconds("0030"), 3);
  EXPECT_EQ(hold_time_seconds("99999"), 999);
}

}  // namespace
}  // namespace zanteq
