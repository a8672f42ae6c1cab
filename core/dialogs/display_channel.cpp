// Displayed screen, split mode and the two-way split arrangement.
#include "core/dialogs/display_channel.h"

#include <algorithm>

#include "core/dialogs/command_fields.h"

namespace zanteq {

std::string build_screen(int current_channel) {
  if (current_channel == 4) return "CD\r\n";
  if (current_channel == 5) return "CCAS\r\n";
  std::string line = "CS01\r\n";
  put_index_digit(line, 3, current_channel, channel_count);
  return line;
}

std::string build_split_mode(const DeviceSettings& r) {
  std::string line = "DSS4\r\n";
  if (r.split_mode == 0) line[3] = '2';
  return line;
}

std::string build_split2_channels(const DeviceSettings& r, bool dont_memory) {
  std::string line = dont_memory ? "SPD2N0102\r\n" : "SPD20102\r\n";
  const std::size_t left = dont_memory ? 5 : 4;
  // A hand-edited file may hold any int: the channel number is taken
  // below the field's 99 before it is counted from 1, so it cannot overflow.
  put_dec2(line, left, std::min(r.split2_channels[0].load(), 98) + 1);
  put_dec2(line, left + 2, std::min(r.split2_channels[1].load(), 98) + 1);
  return line;
}

const char* split2_refusal(const DeviceSettings& r) {
  return r.split2_channels[0] == r.split2_channels[1] ? same_channel_message : nullptr;
}

}  // namespace zanteq
