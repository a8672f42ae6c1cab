// JIS X 0208 to Shift_JIS.
#include "core/settings/jis.h"

namespace zanteq {

uint16_t jis_to_sjis(uint16_t jis) {
  const unsigned row = jis >> 8;
  const unsigned cell = jis & 0xFF;
  if (row < 0x21 || row > 0x7E || cell < 0x21 || cell > 0x7E) return 0;

  // Two JIS rows share one Shift_JIS lead byte; the odd row takes the trail
  // bytes 0x40..0x9E (skipping 0x7F), the even row 0x9F..0xFC.
  const unsigned lead = ((row + 1) >> 1) + (row <= 0x5E ? 0x70 : 0xB0);
  unsigned trail;
  if (row & 1)
    trail = cell + (cell >= 0x60 ? 0x20 : 0x1F);
  else
    trail = cell + 0x7E;
  return static_cast<uint16_t>(lead << 8 | trail);
}

}  // namespace zanteq
