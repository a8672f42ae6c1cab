// Pixel sizes from 96 DPI to the window's DPI.
#include "core/app/display_scale.h"

#include <initializer_list>

namespace zanteq {

int scale_to_dpi(int pixels, int dpi) {
  if (dpi <= 0) dpi = base_dpi;
  const long long product = static_cast<long long>(pixels) * dpi;
  const long long half = base_dpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / base_dpi : -((-product + half) / base_dpi));
}

int toolbar_image_percent(int dpi) {
  if (dpi <= 0) dpi = base_dpi;
  // 100 * dpi / 96 >= percent, kept in integers: no rounding at the edges.
  for (const int percent : {200, 150}) {
    if (100 * dpi >= percent * base_dpi) return percent;
  }
  return 100;
}

}  // namespace zanteq
