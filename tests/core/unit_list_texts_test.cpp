// What the unit list shows and writes without a run: the fields' Japanese
// names, values as the dialogs show them, the site report's CSV, the "-NN"
// file names and the files refused before anything is sent.
#include <gtest/gtest.h>

#include <set>

#include "core/bulk/site_report.h"
#include "core/bulk/unit_list.h"
#include "core/dialogs/field_texts.h"
#include "core/settings/settings_fields.h"
#include "core/settings/settings_file.h"
#include "tests/core/cp932_fake.h"

namespace zanteq {
namespace {

TEST(UnitListFieldNames, EveryLineNamedOnceAsTheMenuAndDialogNameIt) {
  std::set<std::string> names;
  for (int line = 1; line <= settings_file_lines; ++line) {
    const std::string name = settings_file_line_label(line);
    EXPECT_FALSE(name.empty()) << line;
    EXPECT_TRUE(names.insert(name).second) << "line " << line << " shares its name: " << name;
  }
  EXPECT_EQ(names.size(), 72u);
  for (const SettingsField& field : settings_fields()) EXPECT_STRNE(field.japanese_name, "") << field.name;
  EXPECT_EQ(settings_file_line_label(0), "");
  EXPECT_EQ(settings_file_line_label(73), "");

  EXPECT_EQ(settings_file_line_label(3), "アラーム 保持時間");
  EXPECT_EQ(settings_file_line_label(settings_file_field_lines("brightness").first + 1),
            "ビデオ映像の調整 Brightness ch.02");
  EXPECT_EQ(settings_file_line_label(settings_file_field_lines("auto_switch_dwell").first + 4),
            "自動切換え 時間（秒） 分割");
  EXPECT_EQ(settings_file_line_label(settings_file_field_lines("split2_channels").first + 1),
            "表示チャンネル 2分割画面ch.配置 右");
  EXPECT_EQ(settings_file_line_label(62), "タイトル ch.01");
  EXPECT_EQ(settings_file_line_label(6), "ビデオロス ch.01");
}

TEST(UnitListShownValues, CombosAsTheirTextsNumbersAsTheDialogsWriteThem) {
  AppState app;
  reset_settings(app);
  DeviceSettings& r = app.record;
  const auto line_of = [](const char* field, int index = 0) { return settings_file_field_lines(field).first + index; };
  const auto shown = [&](const char* field, int index = 0) {
    return shown_setting(r, line_of(field, index), testing::fake_cp932_to_utf8);
  };

  EXPECT_EQ(shown("alarm_mode"), "Internal");
  EXPECT_EQ(shown("alarm_polarity"), "Make") << "alignment blanks left out";
  EXPECT_EQ(shown("alarm_hold_time"), "030");
  EXPECT_EQ(shown("alarm_display"), "ON");
  EXPECT_EQ(shown("video_loss_background"), "黒");
  EXPECT_EQ(shown("power_on_screen"), "分割画面");
  EXPECT_EQ(shown("title_pos_y"), "15") << "row combo entry 13 shows row 15";
  EXPECT_EQ(shown("brightness"), "00") << "the factory index 64 is brightness 0";
  EXPECT_EQ(shown("contrast"), "064");
  EXPECT_EQ(shown("sharpness"), "00");
  EXPECT_EQ(shown("auto_switch_dwell", 4), "3");
  EXPECT_EQ(shown("title"), "　　　ＣＨ０１　　　");
  r.brightness[2] = 0;
  r.brightness[3] = 127;
  r.clock_display_range = 3;
  r.split2_channels[1] = 3;
  r.video_format[0] = 1;
  r.border_line = 4;  // no such entry
  r.hue[0] = -1;
  r.title[1].set("\x82\x60\xFF\xFE");  // a byte pair code page 932 does not have
  EXPECT_EQ(shown("brightness", 2), "-64");
  EXPECT_EQ(shown("brightness", 3), "63");
  EXPECT_EQ(shown("clock_display_range"), "　月日時分秒") << "full-width blanks are what the unit leaves out";
  EXPECT_EQ(shown("split2_channels", 1), "ch.04");
  EXPECT_EQ(shown("video_format"), "720p AHD");
  EXPECT_EQ(shown("border_line"), "範囲外 (4)");
  EXPECT_EQ(shown("hue"), "範囲外 (-1)");
  EXPECT_EQ(shown("title", 1), "\\x82`\\xFF\\xFE");

  // Every value a dialog offers has a text of its own; one past the end has none.
  for (const SettingsField& field : settings_fields()) {
    EXPECT_TRUE(has_shown_form(field)) << field.name;
    if (field.kind != FieldKind::number) continue;
    const int line = line_of(field.name);
    std::set<std::string> texts;
    for (int value = field.low; value <= field.high; ++value) {
      field.set_number(r, 0, value);
      const std::string text = shown_setting(r, line, nullptr);
      EXPECT_EQ(text.find("範囲外"), std::string::npos) << field.name << " " << value;
      EXPECT_TRUE(texts.insert(text).second) << field.name << " " << value << " " << text;
    }
    field.set_number(r, 0, field.high + 1);
    EXPECT_EQ(shown_setting(r, line, nullptr), "範囲外 (" + std::to_string(field.high + 1) + ")");
  }
}

TEST(SiteReport, Utf8WithByteOrderMarkCrLfAndQuotedWhereCsvNeedsIt) {
  EXPECT_EQ(csv_field("064"), "064");
  EXPECT_EQ(csv_field(""), "");
  EXPECT_EQ(csv_field("a,b"), "\"a,b\"");
  EXPECT_EQ(csv_field("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(csv_field("two\r\nlines"), "\"two\r\nlines\"");
  EXPECT_EQ(csv_field("line\n"), "\"line\n\"");
  EXPECT_EQ(csv_field(" 00"), "\" 00\"");
  EXPECT_EQ(csv_field("ON "), "\"ON \"");
  EXPECT_EQ(csv_field("　ＣＨ"), "\"　ＣＨ\"");
  EXPECT_EQ(csv_field("ＣＨ　"), "\"ＣＨ　\"");
  EXPECT_EQ(csv_field("ＣＨ　０１"), "ＣＨ　０１");
  EXPECT_EQ(csv_field("日付・時刻 表示範囲"), "日付・時刻 表示範囲");

  AppState a, b;
  reset_settings(a);
  reset_settings(b);
  b.record.brightness[1] = 76;
  b.record.title[0].set("A,\"B\"");
  b.record.alarm_hold_time.set("5");
  const std::string csv =
      format_site_report({{"03", &a.record}, {"12", &b.record}}, testing::fake_cp932_to_utf8);

  ASSERT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
  std::vector<std::string> rows;
  for (std::size_t at = 3; at < csv.size();) {
    const std::size_t end = csv.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "every row ends in CR LF";
    rows.push_back(csv.substr(at, end - at));
    at = end + 2;
  }
  ASSERT_EQ(rows.size(), 65u) << "the heading and the 64 lines a read fills";
  EXPECT_EQ(csv.find('\n'), csv.find("\r\n") + 1);
  EXPECT_EQ(rows[0], "項目,03,12");
  EXPECT_EQ(rows[1], "アラーム モード,Internal,Internal");
  EXPECT_EQ(rows[3], "アラーム 保持時間,030,5");
  EXPECT_EQ(rows[19], "自動切換え 時間（秒） ch.01,3,3") << "the title positions are no rows";
  EXPECT_EQ(rows[25], "ビデオ映像の調整 Brightness ch.02,00,12");
  EXPECT_EQ(rows[54], "タイトル ch.01,\"　　　ＣＨ０１　　　\",\"A,\"\"B\"\"\"");
  EXPECT_EQ(rows[64], "オート・ゲイン・コントロール ch.04,ON,ON");
  for (std::size_t i = 1; i < rows.size(); ++i)
    EXPECT_EQ(rows[i].rfind(csv_field(settings_file_line_label(static_cast<int>(i) + (i > 18 ? 8 : 0))), 0), 0u)
        << rows[i];
}

TEST(UnitFileNames, TheUnitsAddressBeforeTheExtension) {
  const UnitTarget unit3{1, 3}, unit31{1, 31}, rs232c{0, 0};
  EXPECT_EQ(unit_file_path("site.dat", unit3), "site-03.dat");
  EXPECT_EQ(unit_file_path("C:\\jobs\\site.dat", unit31), "C:\\jobs\\site-31.dat");
  EXPECT_EQ(unit_file_path("site", unit3), "site-03");
  EXPECT_EQ(unit_file_path("C:\\jobs.2024\\site", unit3), "C:\\jobs.2024\\site-03");
  EXPECT_EQ(unit_file_path("/home/me/jobs.2024/site", unit3), "/home/me/jobs.2024/site-03");
  EXPECT_EQ(unit_file_path("C:\\jobs.2024\\site.v2.dat", unit3), "C:\\jobs.2024\\site.v2-03.dat");
  EXPECT_EQ(unit_file_path("C:\\jobs\\.dat", unit3), "C:\\jobs\\.dat-03");
  EXPECT_EQ(unit_file_path("C:\\jobs.2024\\site.dat", rs232c), "C:\\jobs.2024\\site.dat");
  EXPECT_EQ(file_name_of("C:\\jobs.2024\\site-03.dat"), "site-03.dat");
  EXPECT_EQ(file_name_of("/tmp/x/site-03.dat"), "site-03.dat");
  EXPECT_EQ(file_name_of("site.dat"), "site.dat");
}

// A settings file with line `line` (1..72) replaced.
std::string file_with(int line, const std::string& value) {
  AppState app;
  reset_settings(app);
  std::string content;
  for (int l = 1; l <= settings_file_lines; ++l)
    content += (l == line ? value : settings_file_value(app.record, l)) + "\r\n";
  return content;
}

TEST(UnitListFiles, AFileSetAllWouldRefuseIsRefusedBeforeTheFirstUnitNamingItsLine) {
  UnitListFile file;
  ASSERT_FALSE(load_unit_list_file(file_with(0, ""), UnitListUse::write, file));
  ASSERT_TRUE(file.loaded());
  ASSERT_EQ(file.write_plan().steps.size(), 50u);
  EXPECT_EQ(file.write_plan().steps[25].command, "ADT030\r\n");
  const std::string good_title_command = file.write_plan().steps[0].command;

  const auto refused = [](const std::string& content, UnitListUse use) {
    UnitListFile f;
    const auto refusal = load_unit_list_file(content, use, f);
    EXPECT_EQ(f.loaded(), !refusal);
    return refusal.value_or(UnitListFileRefusal{0, "taken"});
  };
  const UnitListFileRefusal hold = refused(file_with(3, "2"), UnitListUse::write);
  EXPECT_EQ(hold.line, 3);
  EXPECT_EQ(hold.reason, "アラーム 保持時間: 3秒以上を設定してください。");
  const UnitListFileRefusal title = refused(file_with(64, "\xF0\x40\x82\x60"), UnitListUse::write);
  EXPECT_EQ(title.line, 64);
  EXPECT_EQ(title.reason, "タイトル ch.03: ＪＩＳ第１水準,第２水準以外の字が選択されてます");
  EXPECT_EQ(refused(file_with(65, "\x82\x60" "A"), UnitListUse::write).line, 65) << "odd length";
  const UnitListFileRefusal damaged = refused(file_with(40, "7x"), UnitListUse::write);
  EXPECT_EQ(damaged.line, 40);
  EXPECT_EQ(refused(file_with(40, "7x"), UnitListUse::compare).line, 40);
  EXPECT_EQ(refused(file_with(3, "2"), UnitListUse::compare).reason, "taken") << "a compare sends nothing";

  // A refused file leaves the one loaded before as it was.
  EXPECT_TRUE(load_unit_list_file(file_with(3, "2"), UnitListUse::write, file));
  EXPECT_EQ(file.record().alarm_hold_time.str(), "030");
  EXPECT_EQ(file.write_plan().steps[0].command, good_title_command);

  EXPECT_EQ(unit_list_file_refused_text("D:\\site.dat", hold, UnitListUse::write),
            "この設定ファイルでは書き込みできないため、中止しました。\n\nD:\\site.dat\n\n3行目: "
            "アラーム 保持時間: 3秒以上を設定してください。\n\nどのユニットにも何も送っていません。");
}

}  // namespace
}  // namespace zanteq
