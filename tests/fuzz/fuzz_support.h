// What the fuzz targets share: the entry point libFuzzer (or the replay
// program) calls, a check that stops the run on a broken property with a
// line scripts/fuzz files the finding under, a reader of the input's
// leading control bytes, and the record as a list of field values.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/settings/record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// Not assert(): it must hold in optimised builds too.
#define FUZZ_CHECK(condition, what)                                   \
  do {                                                                \
    if (!(condition)) ::zanteq::fuzz::fail(what, __FILE__, __LINE__); \
  } while (0)

namespace zanteq::fuzz {

[[noreturn]] inline void fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", what, file, line);
  std::abort();
}

// The input read front to back: control bytes first, the rest as text.
// Past the end every byte reads 0.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : text_(reinterpret_cast<const char*>(data), size) {}
  unsigned byte() {
    if (text_.empty()) return 0;
    const unsigned b = static_cast<unsigned char>(text_.front());
    text_.remove_prefix(1);
    return b;
  }
  std::string_view take(std::size_t n) {
    const std::string_view part = text_.substr(0, n);
    text_.remove_prefix(part.size());
    return part;
  }
  std::string_view rest() const { return text_; }

 private:
  std::string_view text_;
};

// One element of a record field: its name as the prefix table knows it,
// the element (channel, dwell entry, left/right; 0 for a single value) and
// the value: a number, or the text slot whole, zeros included. Nothing is
// allocated per field: this runs twice for every reply line.
struct FieldValue {
  const char* name;
  int element;
  int number;
  std::array<char, title_slot> text;
  bool operator==(const FieldValue& o) const {
    return std::strcmp(name, o.name) == 0 && element == o.element && number == o.number && text == o.text;
  }
};

constexpr std::size_t record_field_count = 72;  // the lines of a settings file
using RecordFields = std::array<FieldValue, record_field_count>;

inline RecordFields record_fields(const DeviceSettings& r) {
  RecordFields out{};
  std::size_t at = 0;
  auto number = [&](const char* name, const Value& v, int element = 0) {
    out.at(at++) = FieldValue{name, element, v.load(), {}};
  };
  auto numbers = [&](const char* name, const auto& array) {
    int element = 0;
    for (const Value& v : array) number(name, v, element++);
  };
  auto text = [&](const char* name, const auto& field, int element = 0) {
    const auto slot = field.get();
    static_assert(sizeof slot <= title_slot, "every text slot fits the largest");
    FieldValue f{name, element, 0, {}};
    std::copy(slot.begin(), slot.end(), f.text.begin());
    out.at(at++) = f;
  };
  number("alarm_mode", r.alarm_mode);
  number("alarm_polarity", r.alarm_polarity);
  text("alarm_hold_time", r.alarm_hold_time);
  number("alarm_return", r.alarm_return);
  number("alarm_display", r.alarm_display);
  numbers("video_loss_detect", r.video_loss_detect);
  number("video_loss_display", r.video_loss_display);
  number("video_loss_signal_output", r.video_loss_signal_output);
  number("video_loss_background", r.video_loss_background);
  number("clock_display", r.clock_display);
  number("clock_display_range", r.clock_display_range);
  number("title_display_single", r.title_display_single);
  number("title_display_split", r.title_display_split);
  number("osd_size_single", r.osd_size_single);
  number("osd_size_split", r.osd_size_split);
  numbers("title_pos_x", r.title_pos_x);
  numbers("title_pos_y", r.title_pos_y);
  numbers("auto_switch_dwell", r.auto_switch_dwell);
  numbers("brightness", r.brightness);
  numbers("contrast", r.contrast);
  numbers("sharpness", r.sharpness);
  numbers("hue", r.hue);
  numbers("saturation", r.saturation);
  number("connector_input", r.connector_input);
  number("border_line", r.border_line);
  number("power_on_screen", r.power_on_screen);
  number("split_mode", r.split_mode);
  numbers("video_format", r.video_format);
  number("osd_offset_h", r.osd_offset_h);
  number("osd_offset_v", r.osd_offset_v);
  for (int ch = 0; ch < channel_count; ++ch) text("title", r.title[ch], ch);
  numbers("split2_channels", r.split2_channels);
  number("ntsc_aspect", r.ntsc_aspect);
  numbers("agc", r.agc);
  if (at != record_field_count) fail("the record has more fields than listed here", __FILE__, __LINE__);
  return out;
}

}  // namespace zanteq::fuzz
