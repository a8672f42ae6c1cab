// Display scaling. Every pixel size of the program (main window, toolbar,
// status-bar parts, the painted panels' coordinates and font) is given for
// 96 DPI, the 100 % of Windows; a window on a monitor with another scale
// multiplies it by dpi / 96.
#pragma once

namespace zanteq {

constexpr int base_dpi = 96;

// `pixels` at 96 DPI, for `dpi`, rounded to the nearest pixel (halves away
// from zero, as MulDiv does). A DPI of 0 or below, which a failed query
// gives, counts as 96.
int scale_to_dpi(int pixels, int dpi);

// The toolbar image drawn for 100, 150 or 200 %. The nearest one that is not
// larger than the display's scale: ten buttons of a larger image would not
// fit into the window's width scaled from 100 %.
int toolbar_image_percent(int dpi);

}  // namespace zanteq
