// What the painted dialogs draw and list: the auto-switch panel lines, the
// title preview lines, the title position marker, the video adjustment
// value table, and the combo entry texts those dialogs fill in. The dialogs
// only convert these texts and draw them at the positions given here
// (pixels in the panel's client area).
//
// Encodings: texts with Japanese characters are UTF-8 like every interface
// text of the program, except the title preview lines, which carry a title
// and are therefore code page 932 bytes.
#pragma once

#include <string>
#include <string_view>

#include "core/settings/record.h"

namespace zanteq {

struct PanelPoint {
  int x;
  int y;
  bool operator==(const PanelPoint& other) const { return x == other.x && y == other.y; }
};

// The positions below are for 96 DPI; a panel on a monitor of `dpi` draws
// at the scaled point.
PanelPoint scale_point(PanelPoint at, int dpi);

// Cell height of the panels' font at 96 DPI: the height of the System font
// of a Japanese Windows, for which the panels' lines and columns are
// spaced (a half-width character 8 pixels wide, a full-width one 16).
constexpr int panel_font_height = 16;

// "ch.01  " .. "ch.04  ": the channel combo entries of the title, title
// position, video adjustment and auto-switch dialogs.
extern const char* const channel_entries[channel_count];

// ---- auto-switch ------------------------------------------------------------

// The channel combo of the auto-switch dialog and the panel's line heads:
// "ch.01  " .. "ch.04  ", then "分割   " (UTF-8).
extern const char* const auto_switch_entries[dwell_count];
// Dwell time combo entries "0" .. "99" (index = seconds).
constexpr int dwell_entry_count = 100;
// Panel line of entry 0..4: its head followed by " = 15 秒" (UTF-8).
std::string auto_switch_panel_line(int entry, int seconds);
PanelPoint auto_switch_line_position(int entry);

// ---- titles -------------------------------------------------------------------

// Preview line of channel 0..3 (code page 932): " ch.01 = " with the
// channel's digit, then the title. Each line is drawn over 30 blanks at
// the same place, which clear what was drawn there before.
inline constexpr const char* title_preview_blank = "                              ";  // 30 blanks
std::string title_preview_line(int channel, std::string_view title);
PanelPoint title_preview_position(int channel);

// ---- title position ---------------------------------------------------------

constexpr int title_column_count = 23;  // X combo "00".."22"
constexpr int title_row_count = 14;     // Y combo "02".."15"
// Y combo entry i shows row i + 2; the record and the unit use i.
std::string title_row_entry(int index);
// "***CH01***" .. "***CH04***" for channel 0..3.
std::string title_marker_text(int channel);
// Drawn over the last marker to erase it.
inline constexpr const char* title_marker_blank = "                 ";  // 17 blanks
PanelPoint title_marker_position(int column, int row);

// One step of the preview: blanks over the marker drawn last, then the
// channel's marker at its column and row, which becomes the place drawn
// last. So one marker shows at a time, also after a change of channel.
struct TitleMarkerMove {
  PanelPoint erase_at;
  PanelPoint draw_at;
  std::string marker;
};
TitleMarkerMove move_title_marker(UiState& ui, const DeviceSettings& r, int channel);

// ---- video adjustment -------------------------------------------------------

// Rows of the value table, top to bottom.
enum class PictureValue { brightness, contrast, hue, sharpness, saturation };
constexpr int picture_value_count = 5;

extern const char* const video_column_heads[channel_count];    // "ch.01" .. "ch.04"
extern const char* const video_row_heads[picture_value_count];  // "Brightness" .. "Saturation"
PanelPoint video_column_head_position(int channel);
PanelPoint video_row_head_position(int row);
PanelPoint video_cell_position(int channel, int row);

// Number of entries of the value's combo (128, 128, 256, 32, 128).
int picture_entry_count(PictureValue value);
// Entry `index` of the value's combo: brightness "-64 " .. "-01 ", " 00 " ..
// " 63 "; contrast, hue and saturation "000"..; sharpness "00"..
std::string picture_entry(PictureValue value, int index);
// The table cell for a stored index: brightness " -12 " / "  05 ", contrast
// and hue " 064 ", sharpness "  07", saturation " 080".
std::string picture_cell(PictureValue value, int index);
// The record field of the value for one channel (0..3, others as channel 0).
Value& picture_field(DeviceSettings& r, PictureValue value, int channel);
int picture_index(const DeviceSettings& r, PictureValue value, int channel);

}  // namespace zanteq
