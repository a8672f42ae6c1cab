// Entry texts of the date and time combos and the reading of their text.
#include "core/dialogs/date_time_view.h"

namespace zanteq {

namespace {

struct ClockList {
  int first;  // the number shown by entry 0
  int count;
};

ClockList list_of(ClockField field) {
  switch (field) {
    case ClockField::year: return {2000, 100};
    case ClockField::month: return {1, 12};
    case ClockField::day: return {1, 31};
    case ClockField::hour: return {0, 24};
    case ClockField::minute:
    case ClockField::second: return {0, 60};
  }
  return {0, 0};
}

int index_for_number(ClockField field, int number) {
  const ClockList list = list_of(field);
  const int index = number - list.first;
  return index >= 0 && index < list.count ? index : -1;
}

// Width in bytes of a blank at `pos` (ASCII blank or U+3000), 0 if none.
std::size_t blank_at(std::string_view text, std::size_t pos) {
  if (text[pos] == ' ' || text[pos] == '\t') return 1;
  if (text.substr(pos, 3) == "\xE3\x80\x80") return 3;
  return 0;
}

// The digit at `pos` (ASCII, or full-width U+FF10..U+FF19) and its width in
// bytes; width 0 when there is none.
std::size_t digit_at(std::string_view text, std::size_t pos, int& digit) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  if (text[pos] >= '0' && text[pos] <= '9') {
    digit = text[pos] - '0';
    return 1;
  }
  if (pos + 2 < text.size() && byte(pos) == 0xEF && byte(pos + 1) == 0xBC && byte(pos + 2) >= 0x90 &&
      byte(pos + 2) <= 0x99) {
    digit = byte(pos + 2) - 0x90;
    return 3;
  }
  return 0;
}

}  // namespace

int clock_entry_count(ClockField field) { return list_of(field).count; }

std::string clock_entry_text(ClockField field, int index) {
  const ClockList list = list_of(field);
  if (index < 0 || index >= list.count) return {};
  return std::to_string(list.first + index);
}

ClockSelection clock_selection_at(int year, int month, int day, int hour, int minute,
                                  int second) {
  ClockSelection clock;
  clock.year_index = index_for_number(ClockField::year, year);
  clock.month_index = index_for_number(ClockField::month, month);
  clock.day_index = index_for_number(ClockField::day, day);
  clock.hour = index_for_number(ClockField::hour, hour);
  clock.minute = index_for_number(ClockField::minute, minute);
  clock.second = index_for_number(ClockField::second, second);
  return clock;
}

int clock_index_from_text(ClockField field, std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && blank_at(text, pos) != 0) pos += blank_at(text, pos);
  int number = 0;
  std::size_t digits = 0;
  int digit = 0;
  while (pos < text.size()) {
    const std::size_t width = digit_at(text, pos, digit);
    if (width == 0) break;
    // More than the four places of a year can name no entry; stop before
    // the number could overflow.
    if (number > 9999) return -1;
    number = number * 10 + digit;
    ++digits;
    pos += width;
  }
  while (pos < text.size() && blank_at(text, pos) != 0) pos += blank_at(text, pos);
  if (digits == 0 || pos != text.size()) return -1;
  return index_for_number(field, number);
}

void set_clock_index(ClockSelection& clock, ClockField field, int index) {
  switch (field) {
    case ClockField::year: clock.year_index = index; break;
    case ClockField::month: clock.month_index = index; break;
    case ClockField::day: clock.day_index = index; break;
    case ClockField::hour: clock.hour = index; break;
    case ClockField::minute: clock.minute = index; break;
    case ClockField::second: clock.second = index; break;
  }
}

}  // namespace zanteq
