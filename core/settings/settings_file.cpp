// Writing and reading the 72-line settings file.
#include "core/settings/settings_file.h"

#include <algorithm>
#include <climits>
#include <type_traits>
#include <vector>

namespace zanteq {

namespace {

// Calls visit(field) for each of the 72 lines in file order: Value& for a
// number, HoldTimeText& for the hold time, TitleText& for a title.
template <class Record, class Visit>
void for_each_line(Record& r, Visit&& visit) {
  auto each = [&](auto& array) {
    for (auto& element : array) visit(element);
  };
  visit(r.alarm_mode);
  visit(r.alarm_polarity);
  visit(r.alarm_hold_time);
  visit(r.alarm_return);
  visit(r.alarm_display);
  each(r.video_loss_detect);
  visit(r.video_loss_display);
  visit(r.video_loss_signal_output);
  visit(r.video_loss_background);
  visit(r.clock_display);
  visit(r.clock_display_range);
  visit(r.title_display_single);
  visit(r.title_display_split);
  visit(r.osd_size_single);
  visit(r.osd_size_split);
  each(r.title_pos_x);
  each(r.title_pos_y);
  each(r.auto_switch_dwell);
  each(r.brightness);
  each(r.contrast);
  each(r.sharpness);
  each(r.hue);
  each(r.saturation);
  visit(r.connector_input);
  visit(r.border_line);
  visit(r.power_on_screen);
  visit(r.split_mode);
  each(r.video_format);
  visit(r.osd_offset_h);
  visit(r.osd_offset_v);
  each(r.title);
  each(r.split2_channels);
  visit(r.ntsc_aspect);
  each(r.agc);
}

// The white space that formatted input skips (C locale).
bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr std::string_view empty_marker = "s";

// White space as '_', so a text stays one token.
std::string without_blanks(std::string_view text) {
  std::string token(text);
  for (char& c : token)
    if (is_space(c)) c = '_';
  return token;
}

// A text as one token: "s" when empty.
std::string text_token(const std::string& text) {
  return text.empty() ? std::string(empty_marker) : without_blanks(text);
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

  // First pass: check the values. The record is only read here for the
  // kinds of its fields.
  std::vector<TakenValue> values;
  std::optional<SettingsFileFault> fault;
  for_each_line(record, [&](const auto& field) {
    using Field = std::decay_t<decltype(field)>;
    if (fault || values.size() >= checked) return;
    const ValueLine& line = found[values.size()];
    auto refuse = [&](std::string reason) { fault = SettingsFileFault{line.number, std::move(reason)}; };
    TakenValue taken;
    if constexpr (std::is_same_v<Field, Value>) {
      if (auto why = number_fault(line.text, taken.number)) return refuse(*why);
    } else {
      constexpr bool is_title = std::is_same_v<Field, TitleText>;
      const std::size_t fits = is_title ? title_bytes : Field::capacity;
      if (line.text.find('\0') != std::string_view::npos) return refuse("読めない文字（NUL）が含まれています。");
      if (line.text.size() > fits) {
        return refuse(is_title ? std::string("タイトルが20バイト（全角10文字）を超えています。")
                               : "保持時間" + quoted(line.text) + "が3文字を超えています。");
      }
      // A blank inside the text (a hand-edited file) is taken as the '_'
      // a save writes for it: the record holds what it will save, and the
      // file saved from it loads as the same record.
      taken.text = line.text == empty_marker ? std::string() : without_blanks(line.text);
    }
    values.push_back(taken);
  });
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
  std::size_t index = 0;
  for_each_line(record, [&](auto& field) {
    using Field = std::decay_t<decltype(field)>;
    const TakenValue& taken = values[index++];
    if constexpr (std::is_same_v<Field, Value>)
      field = taken.number;
    else
      field.set(taken.text);
  });
  return std::nullopt;
}

std::string format_settings_file(const DeviceSettings& record) {
  std::string file;
  auto line = [&file](const std::string& value) {
    file += value;
    file += "\r\n";
  };
  for_each_line(record, [&](const auto& field) {
    using Field = std::decay_t<decltype(field)>;
    if constexpr (std::is_same_v<Field, Value>)
      line(std::to_string(field.load()));
    else
      line(text_token(field.str()));
  });
  return file;
}

std::string with_dat_extension(const std::string& path) {
  if (path.find(".dat") != std::string::npos) return path;
  return path + ".dat";
}

}  // namespace zanteq

namespace zanteq {

namespace {

enum class LineKind { number, hold_time, title };

// The fields in file order, with what a hand-made or damaged file is
// checked against. `count` lines share a name; `read` is false for fields
// no read command reports.
struct FieldLines {
  const char* name;
  int count;
  LineKind kind;
  int low;
  int high;
  bool read;
};

constexpr FieldLines field_lines[] = {
    {"alarm_mode", 1, LineKind::number, 0, 1, true},
    {"alarm_polarity", 1, LineKind::number, 0, 1, true},
    {"alarm_hold_time", 1, LineKind::hold_time, 0, 999, true},
    {"alarm_return", 1, LineKind::number, 0, 1, true},
    {"alarm_display", 1, LineKind::number, 0, 1, true},
    {"video_loss_detect", 4, LineKind::number, 0, 1, true},
    {"video_loss_display", 1, LineKind::number, 0, 1, true},
    {"video_loss_signal_output", 1, LineKind::number, 0, 1, true},
    {"video_loss_background", 1, LineKind::number, 0, 1, true},
    {"clock_display", 1, LineKind::number, 0, 1, true},
    {"clock_display_range", 1, LineKind::number, 0, 7, true},
    {"title_display_single", 1, LineKind::number, 0, 1, true},
    {"title_display_split", 1, LineKind::number, 0, 1, true},
    {"osd_size_single", 1, LineKind::number, 0, 1, true},
    {"osd_size_split", 1, LineKind::number, 0, 1, true},
    {"title_pos_x", 4, LineKind::number, 0, 22, false},
    {"title_pos_y", 4, LineKind::number, 0, 13, false},
    {"auto_switch_dwell", 5, LineKind::number, 0, 99, true},
    {"brightness", 4, LineKind::number, 0, 127, true},
    {"contrast", 4, LineKind::number, 0, 127, true},
    {"sharpness", 4, LineKind::number, 0, 31, true},
    {"hue", 4, LineKind::number, 0, 255, true},
    {"saturation", 4, LineKind::number, 0, 127, true},
    {"connector_input", 1, LineKind::number, 0, 1, true},
    {"border_line", 1, LineKind::number, 0, 3, true},
    {"power_on_screen", 1, LineKind::number, 0, 5, true},
    {"split_mode", 1, LineKind::number, 0, 1, true},
    {"video_format", 4, LineKind::number, 0, 6, true},
    {"osd_offset_h", 1, LineKind::number, 0, 15, true},
    {"osd_offset_v", 1, LineKind::number, 0, 15, true},
    {"title", 4, LineKind::title, 0, 0, true},
    {"split2_channels", 2, LineKind::number, 0, 3, true},
    {"ntsc_aspect", 1, LineKind::number, 0, 1, true},
    {"agc", 4, LineKind::number, 0, 1, true},
};

constexpr int counted_lines() {
  int lines = 0;
  for (const FieldLines& f : field_lines) lines += f.count;
  return lines;
}
static_assert(counted_lines() == settings_file_lines, "every line of the file has its field");

struct LineField {
  const FieldLines* field;
  int index;  // element of the field's array
};

// The field behind line 1..72; field nullptr outside.
LineField field_of_line(int line) {
  int first = 1;
  for (const FieldLines& f : field_lines) {
    if (line >= first && line < first + f.count) return {&f, line - first};
    first += f.count;
  }
  return {nullptr, 0};
}

bool all_digits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string settings_file_line_name(int line) {
  const LineField at = field_of_line(line);
  if (!at.field) return {};
  std::string name = at.field->name;
  if (at.field->count == 1) return name;
  if (at.field->count == 2) return name + (at.index == 0 ? " left" : " right");
  if (at.index == channel_count) return name + " split";
  return name + " ch.0" + std::to_string(at.index + 1);
}

bool settings_file_line_is_read(int line) {
  const LineField at = field_of_line(line);
  return at.field && at.field->read;
}

std::optional<SettingsFileProblem> check_settings_ranges(const DeviceSettings& record) {
  std::optional<SettingsFileProblem> problem;
  int line = 0;
  for_each_line(record, [&](const auto& field) {
    using Field = std::decay_t<decltype(field)>;
    ++line;
    if (problem) return;
    const FieldLines& kind = *field_of_line(line).field;
    if constexpr (std::is_same_v<Field, Value>) {
      const int value = field.load();
      if (value < kind.low || value > kind.high) {
        problem = SettingsFileProblem{line, settings_file_line_name(line) + ": \"" + std::to_string(value) +
                                                "\" is not a number from " + std::to_string(kind.low) +
                                                " to " + std::to_string(kind.high)};
      }
    } else if (kind.kind == LineKind::hold_time) {
      const std::string text = field.str();
      if (!all_digits(text)) {
        problem = SettingsFileProblem{line, settings_file_line_name(line) + ": \"" + text +
                                                "\" is not up to three digits"};
      }
    } else {
      // No edit offers a control character. A pair led by one goes to the
      // unit shifted, as no JIS code (as the title commands have always
      // sent it), and the unit refuses it after the steps before it went
      // out; every other title the unit cannot take is refused before
      // sending by the title's own check.
      const std::string text = field.str();
      if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        problem = SettingsFileProblem{line, settings_file_line_name(line) + ": holds a control character"};
    }
  });
  return problem;
}

}  // namespace zanteq
