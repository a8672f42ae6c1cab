// The date and time combos: their entries, the local time they open on, and
// what a typed text in their edit field stands for.
#include <gtest/gtest.h>

#include "tests/core/builder_fixture.h"
#include "core/dialogs/date_time_view.h"

namespace zanteq {
namespace {

TEST(ClockEntries, ListsRunWithoutLeadingZeros) {
  EXPECT_EQ(clock_entry_count(ClockField::year), 100);
  EXPECT_EQ(clock_entry_text(ClockField::year, 0), "2000");
  EXPECT_EQ(clock_entry_text(ClockField::year, 99), "2099");
  EXPECT_EQ(clock_entry_text(ClockField::year, 100), "");
  EXPECT_EQ(clock_entry_text(ClockField::month, 0), "1");
  EXPECT_EQ(clock_entry_text(ClockField::month, 11), "12");
  EXPECT_EQ(clock_entry_text(ClockField::day, 30), "31");
  EXPECT_EQ(clock_entry_count(ClockField::hour), 24);
  EXPECT_EQ(clock_entry_text(ClockField::hour, 0), "0");
  EXPECT_EQ(clock_entry_text(ClockField::minute, 59), "59");
  EXPECT_EQ(clock_entry_text(ClockField::second, -1), "");
}

TEST(ClockOpening, LocalTimeSelectsItsEntries) {
  const ClockSelection c = clock_selection_at(2026, 3, 5, 14, 7, 9);
  EXPECT_EQ(c.year_index, 26);
  EXPECT_EQ(c.month_index, 2);
  EXPECT_EQ(c.day_index, 4);
  EXPECT_EQ(c.hour, 14);
  EXPECT_EQ(c.minute, 7);
  EXPECT_EQ(c.second, 9);
}

TEST(ClockOpening, AYearOutsideTheListLeavesTheYearUnselected) {
  EXPECT_EQ(clock_selection_at(2100, 1, 1, 0, 0, 0).year_index, -1);
  EXPECT_EQ(clock_selection_at(1999, 12, 31, 23, 59, 59).year_index, -1);
  const ClockSelection c = clock_selection_at(2100, 1, 1, 0, 0, 0);
  EXPECT_EQ(c.month_index, 0);
  EXPECT_EQ(c.second, 0);
  // A leap second is no entry of the seconds list.
  EXPECT_EQ(clock_selection_at(2026, 6, 30, 23, 59, 60).second, -1);
}

TEST(ClockText, EntryTextsNameTheirOwnIndex) {
  for (ClockField field : {ClockField::year, ClockField::month, ClockField::day, ClockField::hour,
                           ClockField::minute, ClockField::second}) {
    for (int i = 0; i < clock_entry_count(field); ++i)
      ASSERT_EQ(clock_index_from_text(field, clock_entry_text(field, i)), i);
  }
}

TEST(ClockText, TypedNumbersMayHaveZerosBlanksAndFullWidthDigits) {
  EXPECT_EQ(clock_index_from_text(ClockField::day, "05"), 4);
  EXPECT_EQ(clock_index_from_text(ClockField::minute, " 7 "), 7);
  EXPECT_EQ(clock_index_from_text(ClockField::year, "０２０２６"), 26);
  EXPECT_EQ(clock_index_from_text(ClockField::hour, "\xE3\x80\x80" "１４"), 14);
}

TEST(ClockText, AnythingElseNamesNoEntry) {
  EXPECT_EQ(clock_index_from_text(ClockField::year, ""), -1);
  EXPECT_EQ(clock_index_from_text(ClockField::year, "   "), -1);
  EXPECT_EQ(clock_index_from_text(ClockField::year, "26"), -1);      // not 2026
  EXPECT_EQ(clock_index_from_text(ClockField::year, "2100"), -1);
  EXPECT_EQ(clock_index_from_text(ClockField::month, "0"), -1);
  EXPECT_EQ(clock_index_from_text(ClockField::month, "13"), -1);
  EXPECT_EQ(clock_index_from_text(ClockField::day, "32"), -1);
  EXPECT_EQ(clock_index_from_text(ClockField::hour, "24"), -1);
  EXPECT_EQ(clock_index_from_text(ClockField::minute, "60"), -1);
  EXPECT_EQ(clock_index_from_text(ClockField::second, "-1"), -1);
  EXPECT_EQ(clock_index_from_text(ClockField::second, "1 2"), -1);
  EXPECT_EQ(clock_index_from_text(ClockField::second, "12s"), -1);
  EXPECT_EQ(clock_index_from_text(ClockField::year, "99999999999999999999"), -1);
}

using ClockFromCombos = testing::OperationsTest;

TEST_F(ClockFromCombos, TypedTextReachesTheWireAsItsEntry) {
  ClockSelection c = clock_selection_at(2026, 3, 5, 14, 7, 9);
  set_clock_index(c, ClockField::minute, clock_index_from_text(ClockField::minute, "45"));
  set_clock_index(c, ClockField::year, clock_index_from_text(ClockField::year, "2031"));
  EXPECT_TRUE(ops.send_date_time(c));
  EXPECT_EQ(one_sent(), "TDS310305144509\r\n");
}

TEST_F(ClockFromCombos, TextNamingNoEntryIsRefusedWithItsField) {
  ClockSelection c = clock_selection_at(2026, 3, 5, 14, 7, 9);
  set_clock_index(c, ClockField::day, clock_index_from_text(ClockField::day, "32"));
  EXPECT_FALSE(ops.send_date_day(c));
  EXPECT_FALSE(ops.send_date_time(c));
  EXPECT_TRUE(ops.send_date_month(c));
  EXPECT_EQ(take_sent(), std::vector<std::string>{"DSM03\r\n"});
  ASSERT_EQ(reporter.boxes.size(), 2u);
  EXPECT_EQ(reporter.boxes[0].text, clock_field_message(ClockField::day));
  EXPECT_EQ(reporter.boxes[1].text, clock_field_message(ClockField::day));
}

}  // namespace
}  // namespace zanteq
