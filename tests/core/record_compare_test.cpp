// A unit's record against a file's, field by field: what differs is named by
// line and name with both values, fields no command reads are left out,
// and hold times are numbers only while they are plain digits.
#include <gtest/gtest.h>

#include "core/settings/record_compare.h"
#include "core/settings/settings_file.h"

namespace zanteq {
namespace {

class CompareRecords : public ::testing::Test {
 protected:
  CompareRecords() {
    reset_settings(unit);
    reset_settings(file);
  }
  AppState unit;
  AppState file;
};

TEST_F(CompareRecords, NamesEachDifferingFieldWithItsLineAndBothValues) {
  EXPECT_TRUE(compare_records(unit.record, file.record).empty());

  file.record.hue[2] = 7;
  unit.record.title[1].set("");
  file.record.title[3].set("AB CD");  // a blank, as the file writes it
  unit.record.title_pos_x[1] = 3;     // no command reads it
  unit.record.split2_channels[1] = 2;
  unit.record.agc[3] = 0;

  const std::vector<FieldDifference> d = compare_records(unit.record, file.record);
  ASSERT_EQ(d.size(), 5u);
  const auto expect = [&d](std::size_t i, int line, const char* name, bool text, const std::string& on_unit,
                           const std::string& in_file) {
    SCOPED_TRACE(name);
    EXPECT_EQ(d[i].line, line);
    EXPECT_EQ(d[i].name, name);
    EXPECT_EQ(d[i].text, text);
    EXPECT_EQ(d[i].unit, on_unit);
    EXPECT_EQ(d[i].file, in_file);
  };
  expect(0, 46, "hue ch.03", false, "0", "7");
  expect(1, 63, "title ch.02", true, "", default_titles[1]);
  expect(2, 65, "title ch.04", true, default_titles[3], "AB_CD");
  expect(3, 67, "split2_channels right", false, "2", "1");
  expect(4, 72, "agc ch.04", false, "0", "1");

  // What a file cannot hold apart is no difference.
  unit.record.title[3].set("AB_CD");
  EXPECT_EQ(compare_records(unit.record, file.record).size(), 4u);
}

// The unit pads every title to ten characters with full-width spaces and a
// read drops them: a unit written from the factory file reads back
// "　　　ＣＨ０１" and holds just what the file says.
TEST_F(CompareRecords, TitlePaddingIsNoDifference) {
  const std::string wide_space = "\x81\x40";
  for (int ch = 0; ch < channel_count; ++ch) unit.record.title[ch].set(std::string(default_titles[ch]).substr(0, 14));
  EXPECT_TRUE(compare_records(unit.record, file.record).empty());

  struct Case {
    std::string unit, file;
    bool same;
  };
  const Case cases[] = {
      {"", wide_space + wide_space, true},
      {"A", "A" + wide_space, true},
      {"\x88\x81", "\x88\x81" + wide_space, true},  // a trail byte 0x81 begins no space
      {"\x81\x81\x40", "\x81\x81", false},          // "\x81\x40" here is no character
      {wide_space + "A", "A", false},                  // leading spaces are kept
      {"A" + wide_space + "B", "AB", false},
  };
  for (const Case& c : cases) {
    unit.record.title[0].set(c.unit);
    file.record.title[0].set(c.file);
    const std::vector<FieldDifference> d = compare_records(unit.record, file.record);
    EXPECT_EQ(d.empty(), c.same) << c.unit << " / " << c.file;
    if (!d.empty()) {
      EXPECT_EQ(d[0].file, text_as_written(c.file)) << "shown as the file holds it";
    }
  }
}

TEST_F(CompareRecords, HoldTimesAreNumbersOnlyWhilePlainDigits) {
  struct Case {
    const char* unit;
    const char* file;
    bool same;
  };
  const Case cases[] = {
      {"30", "030", true},  {"030", "30", true}, {"0", "000", true},  {"999", "999", true},
      {"--1", "1", false},  {"--1", "--1", true}, {"1-2", "1", false}, {"1-2", "12", false},
      {"-1", "1", false},   {"+3", "3", false},  {"", "0", false},    {"", "", true},
      {"3 0", "3_0", true}, {"30", "3", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.unit) + " / " + c.file);
    unit.record.alarm_hold_time.set(c.unit);
    file.record.alarm_hold_time.set(c.file);
    const std::vector<FieldDifference> d = compare_records(unit.record, file.record);
    ASSERT_EQ(d.empty(), c.same);
    if (d.empty()) continue;
    EXPECT_EQ(d[0].line, 3);
    EXPECT_EQ(d[0].name, "alarm_hold_time");
    EXPECT_TRUE(d[0].text);
  }

  // Titles are texts, however they read.
  unit.record.alarm_hold_time.set("030");
  file.record.alarm_hold_time.set("030");
  unit.record.title[0].set("007");
  file.record.title[0].set("7");
  ASSERT_EQ(compare_records(unit.record, file.record).size(), 1u);
}

}  // namespace
}  // namespace zanteq
