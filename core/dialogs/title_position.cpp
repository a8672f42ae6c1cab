// Title position commands: one channel, or all four in one line.
#include "core/dialogs/title_position.h"

#include "core/dialogs/command_fields.h"

namespace zanteq {

std::string build_title_pos_x(const DeviceSettings& r, int channel) {
  channel = dialog_channel(channel);
  std::string line = "CTPX0100\r\n";
  put_dec2(line, 4, channel + 1);
  put_dec2(line, 6, r.title_pos_x[channel]);
  return line;
}

std::string build_title_pos_y(const DeviceSettings& r, int channel) {
  channel = dialog_channel(channel);
  std::string line = "CTPY0100\r\n";
  put_dec2(line, 4, channel + 1);
  put_dec2(line, 6, r.title_pos_y[channel]);
  return line;
}

std::string build_title_pos_x_all(const DeviceSettings& r) {
  std::string line = "CTPX01020304\r\n";
  for (int ch = 0; ch < channel_count; ++ch) put_dec2(line, 4 + 2 * ch, r.title_pos_x[ch]);
  return line;
}

std::string build_title_pos_y_all(const DeviceSettings& r) {
  std::string line = "CTPY01020304\r\n";
  for (int ch = 0; ch < channel_count; ++ch) put_dec2(line, 4 + 2 * ch, r.title_pos_y[ch]);
  return line;
}

}  // namespace zanteq
