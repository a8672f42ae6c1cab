// Writing one field of a command template in place.
//
// Every command is a copy of its template literal with a few positions
// overwritten. The record may hold values no dialog would offer (a
// hand-edited settings file, a garbled reply), so these helpers are the one
// place that keeps every write inside its template and every digit field
// made of digits.
#pragma once

#include <cstddef>
#include <string>

#include "core/settings/record.h"

namespace zanteq {

// "OF" at `pos` becomes "ON" for any non-zero value.
void put_on_off(std::string& line, std::size_t pos, int value);

// Two or three decimal digits at `pos`; values beyond the field are clamped
// to it (0 below, 99 or 999 above).
void put_dec2(std::string& line, std::size_t pos, int value);
void put_dec3(std::string& line, std::size_t pos, int value);

// One digit '1'.. for a combo index 0..count-1. An index outside the combo is
// written as index 0, the same fallback the letter fields use for values
// they do not know (the border line keeps 'B', the OSD sizes keep 'S').
void put_index_digit(std::string& line, std::size_t pos, int index, int count);

// The channel a per-channel command works on. Anything outside 0..3 is taken
// as channel 0, as the channel dialogs take the display channel dialog's
// values 4 (split) and 5 (automatic switching).
inline int dialog_channel(int channel) {
  return channel >= 0 && channel < channel_count ? channel : 0;
}

}  // namespace zanteq
