// Writing and reading the 72-line settings file.
#include "core/settings/settings_file.h"

#include <climits>
#include <type_traits>

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

// A text as one token: "s" when empty, white space as '_'.
std::string text_token(const std::string& text) {
  if (text.empty()) return std::string(empty_marker);
  std::string token = text;
  for (char& c : token)
    if (is_space(c)) c = '_';
  return token;
}

class Tokens {
 public:
  explicit Tokens(std::string_view content) : rest_(content) {}

  // The next run of non-white-space bytes; false at the end of the input.
  bool next(std::string_view& token) {
    std::size_t start = 0;
    while (start < rest_.size() && is_space(rest_[start])) ++start;
    if (start == rest_.size()) {
      rest_ = {};
      return false;
    }
    std::size_t end = start;
    while (end < rest_.size() && !is_space(rest_[end])) ++end;
    token = rest_.substr(start, end - start);
    rest_ = rest_.substr(end);
    return true;
  }

 private:
  std::string_view rest_;
};

// Optional sign and digits at the start of the token.
bool leading_int(std::string_view token, int& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  long long magnitude = 0;
  const std::size_t first_digit = i;
  for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (token[i] - '0');
    if (magnitude > limit) return false;
  }
  if (i == first_digit) return false;
  value = static_cast<int>(negative ? -magnitude : magnitude);
  return true;
}

}  // namespace

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

int parse_settings_file(DeviceSettings& record, std::string_view content) {
  Tokens tokens(content);
  int taken = 0;
  bool at_end = false;
  for_each_line(record, [&](auto& field) {
    using Field = std::decay_t<decltype(field)>;
    std::string_view token;
    if (!at_end && !tokens.next(token)) at_end = true;
    if (at_end) {
      if constexpr (std::is_same_v<Field, TitleText>) field.set("");
      return;
    }
    ++taken;
    if constexpr (std::is_same_v<Field, Value>) {
      int value;
      if (leading_int(token, value)) field = value;
    } else {
      const std::size_t fits = std::is_same_v<Field, TitleText> ? title_bytes : Field::capacity;
      if (token.size() > fits) return;
      field.set(token == empty_marker ? std::string_view() : token);
    }
  });
  return taken;
}

std::string with_dat_extension(const std::string& path) {
  if (path.find(".dat") != std::string::npos) return path;
  return path + ".dat";
}

}  // namespace zanteq
