// Alarm commands: one letter or ON/OFF per setting, and the hold time.
#include "core/dialogs/alarm.h"

#include "core/dialogs/command_fields.h"

namespace zanteq {

std::string build_alarm_mode(const DeviceSettings& r) {
  std::string line = "AMI\r\n";
  if (r.alarm_mode != 0) line[2] = 'E';
  return line;
}

std::string build_alarm_polarity(const DeviceSettings& r) {
  std::string line = "APM\r\n";
  if (r.alarm_polarity != 0) line[2] = 'B';
  return line;
}

std::string build_alarm_display(const DeviceSettings& r) {
  std::string line = "ADOF\r\n";
  put_on_off(line, 2, r.alarm_display);
  return line;
}

std::string build_alarm_return(const DeviceSettings& r) {
  std::string line = "AROF\r\n";
  put_on_off(line, 2, r.alarm_return);
  return line;
}

std::optional<int> hold_time_seconds(std::string_view text) {
  int value = 0;
  std::size_t digits = 0;
  // The field holds three characters; a fourth is never looked at beyond
  // deciding where the number ends.
  while (digits < text.size() && digits < 4 && text[digits] >= '0' && text[digits] <= '9') {
    if (digits < 3) value = value * 10 + (text[digits] - '0');
    ++digits;
  }
  if (digits == 0 || value < 3) return std::nullopt;
  return value;
}

const char* hold_time_refusal(std::string_view text) {
  return hold_time_seconds(text) ? nullptr : hold_time_message;
}

std::string build_alarm_hold_time(int seconds) {
  std::string line = "ADT000\r\n";
  put_dec3(line, 3, seconds);
  return line;
}

}  // namespace zanteq
