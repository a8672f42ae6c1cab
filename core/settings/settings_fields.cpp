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
constexpr SettingsField number_field(const char* name, const char* japanese_name, int low, int high,
                                    bool read = true) {
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
          nullptr,
          japanese_name};
}

template <auto Member>
constexpr SettingsField text_field(const char* name, const char* japanese_name) {
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
          [](DeviceSettings& r, int i, std::string_view value) { S::at(r, i).set(value); },
          japanese_name};
}

using R = DeviceSettings;

// The Japanese names: the menu item that opens the field's dialog, then the
// control's label as the dialog shows it. Where the label is the channel
// itself (video loss, video format, AGC) or repeats the menu (タイトル), the
// menu item alone; the title positions are reached from the title dialog.

constexpr SettingsField fields[] = {
    number_field<&R::alarm_mode>("alarm_mode", "アラーム モード", 0, 1),
    number_field<&R::alarm_polarity>("alarm_polarity", "アラーム 入力極性", 0, 1),
    text_field<&R::alarm_hold_time>("alarm_hold_time", "アラーム 保持時間"),
    number_field<&R::alarm_return>("alarm_return", "アラーム リターン", 0, 1),
    number_field<&R::alarm_display>("alarm_display", "アラーム 表示", 0, 1),
    number_field<&R::video_loss_detect>("video_loss_detect", "ビデオロス", 0, 1),
    number_field<&R::video_loss_display>("video_loss_display", "ビデオロス Display", 0, 1),
    number_field<&R::video_loss_signal_output>("video_loss_signal_output", "ビデオロス Signal Output", 0, 1),
    number_field<&R::video_loss_background>("video_loss_background", "ビデオロス 背景色", 0, 1),
    number_field<&R::clock_display>("clock_display", "日付・時刻 表示", 0, 1),
    number_field<&R::clock_display_range>("clock_display_range", "日付・時刻 表示範囲", 0, 7),
    number_field<&R::title_display_single>("title_display_single", "タイトル 単画面表示", 0, 1),
    number_field<&R::title_display_split>("title_display_split", "タイトル 分割画面表示", 0, 1),
    number_field<&R::osd_size_single>("osd_size_single", "その他 OSD Size単画面", 0, 1),
    number_field<&R::osd_size_split>("osd_size_split", "その他 OSD Size分割画面", 0, 1),
    number_field<&R::title_pos_x>("title_pos_x", "タイトル 表示位置X座標", 0, 22, false),
    number_field<&R::title_pos_y>("title_pos_y", "タイトル 表示位置Y座標", 0, 13, false),
    number_field<&R::auto_switch_dwell>("auto_switch_dwell", "自動切換え 時間（秒）", 0, 99),
    number_field<&R::brightness>("brightness", "ビデオ映像の調整 Brightness", 0, 127),
    number_field<&R::contrast>("contrast", "ビデオ映像の調整 Contrast", 0, 127),
    number_field<&R::sharpness>("sharpness", "ビデオ映像の調整 Sharpness", 0, 31),
    number_field<&R::hue>("hue", "ビデオ映像の調整 Hue", 0, 255),
    number_field<&R::saturation>("saturation", "ビデオ映像の調整 Saturation", 0, 127),
    number_field<&R::connector_input>("connector_input", "その他 コネクター入力", 0, 1),
    number_field<&R::border_line>("border_line", "その他 ボーダーライン", 0, 3),
    number_field<&R::power_on_screen>("power_on_screen", "その他 電源投入時画面", 0, 5),
    number_field<&R::split_mode>("split_mode", "表示チャンネル 分割画面選択", 0, 1),
    number_field<&R::video_format>("video_format", "ビデオフォーマット", 0, 6),
    number_field<&R::osd_offset_h>("osd_offset_h", "その他 OSD Offset水平", 0, 15),
    number_field<&R::osd_offset_v>("osd_offset_v", "その他 OSD Offset垂直", 0, 15),
    text_field<&R::title>("title", "タイトル"),
    number_field<&R::split2_channels>("split2_channels", "表示チャンネル 2分割画面ch.配置", 0, 3),
    number_field<&R::ntsc_aspect>("ntsc_aspect", "その他 NTSCアスペクト比", 0, 1),
    number_field<&R::agc>("agc", "オート・ゲイン・コントロール", 0, 1),
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
