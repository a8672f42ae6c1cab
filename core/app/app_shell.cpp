// The main window's decisions that are plain data: size table, clock texts,
// tooltips, corner clicks, title and port name.
#include "core/app/app_shell.h"

#include <cstdio>

#include "core/app/display_scale.h"
#include "core/settings/ini_values.h"

namespace zanteq {

WindowSize main_window_size(unsigned major, unsigned minor) {
  switch (major) {
    case 4:
      return {677, 90};
    case 5:
      return minor == 1 ? WindowSize{677, 104} : WindowSize{677, 90};
    case 6:
      return minor <= 1 ? WindowSize{680, 106} : WindowSize{688, 120};
    case 10:
      return {688, 120};
    default:
      return {677, 104};
  }
}

WindowSize main_window_size(unsigned major, unsigned minor, int dpi) {
  const WindowSize size = main_window_size(major, minor);
  return {scale_to_dpi(size.width, dpi), scale_to_dpi(size.height, dpi)};
}

namespace {

const char* const weekday_names[7] = {"日曜日", "月曜日", "火曜日", "水曜日",
                                      "木曜日", "金曜日", "土曜日"};

}  // namespace

std::string status_date_text(const ClockReading& now) {
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "%4d年%2d月%2d日  ", now.year, now.month, now.day);
  std::string text = numbers;
  if (now.weekday >= 0 && now.weekday < 7) text += weekday_names[now.weekday];
  return text;
}

std::string status_time_text(const ClockReading& now) {
  char text[64];
  std::snprintf(text, sizeof text, "%02d：%02d：%02d", now.hour, now.minute, now.second);
  return text;
}

const char* toolbar_tooltip(int command_id) {
  static const char* const tooltips[10] = {
      "アラーム",         "ビデオロス",         "日付・時刻", "タイトル",
      "自動切換え",       "ビデオ映像の調整",   "表示チャンネル",
      "ビデオフォーマット", "オート・ゲイン・コントロール", "その他"};
  if (command_id < 501 || command_id > 510) return nullptr;
  return tooltips[command_id - 501];
}

bool count_corner_click(int& corner_clicks, std::uint32_t position) {
  const unsigned x = position & 0xFFFFu;
  const unsigned y = (position >> 16) & 0xFFFFu;
  if (x < corner_click_size && y < corner_click_size) {
    ++corner_clicks;
  } else {
    corner_clicks = 0;
  }
  if (corner_clicks >= corner_clicks_to_open) {
    corner_clicks = 0;
    return true;
  }
  return false;
}

void note_dialog_opening(int& corner_clicks, ShellDialog dialog) {
  switch (dialog) {
    case ShellDialog::auto_switch:
    case ShellDialog::other:
    case ShellDialog::set_all:
    case ShellDialog::read_all:
    case ShellDialog::slave_address:
    case ShellDialog::unit_list:
    case ShellDialog::interface_settings: corner_clicks = 0; break;
    default: break;
  }
}

std::string main_window_title(const std::string& file_name) {
  if (file_name.empty()) return "ZANTEQ";
  const std::size_t slash = file_name.find_last_of("\\/");
  const std::string name = slash == std::string::npos ? file_name : file_name.substr(slash + 1);
  return "ZANTEQ - " + name;
}

}  // namespace zanteq
