// Texts and positions of the painted panels and the painted dialogs' combos.
#include "core/dialogs/panel_texts.h"

#include "core/app/display_scale.h"
#include "core/dialogs/command_fields.h"
#include "core/dialogs/video_adjust.h"
#include "core/link/codec.h"

namespace zanteq {

PanelPoint scale_point(PanelPoint at, int dpi) {
  return {scale_to_dpi(at.x, dpi), scale_to_dpi(at.y, dpi)};
}

const char* const channel_entries[channel_count] = {"ch.01  ", "ch.02  ", "ch.03  ", "ch.04  "};

// ---- auto-switch ------------------------------------------------------------

const char* const auto_switch_entries[dwell_count] = {"ch.01  ", "ch.02  ", "ch.03  ", "ch.04  ",
                                                      "分割   "};

std::string auto_switch_panel_line(int entry, int seconds) {
  if (entry < 0 || entry >= dwell_count) entry = 0;
  std::string tail = " = 00 秒";
  tail.replace(3, 2, dec2_text(seconds));
  return auto_switch_entries[entry] + tail;
}

PanelPoint auto_switch_line_position(int entry) { return {20, 10 + 23 * entry}; }

// ---- titles -------------------------------------------------------------------

std::string title_preview_line(int channel, std::string_view title) {
  std::string line = " ch.01 = ";
  line[5] = static_cast<char>('1' + dialog_channel(channel));
  line += title;
  return line;
}

PanelPoint title_preview_position(int channel) { return {0, 8 + 18 * channel}; }

// ---- title position ---------------------------------------------------------

std::string title_row_entry(int index) { return dec2_text(index + 2); }

std::string title_marker_text(int channel) {
  std::string marker = "***CH01***";
  marker[6] = static_cast<char>('1' + dialog_channel(channel));
  return marker;
}

PanelPoint title_marker_position(int column, int row) { return {column * 12, row * 16 + 32}; }

TitleMarkerMove move_title_marker(UiState& ui, const DeviceSettings& r, int channel) {
  channel = dialog_channel(channel);
  const int column = r.title_pos_x[channel];
  const int row = r.title_pos_y[channel];
  TitleMarkerMove move{title_marker_position(ui.title_marker_x, ui.title_marker_y),
                       title_marker_position(column, row), title_marker_text(channel)};
  ui.title_marker_x = column;
  ui.title_marker_y = row;
  return move;
}

// ---- video adjustment -------------------------------------------------------

const char* const video_column_heads[channel_count] = {"ch.01", "ch.02", "ch.03", "ch.04"};
const char* const video_row_heads[picture_value_count] = {"Brightness", "Contrast", "Hue",
                                                          "Sharpness", "Saturation"};

PanelPoint video_column_head_position(int channel) { return {160 + 110 * channel, 6}; }
PanelPoint video_row_head_position(int row) { return {20, 26 + 20 * row}; }
PanelPoint video_cell_position(int channel, int row) { return {160 + 110 * channel, 26 + 20 * row}; }

int picture_entry_count(PictureValue value) {
  switch (value) {
    case PictureValue::hue: return 256;
    case PictureValue::sharpness: return 32;
    default: return 128;
  }
}

namespace {

// The signed brightness (-64..+63) that goes to the unit for a stored index,
// so a value out of the combo's range is shown as what is actually sent.
int signed_brightness(int index) {
  const int wire = brightness_wire_value(index);
  return wire < 64 ? wire : wire - 128;
}

std::string brightness_text(int signed_value) {
  return (signed_value < 0 ? "-" : " ") + dec2_text(signed_value < 0 ? -signed_value : signed_value) +
         " ";
}

}  // namespace

std::string picture_entry(PictureValue value, int index) {
  switch (value) {
    case PictureValue::brightness: return brightness_text(signed_brightness(index));
    case PictureValue::sharpness: return dec2_text(index);
    default: return dec3_text(index);
  }
}

std::string picture_cell(PictureValue value, int index) {
  switch (value) {
    case PictureValue::brightness: return " " + brightness_text(signed_brightness(index));
    case PictureValue::contrast:
    case PictureValue::hue: return " " + dec3_text(index) + " ";
    case PictureValue::sharpness: return "  " + dec2_text(index);
    case PictureValue::saturation: return " " + dec3_text(index);
  }
  return {};
}

Value& picture_field(DeviceSettings& r, PictureValue value, int channel) {
  channel = dialog_channel(channel);
  switch (value) {
    case PictureValue::contrast: return r.contrast[channel];
    case PictureValue::hue: return r.hue[channel];
    case PictureValue::sharpness: return r.sharpness[channel];
    case PictureValue::saturation: return r.saturation[channel];
    default: return r.brightness[channel];
  }
}

int picture_index(const DeviceSettings& r, PictureValue value, int channel) {
  return picture_field(const_cast<DeviceSettings&>(r), value, channel);
}

}  // namespace zanteq
