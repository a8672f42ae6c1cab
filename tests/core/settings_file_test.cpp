// The 72-line settings file: its exact form, reading it back, and files
// that are short, hand-edited or hold values that do not fit.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/settings/settings_file.h"

namespace zanteq {
namespace {

std::vector<std::string> lines_of(const std::string& file) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < file.size()) {
    const std::size_t end = file.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(file.substr(start));
      break;
    }
    lines.push_back(file.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string join(const std::vector<std::string>& lines, const char* end = "\r\n") {
  std::string file;
  for (const std::string& line : lines) file += line + end;
  return file;
}

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_settings(app);
    reset_settings(other);
  }
  AppState app;
  AppState other;
};

TEST_F(SettingsFile, DefaultRecordGivesTheFactoryListing) {
  std::vector<std::string> expected = {"0", "0", "030", "1", "1", "1", "1", "1", "1", "1", "0", "0",
                                        "1", "0", "1", "1", "1", "0"};
  auto times = [&expected](const char* value, int n) { expected.insert(expected.end(), n, value); };
  times("11", 4);
  times("13", 4);
  times("3", 5);
  times("64", 4);
  times("64", 4);
  times("0", 4);
  times("0", 4);
  times("80", 4);
  for (const char* v : {"0", "0", "4", "0"}) expected.push_back(v);
  times("0", 4);
  times("8", 2);
  for (const char* title : default_titles) expected.push_back(title);
  for (const char* v : {"0", "1", "0"}) expected.push_back(v);
  times("1", 4);
  ASSERT_EQ(expected.size(), 72u);

  const std::string file = format_settings_file(app.record);
  EXPECT_EQ(lines_of(file), expected);
  EXPECT_EQ(file, join(expected)) << "every line ends in CR LF, nothing else in the file";
}

TEST_F(SettingsFile, EveryLineHoldsItsOwnField) {
  // A distinct value per line shows the order of the fields.
  DeviceSettings& r = app.record;
  int next = 100;
  auto put = [&next](Value& v) { v = next++; };
  put(r.alarm_mode);
  put(r.alarm_polarity);
  r.alarm_hold_time.set("999");
  put(r.alarm_return);
  put(r.alarm_display);
  for (Value& v : r.video_loss_detect) put(v);
  put(r.video_loss_display);
  put(r.video_loss_signal_output);
  put(r.video_loss_background);
  put(r.clock_display);
  put(r.clock_display_range);
  put(r.title_display_single);
  put(r.title_display_split);
  put(r.osd_size_single);
  put(r.osd_size_split);
  for (Value& v : r.title_pos_x) put(v);
  for (Value& v : r.title_pos_y) put(v);
  for (Value& v : r.auto_switch_dwell) put(v);
  for (Value& v : r.brightness) put(v);
  for (Value& v : r.contrast) put(v);
  for (Value& v : r.sharpness) put(v);
  for (Value& v : r.hue) put(v);
  for (Value& v : r.saturation) put(v);
  put(r.connector_input);
  put(r.border_line);
  put(r.power_on_screen);
  put(r.split_mode);
  for (Value& v : r.video_format) put(v);
  put(r.osd_offset_h);
  put(r.osd_offset_v);
  for (int ch = 0; ch < channel_count; ++ch) r.title[ch].set("T" + std::to_string(ch + 1));
  for (Value& v : r.split2_channels) put(v);
  put(r.ntsc_aspect);
  for (Value& v : r.agc) put(v);

  const std::vector<std::string> lines = lines_of(format_settings_file(r));
  ASSERT_EQ(lines.size(), 72u);
  int expected = 100;
  for (int i = 0; i < 72; ++i) {
    const int line = i + 1;
    if (line == 3)
      EXPECT_EQ(lines[i], "999");
    else if (line >= 62 && line <= 65)
      EXPECT_EQ(lines[i], "T" + std::to_string(line - 61));
    else
      EXPECT_EQ(lines[i], std::to_string(expected++)) << "line " << line;
  }

  EXPECT_EQ(read_settings_file(other.record, format_settings_file(r)), std::nullopt);
  EXPECT_EQ(format_settings_file(other.record), format_settings_file(r));
}

TEST_F(SettingsFile, DefaultsRoundTripWithTheirFullWidthSpaces) {
  for (Value& v : other.record.hue) v = 200;
  for (int ch = 0; ch < channel_count; ++ch) other.record.title[ch].set("x");
  EXPECT_EQ(read_settings_file(other.record, format_settings_file(app.record)), std::nullopt);
  EXPECT_EQ(format_settings_file(other.record), format_settings_file(app.record));
  for (int ch = 0; ch < channel_count; ++ch) EXPECT_EQ(other.record.title[ch].str(), default_titles[ch]);
}

TEST_F(SettingsFile, EmptyTitleIsWrittenAsTheLetterS) {
  app.record.title[1].set("");
  const std::vector<std::string> lines = lines_of(format_settings_file(app.record));
  EXPECT_EQ(lines[62], "s");
  ASSERT_EQ(read_settings_file(other.record, format_settings_file(app.record)), std::nullopt);
  EXPECT_EQ(other.record.title[1].str(), "");
  EXPECT_EQ(other.record.title[2].str(), default_titles[2]);

  app.record.title[3].set("s");
  ASSERT_EQ(read_settings_file(other.record, format_settings_file(app.record)), std::nullopt);
  EXPECT_EQ(other.record.title[3].str(), "") << "a title that is the letter s reads as empty";
}

TEST_F(SettingsFile, EmptyHoldTimeKeepsEveryLaterValueInItsPlace) {
  app.record.alarm_hold_time.set("");
  app.record.alarm_return = 0;
  const std::string file = format_settings_file(app.record);
  EXPECT_EQ(lines_of(file).size(), 72u);
  EXPECT_EQ(lines_of(file)[2], "s");
  ASSERT_EQ(read_settings_file(other.record, file), std::nullopt);
  EXPECT_EQ(other.record.alarm_hold_time.str(), "");
  EXPECT_EQ(other.record.alarm_return, 0);
  EXPECT_EQ(format_settings_file(other.record), file);
}

TEST_F(SettingsFile, BlanksInsideTextsCannotSplitALine) {
  // An ASCII blank typed into the title edit, CR LF from a short ADT reply.
  app.record.title[0].set("AB CD\x81\x40");
  app.record.alarm_hold_time.set("7\r\n");
  app.record.split2_channels[0] = 3;
  const std::string file = format_settings_file(app.record);
  const std::vector<std::string> lines = lines_of(file);
  ASSERT_EQ(lines.size(), 72u);
  EXPECT_EQ(lines[2], "7__");
  EXPECT_EQ(lines[61], "AB_CD\x81\x40");
  ASSERT_EQ(read_settings_file(other.record, file), std::nullopt);
  EXPECT_EQ(other.record.split2_channels[0], 3);
  EXPECT_EQ(other.record.title[1].str(), default_titles[1]);

  // Typed into the file by hand, a blank inside a text loads as the '_' a
  // save writes, so the file saved from it loads as the same record.
  std::vector<std::string> edited = lines;
  edited[2] = "7 8";
  edited[62] = "\x81 Q\tR";
  ASSERT_EQ(read_settings_file(other.record, join(edited)), std::nullopt);
  EXPECT_EQ(other.record.alarm_hold_time.str(), "7_8");
  EXPECT_EQ(other.record.title[1].str(), "\x81_Q_R");
  EXPECT_EQ(lines_of(format_settings_file(other.record))[62], "\x81_Q_R");
}

TEST_F(SettingsFile, ReadingTakesEitherLineEndAndBlanksAroundValues) {
  std::vector<std::string> lines = lines_of(format_settings_file(app.record));
  lines[0] = "  1\t";
  lines[31] = "-5";           // brightness ch.01
  lines[32] = "+7";           // brightness ch.02
  lines[33] = "-2147483648";  // brightness ch.04
  lines[34] = "2147483647";
  lines[71] = "0";
  lines[40] += "\n\n";  // blank lines between values
  EXPECT_EQ(read_settings_file(other.record, join(lines, "\n") + "\n \r\n\t\n"), std::nullopt);
  EXPECT_EQ(other.record.alarm_mode, 1);
  EXPECT_EQ(other.record.brightness[0], -5);
  EXPECT_EQ(other.record.brightness[1], 7);
  EXPECT_EQ(other.record.brightness[2], INT32_MIN);
  EXPECT_EQ(other.record.brightness[3], INT32_MAX);
  EXPECT_EQ(other.record.agc[3], 0);
  EXPECT_EQ(other.record.title[3].str(), default_titles[3]);
  EXPECT_EQ(lines_of(format_settings_file(other.record))[31], "-5");
}

// The original format writes the hold time as it is: empty as an empty
// line, and "7\r\n" from a short ADT reply as "7" and a blank line.
TEST_F(SettingsFile, HoldTimesOfTheOriginalFormatKeepEveryValueInPlace) {
  std::vector<std::string> lines = lines_of(format_settings_file(app.record));
  lines[2] = "";
  lines[3] = "0";  // alarm_return, which must not become the hold time
  other.record.alarm_hold_time.set("045");
  EXPECT_EQ(read_settings_file(other.record, join(lines)), std::nullopt);
  EXPECT_EQ(other.record.alarm_hold_time.str(), "");
  EXPECT_EQ(other.record.alarm_return, 0);
  EXPECT_EQ(other.record.agc[3], 1);

  lines[2] = "7\r\n";
  EXPECT_EQ(read_settings_file(other.record, join(lines)), std::nullopt);
  EXPECT_EQ(other.record.alarm_hold_time.str(), "7");
  EXPECT_EQ(other.record.alarm_return, 0);
}

// A damaged file is refused at its first bad line, and the record keeps
// every value it had: nothing of the file is taken.
TEST_F(SettingsFile, ADamagedFileIsRefusedAtItsFirstBadLine) {
  struct Case {
    int line;             // the line replaced (1..72), 0 for none
    std::string text;     // its new text
    std::size_t keep;     // lines kept of the file (72: all)
    std::string reason;   // what the user reads after the line number
  };
  const std::vector<Case> cases = {
      {1, "abc", 72, "「abc」は数値ではありません。"},
      {4, "-", 72, "「-」は数値ではありません。"},
      {13, "12abc", 72, "「12abc」は数値ではありません。"},
      {14, "1 2", 72, "「1 2」は数値ではありません。"},
      {32, "", 72, "値がありません（空の行です）。"},
      {33, "99999999999", 72, "「99999999999」は数値が大きすぎます。"},
      {34, "-2147483649", 72, "「-2147483649」は数値が大きすぎます。"},
      {3, "0300", 72, "保持時間「0300」が3文字を超えています。"},
      {62, std::string(21, 'A'), 72, "タイトルが20バイト（全角10文字）を超えています。"},
      {64, std::string("A\0B", 3), 72, "読めない文字（NUL）が含まれています。"},
      {0, "", 47, "ファイルが途中で終わっています（47行しかありません。72行必要です）。"},
      {0, "", 71, "ファイルが途中で終わっています（71行しかありません。72行必要です）。"},
      {0, "", 0, "ファイルが空です。"},
      {40, "x", 45, "「x」は数値ではありません。"},  // the first fault wins
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = lines_of(format_settings_file(app.record));
    if (c.line > 0) lines[c.line - 1] = c.text;
    lines.resize(c.keep);
    AppState before;
    reset_settings(before);
    for (Value& v : other.record.hue) v = 9;
    other.record.title[1].set("old");
    other.record.alarm_hold_time.set("12");
    const std::string kept = format_settings_file(other.record);

    const std::optional<SettingsFileFault> fault = read_settings_file(other.record, join(lines));
    ASSERT_TRUE(fault) << "line " << c.line << " '" << c.text << "' was taken";
    const int expected_line = c.line > 0 ? c.line : static_cast<int>(c.keep) + 1;
    EXPECT_EQ(fault->line, expected_line) << c.text;
    EXPECT_EQ(fault->reason, c.reason);
    EXPECT_EQ(format_settings_file(other.record), kept) << "line " << expected_line;
  }

  const std::string extra = format_settings_file(app.record) + "5\r\n";
  const std::optional<SettingsFileFault> fault = read_settings_file(other.record, extra);
  ASSERT_TRUE(fault);
  EXPECT_EQ(fault->line, 73);
  EXPECT_EQ(fault->reason, "余分な行があります（設定ファイルは72行です）。");
}

TEST(WithDatExtension, AppendsOnlyWhenDatIsNowhereInThePath) {
  EXPECT_EQ(with_dat_extension("C:\\data\\set1"), "C:\\data\\set1.dat");
  EXPECT_EQ(with_dat_extension("C:\\data\\set1.dat"), "C:\\data\\set1.dat");
  EXPECT_EQ(with_dat_extension("set1.dat.txt"), "set1.dat.txt");
  EXPECT_EQ(with_dat_extension("set1.DAT"), "set1.DAT.dat");
  EXPECT_EQ(with_dat_extension("C:\\my.data\\set1"), "C:\\my.data\\set1");
}

}  // namespace
}  // namespace zanteq

namespace zanteq {
namespace {

TEST(SettingsFileCheck, NamesEveryLineAndTiesTheNamesToTheWrittenOrder) {
  EXPECT_EQ(settings_file_line_name(1), "alarm_mode");
  EXPECT_EQ(settings_file_line_name(31), "auto_switch_dwell split");
  EXPECT_EQ(settings_file_line_name(62), "title ch.01");
  EXPECT_EQ(settings_file_line_name(67), "split2_channels right");
  EXPECT_EQ(settings_file_line_name(72), "agc ch.04");
  EXPECT_EQ(settings_file_line_name(0), "");
  EXPECT_EQ(settings_file_line_name(73), "");
  EXPECT_FALSE(settings_file_line_is_read(19)) << "title_pos_x has no read command";
  EXPECT_FALSE(settings_file_line_is_read(26));
  EXPECT_TRUE(settings_file_line_is_read(27));

  AppState app;
  reset_settings(app);
  app.record.brightness[1] = 5;
  app.record.hue[3] = 201;
  const std::vector<std::string> lines = lines_of(format_settings_file(app.record));
  for (int line = 1; line <= settings_file_lines; ++line) {
    const std::string name = settings_file_line_name(line);
    const std::string& value = lines[static_cast<std::size_t>(line - 1)];
    if (name == "brightness ch.02") {
      EXPECT_EQ(value, "5");
    } else if (name == "hue ch.04") {
      EXPECT_EQ(value, "201");
    }
  }
  EXPECT_FALSE(check_settings_ranges(app.record).has_value());
}

TEST(SettingsFileCheck, RefusesValuesNoDialogOffersAtTheirLine) {
  AppState app;
  reset_settings(app);
  const std::vector<std::string> good = lines_of(format_settings_file(app.record));
  struct Damage {
    int line;  // 1-based line changed
    std::string value;
    const char* says;
  };
  const Damage damages[] = {
      {33, "900", "brightness ch.02: \"900\" is not a number from 0 to 127"},
      {54, "-1", "power_on_screen"},
      {3, "1a", "alarm_hold_time: \"1a\" is not up to three digits"},
      {67, "4", "split2_channels right"},
      {63, "\x01\x40\x82\xa0", "title ch.02: holds a control character"},  // sent as no JIS code
  };
  for (const Damage& d : damages) {
    std::vector<std::string> lines = good;
    lines[static_cast<std::size_t>(d.line - 1)] = d.value;
    AppState loaded;
    reset_settings(loaded);
    ASSERT_FALSE(read_settings_file(loaded.record, join(lines)).has_value()) << d.line;
    const auto problem = check_settings_ranges(loaded.record);
    ASSERT_TRUE(problem.has_value()) << d.line << " " << d.value;
    EXPECT_EQ(problem->line, d.line);
    EXPECT_NE(problem->text.find(d.says), std::string::npos) << problem->text;
  }
}

}  // namespace
}  // namespace zanteq
