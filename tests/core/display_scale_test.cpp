// Pixel sizes given for 96 DPI on monitors of other scales: the main
// window's size table, the toolbar image chosen, the panels' points.
#include <gtest/gtest.h>

#include "core/app/app_shell.h"
#include "core/app/display_scale.h"
#include "core/dialogs/panel_texts.h"

namespace zanteq {
namespace {

TEST(DisplayScale, PixelsGrowWithTheScaleRoundedToTheNearest) {
  // 100, 125, 150, 175, 200 %: the scales Windows offers.
  const int dpis[] = {96, 120, 144, 168, 192};
  const int twelve[] = {12, 15, 18, 21, 24};
  const int eighteen[] = {18, 23, 27, 32, 36};  // 22.5 and 31.5 round up
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(scale_to_dpi(12, dpis[k]), twelve[k]) << dpis[k];
    EXPECT_EQ(scale_to_dpi(18, dpis[k]), eighteen[k]) << dpis[k];
    EXPECT_EQ(scale_to_dpi(0, dpis[k]), 0);
  }
  EXPECT_EQ(scale_to_dpi(-18, 120), -23);  // halves away from zero, like MulDiv
  EXPECT_EQ(scale_to_dpi(7, 110), 8);      // 8.02
  EXPECT_EQ(scale_to_dpi(700, 0), 700);    // a failed DPI query counts as 100 %
  EXPECT_EQ(scale_to_dpi(700, -5), 700);
  EXPECT_EQ(scale_to_dpi(1 << 20, 480), 5 << 20);  // no overflow on the way
}

TEST(DisplayScale, ToolbarImageIsTheNearestNotLargerThanTheScale) {
  const struct {
    int dpi;
    int percent;
  } cases[] = {{72, 100}, {96, 100}, {120, 100}, {143, 100}, {144, 150}, {168, 150},
               {191, 150}, {192, 200}, {216, 200}, {288, 200}, {0, 100}};
  for (const auto& c : cases) EXPECT_EQ(toolbar_image_percent(c.dpi), c.percent) << c.dpi;
}

TEST(DisplayScale, MainWindowSizeTableScalesPerDpi) {
  // At 96 DPI the table is unchanged.
  for (const unsigned major : {4u, 5u, 6u, 10u, 11u}) {
    for (const unsigned minor : {0u, 1u, 2u}) {
      const WindowSize plain = main_window_size(major, minor);
      const WindowSize at96 = main_window_size(major, minor, 96);
      EXPECT_EQ(at96.width, plain.width);
      EXPECT_EQ(at96.height, plain.height);
    }
  }
  const struct {
    unsigned major, minor;
    int dpi, width, height;
  } cases[] = {{10, 0, 144, 1032, 180}, {10, 0, 192, 1376, 240}, {10, 0, 120, 860, 150},
               {6, 1, 120, 850, 133}, {5, 1, 144, 1016, 156}, {6, 1, 0, 680, 106}};
  for (const auto& c : cases) {
    const WindowSize size = main_window_size(c.major, c.minor, c.dpi);
    EXPECT_EQ(size.width, c.width) << c.major << "." << c.minor << " at " << c.dpi;
    EXPECT_EQ(size.height, c.height) << c.major << "." << c.minor << " at " << c.dpi;
  }
}

TEST(DisplayScale, PanelPointsAndFontScaleTogether) {
  EXPECT_EQ(scale_point(title_marker_position(11, 13), 96), (PanelPoint{132, 240}));
  EXPECT_EQ(scale_point(title_marker_position(11, 13), 144), (PanelPoint{198, 360}));
  EXPECT_EQ(scale_point(title_preview_position(3), 192), (PanelPoint{0, 124}));
  EXPECT_EQ(scale_point(video_cell_position(3, 4), 120), (PanelPoint{613, 133}));
  // A line of the title preview stays one font height plus its gap below
  // the one before at every scale.
  for (const int dpi : {96, 120, 144, 168, 192}) {
    const int gap = scale_point(title_preview_position(1), dpi).y - scale_point(title_preview_position(0), dpi).y;
    EXPECT_GE(gap, scale_to_dpi(panel_font_height, dpi)) << dpi;
  }
}

}  // namespace
}  // namespace zanteq
