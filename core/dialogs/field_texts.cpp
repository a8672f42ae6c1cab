// How each field of the settings table is shown, by its English name: the
// table's order is not repeated here.
#include "core/dialogs/field_texts.h"

#include <cstring>

#include "core/dialogs/combo_entries.h"
#include "core/dialogs/panel_texts.h"
#include "core/link/codec.h"
#include "core/link/reply_class.h"
#include "core/settings/settings_file.h"

namespace zanteq {

namespace {

enum class Form {
  entries,     // a combo of `list`
  dec2,        // "07"
  dec3,        // "064"
  seconds,     // the dwell combo: "0".."99"
  brightness,  // "-64".."63"
  title_row,   // the Y combo: index 0 shows row "02"
  text,        // code page 932 text
};

struct Shape {
  const char* field;
  Form form;
  const ComboEntries* list = nullptr;
};

const Shape shapes[] = {
    {"alarm_mode", Form::entries, &alarm_mode_entries},
    {"alarm_polarity", Form::entries, &alarm_polarity_entries},
    {"alarm_hold_time", Form::text},
    {"alarm_return", Form::entries, &off_on_entries},
    {"alarm_display", Form::entries, &off_on_entries},
    {"video_loss_detect", Form::entries, &off_on_entries},
    {"video_loss_display", Form::entries, &off_on_entries},
    {"video_loss_signal_output", Form::entries, &off_on_entries},
    {"video_loss_background", Form::entries, &video_loss_background_entries},
    {"clock_display", Form::entries, &clock_display_entries},
    {"clock_display_range", Form::entries, &clock_range_entries},
    {"title_display_single", Form::entries, &off_on_entries},
    {"title_display_split", Form::entries, &off_on_entries},
    {"osd_size_single", Form::entries, &osd_size_entries},
    {"osd_size_split", Form::entries, &osd_size_entries},
    {"title_pos_x", Form::dec2},
    {"title_pos_y", Form::title_row},
    {"auto_switch_dwell", Form::seconds},
    {"brightness", Form::brightness},
    {"contrast", Form::dec3},
    {"sharpness", Form::dec2},
    {"hue", Form::dec3},
    {"saturation", Form::dec3},
    {"connector_input", Form::entries, &connector_entries},
    {"border_line", Form::entries, &border_line_entries},
    {"power_on_screen", Form::entries, &screen_entries},
    {"split_mode", Form::entries, &split_mode_entries},
    {"video_format", Form::entries, &video_format_entries},
    {"osd_offset_h", Form::dec2},
    {"osd_offset_v", Form::dec2},
    {"title", Form::text},
    {"split2_channels", Form::entries, &split2_channel_entries},
    {"ntsc_aspect", Form::entries, &ntsc_aspect_entries},
    {"agc", Form::entries, &off_on_entries},
};

const Shape* shape_of(const SettingsField& field) {
  for (const Shape& s : shapes)
    if (std::strcmp(s.field, field.name) == 0) return &s;
  return nullptr;
}

// A combo entry without the ASCII blanks that align it in its list ("ON ",
// " 黒"); full-width blanks stand for parts not shown ("　月日時分秒") and stay.
std::string without_alignment(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  while (!text.empty() && text.front() == ' ') text.erase(0, 1);
  return text;
}

std::string shown_number(const Shape* shape, int value) {
  if (!shape) return std::to_string(value);
  switch (shape->form) {
    case Form::entries: return without_alignment(shape->list->texts[value]);
    case Form::dec2: return dec2_text(value);
    case Form::dec3: return dec3_text(value);
    case Form::seconds: return std::to_string(value);
    case Form::brightness: return without_alignment(picture_entry(PictureValue::brightness, value));
    case Form::title_row: return title_row_entry(value);
    case Form::text: break;
  }
  return std::to_string(value);
}

}  // namespace

bool has_shown_form(const SettingsField& field) { return shape_of(field) != nullptr; }

std::string shown_setting(const DeviceSettings& record, int line, const Cp932ToUtf8& convert) {
  const SettingsLine at = settings_line(line);
  if (!at.field) return {};
  const SettingsField& field = *at.field;
  if (field.kind != FieldKind::number) {
    const std::string bytes = field.text(record, at.index);
    std::string text;
    if (convert && convert(bytes, text)) return text;
    return printable_line(bytes);
  }
  const Shape* shape = shape_of(field);
  const int value = field.number(record, at.index);
  const bool offered = value >= field.low && value <= field.high &&
                       (!shape || shape->form != Form::entries || value < shape->list->count);
  if (!offered) return "範囲外 (" + std::to_string(value) + ")";
  return shown_number(shape, value);
}

}  // namespace zanteq
