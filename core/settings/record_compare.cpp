// Comparing a unit's record with a file's, over the settings field table.
#include "core/settings/record_compare.h"

#include <algorithm>
#include <string_view>

#include "core/settings/settings_fields.h"
#include "core/settings/settings_file.h"

namespace zanteq {

namespace {

bool plain_digits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Digits without their leading zeros: the same number of any length,
// with nothing to overflow.
std::string_view without_leading_zeros(std::string_view digits) {
  const std::size_t first = digits.find_first_not_of('0');
  return first == std::string_view::npos ? std::string_view("0") : digits.substr(first);
}

bool same_hold_time(const std::string& a, const std::string& b) {
  if (plain_digits(a) && plain_digits(b)) return without_leading_zeros(a) == without_leading_zeros(b);
  return a == b;
}

// Every title goes to the unit padded to ten characters with full-width
// spaces, and a read drops them again (decode_title): trailing full-width
// spaces are padding, and a file that has them holds the title the unit
// reads back without them.
std::string without_title_padding(const std::string& title) {
  std::size_t end = 0;  // past the last character that is not a full-width space
  for (std::size_t i = 0; i < title.size();) {
    const auto lead = static_cast<unsigned char>(title[i]);
    const bool double_byte = ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) && i + 1 < title.size();
    const bool wide_space = double_byte && lead == 0x81 && title[i + 1] == '\x40';
    i += double_byte ? 2 : 1;
    if (!wide_space) end = i;
  }
  return title.substr(0, end);
}

std::string shown(const SettingsField& field, const DeviceSettings& record, int index) {
  const std::string text = field.text(record, index);
  return text.empty() ? text : text_as_written(text);
}

}  // namespace

std::vector<FieldDifference> compare_records(const DeviceSettings& unit, const DeviceSettings& file) {
  std::vector<FieldDifference> differences;
  for (int line = 1; line <= settings_file_lines; ++line) {
    const SettingsLine at = settings_line(line);
    const SettingsField& field = *at.field;
    if (!field.read) continue;
    FieldDifference d;
    if (field.kind == FieldKind::number) {
      const int a = field.number(unit, at.index), b = field.number(file, at.index);
      if (a == b) continue;
      d.unit = std::to_string(a);
      d.file = std::to_string(b);
    } else {
      std::string a = settings_file_value(unit, line), b = settings_file_value(file, line);
      if (field.kind == FieldKind::title) {
        a = text_as_written(without_title_padding(field.text(unit, at.index)));
        b = text_as_written(without_title_padding(field.text(file, at.index)));
      }
      if (field.kind == FieldKind::hold_time ? same_hold_time(a, b) : a == b) continue;
      d.text = true;
      d.unit = shown(field, unit, at.index);
      d.file = shown(field, file, at.index);
    }
    d.line = line;
    d.name = settings_file_line_name(line);
    differences.push_back(std::move(d));
  }
  return differences;
}

}  // namespace zanteq
