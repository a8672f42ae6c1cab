// Texts and positions the painted dialogs draw, and the entries of their
// value combos.
#include <gtest/gtest.h>

#include <string>

#include "core/dialogs/panel_repaint.h"
#include "core/dialogs/panel_texts.h"
#include "core/dialogs/video_adjust.h"
#include "core/link/codec.h"

namespace zanteq {
namespace {

TEST(AutoSwitchPanel, LinesCarryTheEntryHeadAndTwoDigitSeconds) {
  EXPECT_EQ(auto_switch_panel_line(0, 3), "ch.01   = 03 秒");
  EXPECT_EQ(auto_switch_panel_line(1, 15), "ch.02   = 15 秒");
  EXPECT_EQ(auto_switch_panel_line(4, 0), "分割    = 00 秒");
  EXPECT_EQ(auto_switch_panel_line(3, 99), "ch.04   = 99 秒");
}

TEST(AutoSwitchPanel, OutOfRangeSecondsStayTwoDigits) {
  // A hand-edited settings file may hold anything; the line keeps its shape.
  EXPECT_EQ(auto_switch_panel_line(2, 250), "ch.03   = 99 秒");
  EXPECT_EQ(auto_switch_panel_line(2, -4), "ch.03   = 00 秒");
}

TEST(AutoSwitchPanel, LinesAre23PixelsApartFrom10) {
  EXPECT_EQ(auto_switch_line_position(0), (PanelPoint{20, 10}));
  EXPECT_EQ(auto_switch_line_position(4), (PanelPoint{20, 102}));
  EXPECT_STREQ(auto_switch_entries[4], "分割   ");
}

TEST(TitlePreview, ChannelThenTitleBytesOverThirtyBlanks) {
  AppState app;
  reset_settings(app);
  const std::string title = app.record.title[2].str();
  EXPECT_EQ(title_preview_line(2, title), " ch.03 = " + title);
  // cp932 bytes are passed through untouched (0x81 0x40 is a full-width blank).
  EXPECT_EQ(title_preview_line(0, "\x82\xa0\x81\x40"), " ch.01 = \x82\xa0\x81\x40");
  // The blanks drawn first reach as far as a line with a full title.
  EXPECT_EQ(std::string(title_preview_blank), std::string(30, ' '));
  EXPECT_GE(std::string(title_preview_blank).size(), title_preview_line(0, title).size());
  EXPECT_EQ(title_preview_position(0), (PanelPoint{0, 8}));
  EXPECT_EQ(title_preview_position(3), (PanelPoint{0, 62}));
}

TEST(TitlePosition, MarkerNamesTheChannelAndSitsOnTheGrid) {
  EXPECT_EQ(title_marker_text(0), "***CH01***");
  EXPECT_EQ(title_marker_text(3), "***CH04***");
  EXPECT_EQ(title_marker_text(5), "***CH01***");  // automatic switching counts as ch.01
  EXPECT_EQ(title_marker_position(11, 13), (PanelPoint{132, 240}));
  EXPECT_EQ(title_marker_position(0, 0), (PanelPoint{0, 32}));
  // The blank run covers the whole marker it erases.
  EXPECT_EQ(std::string(title_marker_blank), std::string(17, ' '));
  EXPECT_GE(std::string(title_marker_blank).size(), title_marker_text(0).size());
}

TEST(TitlePosition, EachMoveErasesTheMarkerDrawnLast) {
  AppState app;
  reset_settings(app);
  UiState& ui = app.ui;
  DeviceSettings& r = app.record;
  // First drawing after a reset: the blanks go where the marker is drawn.
  TitleMarkerMove move = move_title_marker(ui, r, 1);
  EXPECT_EQ(move.erase_at, (PanelPoint{132, 240}));
  EXPECT_EQ(move.draw_at, (PanelPoint{132, 240}));
  EXPECT_EQ(move.marker, "***CH02***");
  // A new column: the old place is erased, the new one drawn and kept.
  r.title_pos_x[1] = 0;
  move = move_title_marker(ui, r, 1);
  EXPECT_EQ(move.erase_at, (PanelPoint{132, 240}));
  EXPECT_EQ(move.draw_at, (PanelPoint{0, 240}));
  EXPECT_EQ(ui.title_marker_x, 0);
  EXPECT_EQ(ui.title_marker_y, 13);
  // Another channel: the previous channel's marker goes.
  r.title_pos_x[3] = 22;
  r.title_pos_y[3] = 0;
  move = move_title_marker(ui, r, 3);
  EXPECT_EQ(move.erase_at, (PanelPoint{0, 240}));
  EXPECT_EQ(move.draw_at, (PanelPoint{264, 32}));
  EXPECT_EQ(move.marker, "***CH04***");
  // Split screen or automatic switching left by the display channel
  // dialog: channel 1's place and marker.
  r.title_pos_y[0] = 2;
  move = move_title_marker(ui, r, 5);
  EXPECT_EQ(move.erase_at, (PanelPoint{264, 32}));
  EXPECT_EQ(move.draw_at, (PanelPoint{132, 64}));
  EXPECT_EQ(move.marker, "***CH01***");
  EXPECT_EQ(ui.title_marker_x, 11);
  EXPECT_EQ(ui.title_marker_y, 2);
}

TEST(TitlePosition, RowEntriesShowTheRowPlusTwo) {
  EXPECT_EQ(title_row_entry(0), "02");
  EXPECT_EQ(title_row_entry(title_row_count - 1), "15");
  EXPECT_EQ(dec2_text(title_column_count - 1), "22");
}

TEST(VideoAdjustCombos, BrightnessEntriesRunFromMinus64ToPlus63) {
  ASSERT_EQ(picture_entry_count(PictureValue::brightness), 128);
  EXPECT_EQ(picture_entry(PictureValue::brightness, 0), "-64 ");
  EXPECT_EQ(picture_entry(PictureValue::brightness, 63), "-01 ");
  EXPECT_EQ(picture_entry(PictureValue::brightness, 64), " 00 ");
  EXPECT_EQ(picture_entry(PictureValue::brightness, 127), " 63 ");
  for (int i = 0; i < 128; ++i) EXPECT_EQ(picture_entry(PictureValue::brightness, i).size(), 4u) << i;
}

TEST(VideoAdjustCombos, OtherValuesAreZeroPaddedIndexes) {
  EXPECT_EQ(picture_entry_count(PictureValue::contrast), 128);
  EXPECT_EQ(picture_entry_count(PictureValue::hue), 256);
  EXPECT_EQ(picture_entry_count(PictureValue::sharpness), 32);
  EXPECT_EQ(picture_entry_count(PictureValue::saturation), 128);
  EXPECT_EQ(picture_entry(PictureValue::contrast, 0), "000");
  EXPECT_EQ(picture_entry(PictureValue::contrast, 127), "127");
  EXPECT_EQ(picture_entry(PictureValue::hue, 255), "255");
  EXPECT_EQ(picture_entry(PictureValue::sharpness, 31), "31");
  EXPECT_EQ(picture_entry(PictureValue::saturation, 80), "080");
}

TEST(VideoAdjustTable, CellsHaveTheirFixedShapes) {
  EXPECT_EQ(picture_cell(PictureValue::brightness, 0), " -64 ");
  EXPECT_EQ(picture_cell(PictureValue::brightness, 63), " -01 ");
  EXPECT_EQ(picture_cell(PictureValue::brightness, 64), "  00 ");
  EXPECT_EQ(picture_cell(PictureValue::brightness, 127), "  63 ");
  EXPECT_EQ(picture_cell(PictureValue::brightness, 64 + 5), "  05 ");
  EXPECT_EQ(picture_cell(PictureValue::brightness, 64 - 12), " -12 ");
  EXPECT_EQ(picture_cell(PictureValue::contrast, 64), " 064 ");
  EXPECT_EQ(picture_cell(PictureValue::hue, 255), " 255 ");
  EXPECT_EQ(picture_cell(PictureValue::sharpness, 0), "  00");
  EXPECT_EQ(picture_cell(PictureValue::saturation, 80), " 080");
}

TEST(VideoAdjustTable, BrightnessShownIsBrightnessSent) {
  // Indexes outside the combo (a hand-edited file) are shown as the value
  // the unit receives, never as a three-digit or garbled number.
  for (int index = -130; index <= 300; ++index) {
    DeviceSettings r;
    r.brightness[0] = index;
    const std::string cell = picture_cell(PictureValue::brightness, index);
    ASSERT_EQ(cell.size(), 5u) << index;
    const int magnitude = std::stoi(cell.substr(2, 2));
    const int shown = cell[1] == '-' ? -magnitude : magnitude;
    const int sent = std::stoi(build_brightness(r, 0).substr(5, 3));
    EXPECT_EQ(shown < 0 ? shown + 128 : shown, sent) << index;
  }
}

TEST(VideoAdjustTable, HeadsAndCellsShareColumnsAndRows) {
  EXPECT_EQ(video_column_head_position(0), (PanelPoint{160, 6}));
  EXPECT_EQ(video_column_head_position(3), (PanelPoint{490, 6}));
  EXPECT_EQ(video_row_head_position(0), (PanelPoint{20, 26}));
  EXPECT_EQ(video_row_head_position(4), (PanelPoint{20, 106}));
  EXPECT_EQ(video_cell_position(2, 3), (PanelPoint{380, 86}));
  EXPECT_STREQ(video_row_heads[2], "Hue");
  EXPECT_STREQ(video_row_heads[3], "Sharpness");
}

TEST(VideoAdjustTable, FieldsFollowTheRowsAndTheDialogChannel) {
  DeviceSettings r;
  picture_field(r, PictureValue::hue, 2) = 200;
  picture_field(r, PictureValue::sharpness, 1) = 7;
  picture_field(r, PictureValue::saturation, 5) = 9;  // automatic switching: ch.01
  EXPECT_EQ(r.hue[2], 200);
  EXPECT_EQ(r.sharpness[1], 7);
  EXPECT_EQ(r.saturation[0], 9);
  EXPECT_EQ(r.contrast[2], 0);
  EXPECT_EQ(picture_index(r, PictureValue::saturation, 4), 9);
}

class RecordingPanel : public PanelView {
 public:
  std::string events;
  void start_timer(int period_ms) override { events += "timer " + std::to_string(period_ms) + ";"; }
  void stop_timer() override { events += "off;"; }
  void repaint_panel() override { events += "draw;"; }
};

TEST(PanelRepaintTest, DrawsOnceAfterTheDelayAndStopsItsTimer) {
  UiState ui;
  RecordingPanel view;
  PanelRepaint repaint(ui, view);
  repaint.schedule(200);
  EXPECT_EQ(ui.repaint_pending, 1);
  repaint.tick();
  EXPECT_EQ(view.events, "timer 200;draw;off;");
  EXPECT_EQ(ui.repaint_pending, 0);
}

TEST(PanelRepaintTest, DrawsEvenWhenAnotherDialogTookTheSharedFlag) {
  UiState ui;
  RecordingPanel view;
  PanelRepaint repaint(ui, view);
  repaint.schedule(20);
  ui.repaint_pending = 0;  // the title dialog's timer ran first
  repaint.tick();
  EXPECT_EQ(view.events, "timer 20;draw;off;");
}

}  // namespace
}  // namespace zanteq
