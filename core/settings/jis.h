// JIS X 0208 codes to code page 932 (Shift_JIS), as the unit reports titles.
#pragma once

#include <cstdint>

namespace zanteq {

// The standard arithmetic mapping of a JIS X 0208 code (row and cell bytes
// 0x21..0x7E each) to its Shift_JIS code, lead byte in the high half.
// A code whose high or low byte lies outside 0x21..0x7E gives 0.
uint16_t jis_to_sjis(uint16_t jis);

}  // namespace zanteq
