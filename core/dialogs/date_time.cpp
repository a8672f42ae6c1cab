// Date, time and clock display commands.
#include "core/dialogs/date_time.h"

#include "core/dialogs/command_fields.h"

namespace zanteq {

namespace {

struct FieldInfo {
  int entries;          // list entries of the combo
  int wire_offset;      // added to the index for the wire (month, day: 1)
  const char* message;
};

const FieldInfo& info(ClockField field) {
  static const FieldInfo table[] = {
      {100, 0, "年を一覧から選択してください。"},
      {12, 1, "月を一覧から選択してください。"},
      {31, 1, "日を一覧から選択してください。"},
      {24, 0, "時を一覧から選択してください。"},
      {60, 0, "分を一覧から選択してください。"},
      {60, 0, "秒を一覧から選択してください。"},
  };
  return table[static_cast<int>(field)];
}

int index_of(const ClockSelection& clock, ClockField field) {
  switch (field) {
    case ClockField::year: return clock.year_index;
    case ClockField::month: return clock.month_index;
    case ClockField::day: return clock.day_index;
    case ClockField::hour: return clock.hour;
    case ClockField::minute: return clock.minute;
    case ClockField::second: return clock.second;
  }
  return -1;
}

// The two wire digits of one field.
int wire_value(const ClockSelection& clock, ClockField field) {
  return index_of(clock, field) + info(field).wire_offset;
}

std::optional<std::string> single_field(const char* templ, const ClockSelection& clock,
                                        ClockField field) {
  if (!clock_field_selected(clock, field)) return std::nullopt;
  std::string line = templ;
  put_dec2(line, 3, wire_value(clock, field));
  return line;
}

}  // namespace

bool clock_field_selected(const ClockSelection& clock, ClockField field) {
  const int index = index_of(clock, field);
  return index >= 0 && index < info(field).entries;
}

std::optional<ClockField> first_unselected_clock_field(const ClockSelection& clock) {
  for (ClockField field : {ClockField::year, ClockField::month, ClockField::day, ClockField::hour,
                           ClockField::minute, ClockField::second})
    if (!clock_field_selected(clock, field)) return field;
  return std::nullopt;
}

const char* clock_field_message(ClockField field) { return info(field).message; }

std::optional<std::string> build_date_year(const ClockSelection& clock) {
  return single_field("DSY01\r\n", clock, ClockField::year);
}
std::optional<std::string> build_date_month(const ClockSelection& clock) {
  return single_field("DSM01\r\n", clock, ClockField::month);
}
std::optional<std::string> build_date_day(const ClockSelection& clock) {
  return single_field("DSD01\r\n", clock, ClockField::day);
}
std::optional<std::string> build_time_hour(const ClockSelection& clock) {
  return single_field("TSH01\r\n", clock, ClockField::hour);
}
std::optional<std::string> build_time_minute(const ClockSelection& clock) {
  return single_field("TSM01\r\n", clock, ClockField::minute);
}
std::optional<std::string> build_time_second(const ClockSelection& clock) {
  return single_field("TSS01\r\n", clock, ClockField::second);
}

std::optional<std::string> build_date_time(const ClockSelection& clock) {
  if (first_unselected_clock_field(clock)) return std::nullopt;
  std::string line = "TDS991231235959\r\n";
  put_dec2(line, 3, wire_value(clock, ClockField::year));
  put_dec2(line, 5, wire_value(clock, ClockField::month));
  put_dec2(line, 7, wire_value(clock, ClockField::day));
  put_dec2(line, 9, wire_value(clock, ClockField::hour));
  put_dec2(line, 11, wire_value(clock, ClockField::minute));
  put_dec2(line, 13, wire_value(clock, ClockField::second));
  return line;
}

std::string build_time_adjust() { return "TSA\r\n"; }

std::string build_clock_display_range(const DeviceSettings& r) {
  std::string line = "TSDR0\r\n";
  put_index_digit(line, 4, r.clock_display_range, 8);
  return line;
}

std::string build_clock_display(const DeviceSettings& r) {
  std::string line = "TSDOF\r\n";
  put_on_off(line, 3, r.clock_display);
  return line;
}

}  // namespace zanteq
