// Turning the INI file's texts into the interface values.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "core/settings/ini_values.h"

namespace zanteq {
namespace {

TEST(IniValues, NamesOfFileSectionAndKeys) {
  EXPECT_STREQ(ini_file_name, "zanteq.ini");
  EXPECT_STREQ(ini_section, "ZANTEQ_Section");
  EXPECT_STREQ(ini_key_com_port, "com_port");
  EXPECT_STREQ(ini_key_rs_control, "rs_control");
  EXPECT_STREQ(ini_key_select_number, "select_number");
  EXPECT_STREQ(ini_key_transfer_pace, "transfer_pace");
  EXPECT_EQ(ini_to_int(ini_default_text), 0);
}

TEST(IniToInt, ConvertsLikeTheStandardConversion) {
  const std::pair<const char*, int> cases[] = {
      {"0", 0},     {"7", 7},       {"-1", -1},   {"+3", 3},     {"  12", 12}, {"\t5", 5},
      {"12abc", 12}, {"abc", 0},    {"", 0},      {"-", 0},      {"- 5", 0},   {"1 2", 1},
      {"007", 7},   {"96", 96},     {"--1", 0},   {"+-1", 0},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ini_to_int(text), value) << '"' << text << '"';
}

TEST(IniToInt, LooksAtNineCharactersOnly) {
  EXPECT_EQ(ini_to_int("123456789"), 123456789);
  EXPECT_EQ(ini_to_int("1234567890123"), 123456789);
  EXPECT_EQ(ini_to_int("-99999999999"), -99999999);
  EXPECT_EQ(ini_to_int("        5"), 5);
  EXPECT_EQ(ini_to_int("         5"), 0) << "the digit is the tenth character";
}

TEST(CheckedValues, OutsideTheTablesFallBackToTheDefault) {
  EXPECT_EQ(checked_com_port(0), 0);
  EXPECT_EQ(checked_com_port(7), 7);
  EXPECT_EQ(checked_com_port(8), 8);
  EXPECT_EQ(checked_com_port(9), 9) << "COM10: a USB adapter's number";
  EXPECT_EQ(checked_com_port(255), 255) << "COM256";
  EXPECT_EQ(checked_com_port(256), 0);
  EXPECT_EQ(checked_com_port(-1), 0);
  EXPECT_EQ(checked_com_port(INT_MIN), 0);

  EXPECT_EQ(checked_select_number(-1), -1) << "keeps the template captions";
  EXPECT_EQ(checked_select_number(0), 0);
  EXPECT_EQ(checked_select_number(96), 96);
  EXPECT_EQ(checked_select_number(97), 0);
  EXPECT_EQ(checked_select_number(-2), 0);
  EXPECT_EQ(checked_select_number(INT_MAX), 0);

  // A file of an older version has no transfer_pace and reads "0": the
  // reply pace. Only 1 asks for the old pace.
  EXPECT_EQ(checked_transfer_pace(ini_to_int(ini_default_text)), transfer_pace_replies);
  EXPECT_EQ(checked_transfer_pace(1), transfer_pace_timer);
  EXPECT_EQ(checked_transfer_pace(2), transfer_pace_replies);
  EXPECT_EQ(checked_transfer_pace(-1), transfer_pace_replies);
}

TEST(IntToIni, WritesDecimalTextThatReadsBack) {
  for (int value : {0, 1, 5, -1, 96}) {
    EXPECT_EQ(ini_to_int(int_to_ini(value)), value);
  }
  EXPECT_EQ(int_to_ini(-1), "-1");
  EXPECT_EQ(int_to_ini(5), "5");
}

TEST(OlderIniPlaces, VirtualStoreFirstThenTheWindowsFolder) {
  EXPECT_EQ(older_ini_places("C:\\Users\\op\\AppData\\Local", "C:\\Windows"),
            (std::vector<std::string>{"C:\\Users\\op\\AppData\\Local\\VirtualStore\\Windows\\zanteq.ini",
                                      "C:\\Windows\\zanteq.ini"}));
  EXPECT_EQ(older_ini_places("D:\\Profiles\\op\\Local", "D:\\WINNT"),
            (std::vector<std::string>{"D:\\Profiles\\op\\Local\\VirtualStore\\WINNT\\zanteq.ini",
                                      "D:\\WINNT\\zanteq.ini"}));
  EXPECT_EQ(older_ini_places("", "C:\\Windows"), std::vector<std::string>{"C:\\Windows\\zanteq.ini"});
}

}  // namespace
}  // namespace zanteq
