// The main window's plain rules: size by Windows version, clock texts,
// tooltips, the corner-click route, the title bar and the port name.
#include <gtest/gtest.h>

#include <cstdint>

#include "core/app/app_shell.h"
#include "core/link/port_link.h"

namespace zanteq {
namespace {

std::uint32_t at(unsigned x, unsigned y) { return (y << 16) | (x & 0xFFFFu); }

TEST(MainWindowSize, FollowsTheReportedVersion) {
  struct Case {
    unsigned major, minor;
    int width, height;
  } cases[] = {
      {4, 0, 677, 90},   {4, 10, 677, 90},  {5, 0, 677, 90},   {5, 2, 677, 90},
      {5, 1, 677, 104},  {3, 51, 677, 104}, {7, 0, 677, 104},  {11, 0, 677, 104},
      {6, 0, 680, 106},  {6, 1, 680, 106},  {6, 2, 688, 120},  {6, 3, 688, 120},
      {10, 0, 688, 120}, {10, 5, 688, 120},
  };
  for (const Case& c : cases) {
    const WindowSize size = main_window_size(c.major, c.minor);
    EXPECT_EQ(size.width, c.width) << c.major << "." << c.minor;
    EXPECT_EQ(size.height, c.height) << c.major << "." << c.minor;
  }
}

TEST(StatusBarClock, DateHasRightAlignedNumbersAndTheWeekday) {
  ClockReading saturday{2026, 12, 5, 6, 9, 5, 3};
  EXPECT_EQ(status_date_text(saturday), "2026年12月 5日  土曜日");
  ClockReading sunday{2027, 1, 31, 0, 0, 0, 0};
  EXPECT_EQ(status_date_text(sunday), "2027年 1月31日  日曜日");
  ClockReading year_999{999, 7, 7, 3, 0, 0, 0};
  EXPECT_EQ(status_date_text(year_999), " 999年 7月 7日  水曜日");
}

TEST(StatusBarClock, AnImpossibleWeekdayLeavesTheNameOut) {
  ClockReading odd{2026, 12, 5, 7, 0, 0, 0};
  EXPECT_EQ(status_date_text(odd), "2026年12月 5日  ");
  odd.weekday = -1;
  EXPECT_EQ(status_date_text(odd), "2026年12月 5日  ");
}

TEST(StatusBarClock, TimeUsesTwoDigitsAndFullWidthColons) {
  EXPECT_EQ(status_time_text({2026, 12, 5, 6, 9, 5, 3}), "09：05：03");
  EXPECT_EQ(status_time_text({2026, 12, 5, 6, 23, 59, 59}), "23：59：59");
  EXPECT_EQ(status_time_text({2026, 12, 5, 6, 0, 0, 0}), "00：00：00");
}

TEST(Toolbar, TooltipsFollowTheButtonOrder) {
  EXPECT_STREQ(toolbar_tooltip(501), "アラーム");
  EXPECT_STREQ(toolbar_tooltip(506), "ビデオ映像の調整");
  EXPECT_STREQ(toolbar_tooltip(507), "表示チャンネル");
  EXPECT_STREQ(toolbar_tooltip(509), "オート・ゲイン・コントロール");
  EXPECT_STREQ(toolbar_tooltip(510), "その他");
  EXPECT_EQ(toolbar_tooltip(500), nullptr);
  EXPECT_EQ(toolbar_tooltip(511), nullptr);
  EXPECT_EQ(toolbar_tooltip(0), nullptr);
}

TEST(CornerClicks, TenInTheCornerOpenReadAllAndStartOver) {
  int clicks = 0;
  for (int k = 1; k < 10; ++k) {
    EXPECT_FALSE(count_corner_click(clicks, at(5, 5))) << k;
    EXPECT_EQ(clicks, k);
  }
  EXPECT_TRUE(count_corner_click(clicks, at(5, 5)));
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(count_corner_click(clicks, at(0, 0)));
  EXPECT_EQ(clicks, 1);
}

TEST(CornerClicks, AClickElsewhereStartsTheCountAgain) {
  int clicks = 0;
  for (int k = 0; k < 9; ++k) count_corner_click(clicks, at(19, 19));
  EXPECT_FALSE(count_corner_click(clicks, at(300, 40)));
  EXPECT_EQ(clicks, 0);
  for (int k = 0; k < 9; ++k) EXPECT_FALSE(count_corner_click(clicks, at(5, 5)));
  EXPECT_TRUE(count_corner_click(clicks, at(5, 5)));
}

TEST(CornerClicks, TheCornerIsTwentyPixelsAndKeyboardRequestsDoNotCount) {
  int clicks = 3;
  count_corner_click(clicks, at(20, 5));
  EXPECT_EQ(clicks, 0);
  clicks = 3;
  count_corner_click(clicks, at(5, 20));
  EXPECT_EQ(clicks, 0);
  clicks = 3;
  count_corner_click(clicks, at(0xFFFF, 0xFFFF));  // from the keyboard
  EXPECT_EQ(clicks, 0);
  clicks = 3;
  count_corner_click(clicks, at(0xFFFB, 5));  // a monitor left of the main one
  EXPECT_EQ(clicks, 0);
}

TEST(CornerClicks, SomeDialogsStartTheCountAgainWhenOpened) {
  const ShellDialog restarting[] = {ShellDialog::auto_switch, ShellDialog::other,
                                    ShellDialog::set_all,     ShellDialog::read_all,
                                    ShellDialog::slave_address, ShellDialog::unit_list,
                                    ShellDialog::interface_settings};
  const ShellDialog keeping[] = {ShellDialog::alarm,        ShellDialog::video_loss,
                                 ShellDialog::date_time,    ShellDialog::title,
                                 ShellDialog::video_adjust, ShellDialog::display_channel,
                                 ShellDialog::video_format, ShellDialog::agc,
                                 ShellDialog::about};
  for (ShellDialog dialog : restarting) {
    int clicks = 9;
    note_dialog_opening(clicks, dialog);
    EXPECT_EQ(clicks, 0) << static_cast<int>(dialog);
  }
  for (ShellDialog dialog : keeping) {
    int clicks = 9;
    note_dialog_opening(clicks, dialog);
    EXPECT_EQ(clicks, 9) << static_cast<int>(dialog);
    EXPECT_TRUE(count_corner_click(clicks, at(1, 1)));  // the tenth still opens read-all
  }
}

TEST(MainWindowTitle, ShowsTheFileNameWithoutItsFolder) {
  EXPECT_EQ(main_window_title(""), "ZANTEQ");
  EXPECT_EQ(main_window_title("C:\\Users\\op\\site A\\set1.dat"), "ZANTEQ - set1.dat");
  EXPECT_EQ(main_window_title("Z:/tmp/設定.dat"), "ZANTEQ - 設定.dat");
  EXPECT_EQ(main_window_title("set1.dat"), "ZANTEQ - set1.dat");
}

TEST(PortName, NamesCom1ToCom256AndFallsBackToCom1) {
  EXPECT_EQ(port_name(0), "COM1");
  EXPECT_EQ(port_name(5), "COM6");
  EXPECT_EQ(port_name(8), "COM9");
  EXPECT_EQ(port_name(9), "COM10");
  EXPECT_EQ(port_name(11), "COM12");
  EXPECT_EQ(port_name(255), "COM256");
  EXPECT_EQ(port_name(256), "COM1");
  EXPECT_EQ(port_name(-1), "COM1");
  EXPECT_EQ(port_name(123456), "COM1");
}

}  // namespace
}  // namespace zanteq
