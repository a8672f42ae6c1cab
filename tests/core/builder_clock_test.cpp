// Date, time and clock display commands, and what happens when a date or
// time combo has no selection.
#include <gtest/gtest.h>

#include "tests/core/builder_fixture.h"
#include "core/dialogs/date_time.h"

namespace zanteq {
namespace {

using testing::Box;
using testing::OperationsTest;

using ClockCommands = OperationsTest;

// 2026-03-05 14:07:09 as the dialog's combos hold it.
ClockSelection march_fifth() {
  ClockSelection c;
  c.year_index = 26;
  c.month_index = 2;
  c.day_index = 4;
  c.hour = 14;
  c.minute = 7;
  c.second = 9;
  return c;
}

TEST_F(ClockCommands, EachButtonSendsItsFieldAndTheFullButtonSendsAll) {
  const ClockSelection c = march_fifth();
  EXPECT_TRUE(ops.send_date_time(c));
  EXPECT_TRUE(ops.send_date_year(c));
  EXPECT_TRUE(ops.send_date_month(c));
  EXPECT_TRUE(ops.send_date_day(c));
  EXPECT_TRUE(ops.send_time_hour(c));
  EXPECT_TRUE(ops.send_time_minute(c));
  EXPECT_TRUE(ops.send_time_second(c));
  EXPECT_EQ(take_sent(), (std::vector<std::string>{"TDS260305140709\r\n", "DSY26\r\n",
                                                   "DSM03\r\n", "DSD05\r\n", "TSH14\r\n",
                                                   "TSM07\r\n", "TSS09\r\n"}));
  EXPECT_TRUE(reporter.boxes.empty());
}

TEST_F(ClockCommands, EndsOfEveryComboListAreSent) {
  ClockSelection first;
  first.year_index = first.month_index = first.day_index = 0;
  first.hour = first.minute = first.second = 0;
  ClockSelection last;
  last.year_index = 99;
  last.month_index = 11;
  last.day_index = 30;
  last.hour = 23;
  last.minute = 59;
  last.second = 59;
  EXPECT_EQ(build_date_year(first), "DSY00\r\n");
  EXPECT_EQ(build_date_year(last), "DSY99\r\n");
  EXPECT_EQ(build_date_time(first), "TDS000101000000\r\n");
  EXPECT_EQ(build_date_time(last), "TDS991231235959\r\n");
  // No date validity test: day 31 goes out for February too.
  last.month_index = 1;
  EXPECT_EQ(build_date_time(last), "TDS990231235959\r\n");
}

TEST_F(ClockCommands, ComboWithoutSelectionIsRefusedNamingTheField) {
  ClockSelection c = march_fifth();
  c.year_index = -1;  // PC year outside 2000..2099 at opening
  EXPECT_FALSE(ops.send_date_year(c));
  EXPECT_FALSE(ops.send_date_time(c));
  EXPECT_TRUE(ops.send_date_month(c)) << "other fields are independent of the year";
  EXPECT_EQ(take_sent(), (std::vector<std::string>{"DSM03\r\n"}));
  ASSERT_EQ(reporter.boxes.size(), 2u);
  EXPECT_EQ(reporter.boxes[0], (Box{Box::error, "年を一覧から選択してください。"}));
  EXPECT_EQ(reporter.boxes[1], (Box{Box::error, "年を一覧から選択してください。"}));
}

TEST_F(ClockCommands, FullDateTimeNamesTheFirstFieldWithoutSelection) {
  ClockSelection c = march_fifth();
  c.minute = -1;
  c.second = 60;  // past the list
  EXPECT_FALSE(ops.send_date_time(c));
  EXPECT_FALSE(ops.send_time_second(c));
  EXPECT_TRUE(take_sent().empty());
  ASSERT_EQ(reporter.boxes.size(), 2u);
  EXPECT_EQ(reporter.boxes[0].text, "分を一覧から選択してください。");
  EXPECT_EQ(reporter.boxes[1].text, "秒を一覧から選択してください。");
}

TEST(ClockSelectionRange, IndexesPastAnyListAreNoSelection) {
  ClockSelection c = march_fifth();
  c.year_index = 100;
  EXPECT_FALSE(build_date_year(c));
  c = march_fifth();
  c.month_index = 12;
  EXPECT_FALSE(build_date_month(c));
  c = march_fifth();
  c.day_index = 31;
  EXPECT_FALSE(build_date_day(c));
  c = march_fifth();
  c.hour = 24;
  EXPECT_FALSE(build_time_hour(c));
  EXPECT_EQ(first_unselected_clock_field(c), ClockField::hour);
  EXPECT_FALSE(first_unselected_clock_field(march_fifth()));
}

TEST_F(ClockCommands, ClockDisplayAndCorrection) {
  ops.send_time_adjust();
  ops.send_clock_display();
  app.record.clock_display = 0;
  ops.send_clock_display();
  EXPECT_EQ(take_sent(), (std::vector<std::string>{"TSA\r\n", "TSDON\r\n", "TSDOF\r\n"}));
}

TEST_F(ClockCommands, DisplayRangeIsOneDigitAlwaysReplacingTheTemplateZero) {
  const char* expected[] = {"TSDR1\r\n", "TSDR2\r\n", "TSDR3\r\n", "TSDR4\r\n",
                            "TSDR5\r\n", "TSDR6\r\n", "TSDR7\r\n", "TSDR8\r\n"};
  for (int i = 0; i < 8; ++i) {
    app.record.clock_display_range = i;
    EXPECT_EQ(build_clock_display_range(app.record), expected[i]);
  }
  // A hand-edited file must not put '0', '9' or a non-digit on the wire.
  for (int bad : {-1, 8, 9, 42, -1000}) {
    app.record.clock_display_range = bad;
    EXPECT_EQ(build_clock_display_range(app.record), "TSDR1\r\n") << bad;
  }
}

}  // namespace
}  // namespace zanteq
