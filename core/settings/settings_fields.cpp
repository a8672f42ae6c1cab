// The settings record's field table. Each row names its record member; the
// member's own type gives the row's kind and line count, so a row cannot
// claim four lines for a field of five.
#include "core/settings/settings_fields.h"

#include <iterator>
#include <type_traits>
#include <utility>

#include "core/settings/settings_file.h"

namespace zanteq {

namespace {

// A member of the record, single or an array, seen element by element.
template <auto Member>
struct Slot {
  using Declared = std::remove_reference_t<decltype(std::declval<DeviceSettings&>().*Member)>;
  using Element = std::remove_extent_t<Declared>;
  static constexpr int count = std::is_array_v<Declared> ? static_cast<int>(std::extent_v<Declared>) : 1;

  template <class Record>
  static auto& at(Record& record, int index) {
    if constexpr (std::is_array_v<Declared>)
      return (record.*Member)[index];
    else
      return record.*Member;
  }
};

template <auto Member>
constexpr SettingsField number_field(const char* name, int low, int high, bool read = true) {
  using S = Slot<Member>;
  static_assert(std::is_same_v<typename S::Element, Value>, "a number field is a Value");
  return {name,
          FieldKind::number,
          S::count,
          low,
          high,
          read,
          [](const DeviceSettings& r, int i) { return S::at(r, i).load(); },
          [](DeviceSettings& r, int i, int value) { S::at(r, i).store(value); },
          nullptr,
          nullptr};
}

template <auto Member>
constexpr SettingsField text_field(const char* name) {
  using S = Slot<Member>;
  constexpr bool is_title = std::is_same_v<typename S::Element, TitleText>;
  static_assert(is_title || std::is_same_v<typename S::Element, HoldTimeText>, "a text field is a title or the hold time");
  return {name,
          is_title ? FieldKind::title : FieldKind::hold_time,
          S::count,
          0,
          is_title ? 0 : 999,
          true,
          nullptr,
          nullptr,
          [](const DeviceSettings& r, int i) { return S::at(r, i).str(); },
          [](DeviceSettings& r, int i, std::string_view value) { S::at(r, i).set(value); }};
}

using R = DeviceSettings;

constexpr SettingsField fields[] = {
    number_field<&R::alarm_mode>("alarm_mode", 0, 1),
    number_field<&R::alarm_polarity>("alarm_polarity", 0, 1),
    text_field<&R::alarm_hold_time>("alarm_hold_time"),
    number_field<&R::alarm_return>("alarm_return", 0, 1),
    number_field<&R::alarm_display>("alarm_display", 0, 1),
    number_field<&R::video_loss_detect>("video_loss_detect", 0, 1),
    number_field<&R::video_loss_display>("video_loss_display", 0, 1),
    number_field<&R::video_loss_signal_output>("video_loss_signal_output", 0, 1),
    number_field<&R::video_loss_background>("video_loss_background", 0, 1),
    number_field<&R::clock_display>("clock_display", 0, 1),
    number_field<&R::clock_display_range>("clock_display_range", 0, 7),
    number_field<&R::title_display_single>("title_display_single", 0, 1),
    number_field<&R::title_display_split>("title_display_split", 0, 1),
    number_field<&R::osd_size_single>("osd_size_single", 0, 1),
    number_field<&R::osd_size_split>("osd_size_split", 0, 1),
    number_field<&R::title_pos_x>("title_pos_x", 0, 22, false),
    number_field<&R::title_pos_y>("title_pos_y", 0, 13, false),
    number_field<&R::auto_switch_dwell>("auto_switch_dwell", 0, 99),
    number_field<&R::brightness>("brightness", 0, 127),
    number_field<&R::contrast>("contrast", 0, 127),
    number_field<&R::sharpness>("sharpness", 0, 31),
    number_field<&R::hue>("hue", 0, 255),
    number_field<&R::saturation>("saturation", 0, 127),
    number_field<&R::connector_input>("connector_input", 0, 1),
    number_field<&R::border_line>("border_line", 0, 3),
    number_field<&R::power_on_screen>("power_on_screen", 0, 5),
    number_field<&R::split_mode>("split_mode", 0, 1),
    number_field<&R::video_format>("video_format", 0, 6),
    number_field<&R::osd_offset_h>("osd_offset_h", 0, 15),
    number_field<&R::osd_offset_v>("osd_offset_v", 0, 15),
    text_field<&R::title>("title"),
    number_field<&R::split2_channels>("split2_channels", 0, 3),
    number_field<&R::ntsc_aspect>("ntsc_aspect", 0, 1),
    number_field<&R::agc>("agc", 0, 1),
};

constexpr int counted_lines() {
  int lines = 0;
  for (const SettingsField& f : fields) lines += f.count;
  return lines;
}
static_assert(counted_lines() == settings_file_lines, "every line of the settings file has its field");

}  // namespace

SettingsFieldRange settings_fields() { return {std::begin(fields), std::end(fields)}; }

SettingsLine settings_line(int line) {
  int first = 1;
  for (const SettingsField& f : fields) {
    if (line >= first && line < first + f.count) return {&f, line - first};
    first += f.count;
  }
  return {};
}

}  // namespace zanteq
