// Video format commands. A stored format outside the seven entries is sent as
// the first one, so the digit field never carries anything but '1'..'7'.
#include "core/dialogs/video_format.h"

#include "core/dialogs/command_fields.h"

namespace zanteq {

std::string build_video_format(const DeviceSettings& r, int channel) {
  channel = dialog_channel(channel);
  std::string line = "VF011\r\n";
  line[3] = static_cast<char>('1' + channel);
  put_index_digit(line, 4, r.video_format[channel], video_format_count);
  return line;
}

std::string build_video_format_all(const DeviceSettings& r) {
  std::string line = "VF1234\r\n";
  for (int ch = 0; ch < channel_count; ++ch)
    put_index_digit(line, 2 + ch, r.video_format[ch], video_format_count);
  return line;
}

}  // namespace zanteq
