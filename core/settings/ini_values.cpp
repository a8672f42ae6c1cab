// Parsing and writing rules of the INI values.
#include "core/settings/ini_values.h"

#include "core/link/port_link.h"

#include "core/settings/record.h"

namespace zanteq {

const char* const ini_file_name = "zanteq.ini";
const char* const ini_section = "ZANTEQ_Section";
const char* const ini_key_com_port = "com_port";
const char* const ini_key_rs_control = "rs_control";
const char* const ini_key_select_number = "select_number";
const char* const ini_key_transfer_pace = "transfer_pace";
const char* const ini_default_text = "0";

namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
}  // namespace

int ini_to_int(std::string_view text) {
  text = text.substr(0, ini_value_chars);
  std::size_t i = 0;
  while (i < text.size() && is_space(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10 + (text[i] - '0');
  return negative ? -value : value;
}

int checked_com_port(int value) { return value >= 0 && value <= com_port_max ? value : 0; }

int checked_select_number(int value) {
  return value >= -1 && value < unit_name_count ? value : 0;
}

int checked_transfer_pace(int value) { return value == transfer_pace_timer ? value : transfer_pace_replies; }

std::string int_to_ini(int value) { return std::to_string(value); }

std::vector<std::string> older_ini_places(const std::string& local_app_data, const std::string& windows_folder) {
  std::vector<std::string> places;
  const bool has_drive = windows_folder.size() >= 2 && windows_folder[1] == ':';
  if (!local_app_data.empty() && has_drive) {
    places.push_back(local_app_data + "\\VirtualStore" + windows_folder.substr(2) + "\\" + ini_file_name);
  }
  if (!windows_folder.empty()) places.push_back(windows_folder + "\\" + ini_file_name);
  return places;
}

std::string ini_write_failed_text(const std::string& path) {
  return "インターフェイスの設定をファイルに保存できませんでした。\n\n" + path +
         "\n\n選んだ設定は、次に起動したときには使われません。フォルダーに書き込めるか確認してください。";
}

}  // namespace zanteq
