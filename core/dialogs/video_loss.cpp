// Video loss commands.
#include "core/dialogs/video_loss.h"

#include "core/dialogs/command_fields.h"

namespace zanteq {

std::string build_video_loss_channel(const DeviceSettings& r, int channel) {
  channel = dialog_channel(channel);
  std::string line = "VL01OF\r\n";
  line[3] = static_cast<char>('1' + channel);
  put_on_off(line, 4, r.video_loss_detect[channel]);
  return line;
}

std::string build_video_loss_all(const DeviceSettings& r) {
  std::string line = "VLFFFF\r\n";
  for (int ch = 0; ch < channel_count; ++ch)
    if (r.video_loss_detect[ch] != 0) line[2 + ch] = 'N';
  return line;
}

std::string build_video_loss_background(const DeviceSettings& r) {
  std::string line = "VLBCN\r\n";
  if (r.video_loss_background != 0) line[4] = 'B';
  return line;
}

std::string build_video_loss_signal_output(const DeviceSettings& r) {
  std::string line = "VLSOOF\r\n";
  put_on_off(line, 4, r.video_loss_signal_output);
  return line;
}

std::string build_video_loss_display(const DeviceSettings& r) {
  std::string line = "VLDOF\r\n";
  put_on_off(line, 3, r.video_loss_display);
  return line;
}

}  // namespace zanteq
