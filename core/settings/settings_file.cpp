// Writing and reading the 72-line settings file.
#include "core/settings/settings_file.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "core/settings/settings_fields.h"

namespace zanteq {

namespace {

// The white space that formatted input skips (C locale).
bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr std::string_view empty_marker = "s";

bool all_digits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// White space as '_', so a text stays one token.
std::string without_blanks(std::string_view text) {
  std::string token(text);
  for (char& c : token)
    if (is_space(c)) c = '_';
  return token;
}

// The file's lines without their line ends; blank lines at the end are
// not counted.
std::vector<std::string_view> lines_of(std::string_view content) {
  std::vector<std::string_view> lines;
  while (!content.empty()) {
    const std::size_t end = content.find('\n');
    std::string_view line = content.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    content = end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
  }
  auto blank = [](std::string_view line) {
    for (char c : line)
      if (!is_space(c)) return false;
    return true;
  };
  while (!lines.empty() && blank(lines.back())) lines.pop_back();
  return lines;
}

std::string_view trimmed(std::string_view line) {
  while (!line.empty() && is_space(line.front())) line.remove_prefix(1);
  while (!line.empty() && is_space(line.back())) line.remove_suffix(1);
  return line;
}

// The value itself in the reason when it is short plain text; anything
// else (Shift_JIS, binary) could not be shown faithfully in a box.
std::string quoted(std::string_view value) {
  if (value.size() > 16) return {};
  for (char c : value)
    if (c < 0x20 || c > 0x7E) return {};
  return "「" + std::string(value) + "」";
}

// "「12abc」は" as the subject of a reason, or nothing.
std::string subject(std::string_view value) {
  const std::string shown = quoted(value);
  return shown.empty() ? shown : shown + "は";
}

// Exactly an optional sign and decimal digits, within an int.
std::optional<std::string> number_fault(std::string_view value, int& number) {
  std::size_t i = 0;
  bool negative = false;
  if (value[i] == '+' || value[i] == '-') negative = value[i++] == '-';
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  long long magnitude = 0;
  bool too_big = false;
  if (i == value.size()) return subject(value) + "数値ではありません。";
  for (; i < value.size(); ++i) {
    if (value[i] < '0' || value[i] > '9') return subject(value) + "数値ではありません。";
    if (!too_big) magnitude = magnitude * 10 + (value[i] - '0');
    too_big = too_big || magnitude > limit;
  }
  if (too_big) return subject(value) + "数値が大きすぎます。";
  number = static_cast<int>(negative ? -magnitude : magnitude);
  return std::nullopt;
}

// A line that holds a value: its number in the file and its text without
// the white space around it.
struct ValueLine {
  int number = 0;
  std::string_view text;
};

// What a value line holds once it has passed its check.
struct TakenValue {
  int number = 0;
  std::string text;
};

constexpr int hold_time_line = 3;

}  // namespace

std::optional<SettingsFileFault> read_settings_file(DeviceSettings& record, std::string_view content) {
  const std::vector<std::string_view> lines = lines_of(content);
  std::vector<ValueLine> found;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view text = trimmed(lines[i]);
    if (!text.empty()) found.push_back({static_cast<int>(i) + 1, text});
  }
  // The original format writes an empty hold time as an empty third line.
  const std::size_t needed = settings_file_lines;
  const bool empty_hold_time = found.size() == needed - 1 && lines.size() >= hold_time_line &&
                               found[1].number == hold_time_line - 1 && found[2].number > hold_time_line;
  if (empty_hold_time) found.insert(found.begin() + 2, ValueLine{hold_time_line, {}});

  // Other blank lines hold no value and are passed over, as hand-edited
  // files have them. With values missing, though, those after the first
  // blank line stand one line off their fields: the blank line is the
  // fault, and only the values before it are checked.
  int first_blank = 0;
  for (std::size_t i = 0; i < lines.size() && first_blank == 0; ++i) {
    const int number = static_cast<int>(i) + 1;
    if (trimmed(lines[i]).empty() && !(empty_hold_time && number == hold_time_line)) first_blank = number;
  }
  std::size_t checked = std::min(found.size(), needed);
  if (found.size() < needed && first_blank != 0) {
    checked = 0;
    while (checked < found.size() && found[checked].number < first_blank) ++checked;
  }

  // First pass: check the values against their fields' kinds.
  std::vector<TakenValue> values;
  std::optional<SettingsFileFault> fault;
  for (std::size_t i = 0; i < checked && !fault; ++i) {
    const SettingsField& field = *settings_line(static_cast<int>(i) + 1).field;
    const ValueLine& line = found[i];
    auto refuse = [&](std::string reason) { fault = SettingsFileFault{line.number, std::move(reason)}; };
    TakenValue taken;
    if (field.kind == FieldKind::number) {
      if (auto why = number_fault(line.text, taken.number)) refuse(*why);
    } else {
      const bool is_title = field.kind == FieldKind::title;
      const std::size_t fits = is_title ? title_bytes : HoldTimeText::capacity;
      if (line.text.find('\0') != std::string_view::npos) {
        refuse("読めない文字（NUL）が含まれています。");
      } else if (line.text.size() > fits) {
        refuse(is_title ? std::string("タイトルが20バイト（全角10文字）を超えています。")
                        : "保持時間" + quoted(line.text) + "が3文字を超えています。");
      }
      // A blank inside the text (a hand-edited file) is taken as the '_'
      // a save writes for it: the record holds what it will save, and the
      // file saved from it loads as the same record.
      taken.text = line.text == empty_marker ? std::string() : without_blanks(line.text);
    }
    values.push_back(taken);
  }
  if (fault) return fault;
  if (found.size() < needed) {
    if (first_blank != 0) return SettingsFileFault{first_blank, "値がありません（空の行です）。"};
    if (found.empty()) return SettingsFileFault{1, "ファイルが空です。"};
    return SettingsFileFault{found.back().number + 1, "ファイルが途中で終わっています（" + std::to_string(lines.size()) +
                                                          "行しかありません。" + std::to_string(needed) +
                                                          "行必要です）。"};
  }
  if (found.size() > needed) {
    return SettingsFileFault{found[needed].number,
                             "余分な行があります（設定ファイルは" + std::to_string(needed) + "行です）。"};
  }

  // Second pass: the whole file is sound, take it.
  for (int line = 1; line <= settings_file_lines; ++line) {
    const SettingsLine at = settings_line(line);
    const TakenValue& taken = values[static_cast<std::size_t>(line - 1)];
    if (at.field->kind == FieldKind::number)
      at.field->set_number(record, at.index, taken.number);
    else
      at.field->set_text(record, at.index, taken.text);
  }
  return std::nullopt;
}

std::string text_as_written(std::string_view text) {
  return text.empty() ? std::string(empty_marker) : without_blanks(text);
}

std::string settings_file_value(const DeviceSettings& record, int line) {
  const SettingsLine at = settings_line(line);
  if (!at.field) return {};
  if (at.field->kind == FieldKind::number) return std::to_string(at.field->number(record, at.index));
  return text_as_written(at.field->text(record, at.index));
}

std::string format_settings_file(const DeviceSettings& record) {
  std::string file;
  for (int line = 1; line <= settings_file_lines; ++line) {
    file += settings_file_value(record, line);
    file += "\r\n";
  }
  return file;
}

std::string with_dat_extension(const std::string& path) {
  if (path.find(".dat") != std::string::npos) return path;
  return path + ".dat";
}

std::string settings_file_line_name(int line) {
  const SettingsLine at = settings_line(line);
  if (!at.field) return {};
  std::string name = at.field->name;
  if (at.field->count == 1) return name;
  if (at.field->count == 2) return name + (at.index == 0 ? " left" : " right");
  if (at.index == channel_count) return name + " split";
  return name + " ch.0" + std::to_string(at.index + 1);
}

std::string settings_file_line_label(int line) {
  const SettingsLine at = settings_line(line);
  if (!at.field) return {};
  std::string name = at.field->japanese_name;
  if (at.field->count == 1) return name;
  // The elements as the dialogs' own labels and combos name them.
  if (at.field->count == 2) return name + (at.index == 0 ? " 左" : " 右");
  if (at.index == channel_count) return name + " 分割";
  return name + " ch.0" + std::to_string(at.index + 1);
}

SettingsFileLines settings_file_field_lines(std::string_view field) {
  int first = 1;
  for (const SettingsField& f : settings_fields()) {
    if (field == f.name) return {first, f.count};
    first += f.count;
  }
  return {};
}

bool settings_file_line_is_read(int line) {
  const SettingsLine at = settings_line(line);
  return at.field && at.field->read;
}

std::optional<SettingsFileProblem> check_settings_ranges(const DeviceSettings& record) {
  for (int line = 1; line <= settings_file_lines; ++line) {
    const SettingsLine at = settings_line(line);
    const SettingsField& field = *at.field;
    if (field.kind == FieldKind::number) {
      const int value = field.number(record, at.index);
      if (value < field.low || value > field.high) {
        return SettingsFileProblem{line, settings_file_line_name(line) + ": \"" + std::to_string(value) +
                                             "\" is not a number from " + std::to_string(field.low) + " to " +
                                             std::to_string(field.high)};
      }
    } else if (field.kind == FieldKind::hold_time) {
      const std::string text = field.text(record, at.index);
      if (!all_digits(text))
        return SettingsFileProblem{line, settings_file_line_name(line) + ": \"" + text + "\" is not up to three digits"};
    } else {
      // No edit offers a control character. A pair led by one goes to the
      // unit shifted, as no JIS code (as the title commands have always
      // sent it), and the unit refuses it after the steps before it went
      // out; every other title the unit cannot take is refused before
      // sending by the title's own check.
      const std::string text = field.text(record, at.index);
      if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        return SettingsFileProblem{line, settings_file_line_name(line) + ": holds a control character"};
    }
  }
  return std::nullopt;
}

}  // namespace zanteq
