// Picture value commands.
#include "core/dialogs/video_adjust.h"

#include "core/dialogs/command_fields.h"

namespace zanteq {

int brightness_wire_value(int index) {
  // Reduce first so that no stored value can overflow the addition.
  return ((index % 128) + 64 + 128) % 128;
}

std::string build_brightness(const DeviceSettings& r, int channel) {
  channel = dialog_channel(channel);
  std::string line = "VAB01128\r\n";
  line[4] = static_cast<char>('1' + channel);
  put_dec3(line, 5, brightness_wire_value(r.brightness[channel]));
  return line;
}

std::string build_contrast(const DeviceSettings& r, int channel) {
  channel = dialog_channel(channel);
  std::string line = "VAC01128\r\n";
  line[4] = static_cast<char>('1' + channel);
  put_dec3(line, 5, r.contrast[channel]);
  return line;
}

std::string build_hue(const DeviceSettings& r, int channel) {
  channel = dialog_channel(channel);
  std::string line = "VAH01128\r\n";
  line[4] = static_cast<char>('1' + channel);
  put_dec3(line, 5, r.hue[channel]);
  return line;
}

std::string build_sharpness(const DeviceSettings& r, int channel) {
  channel = dialog_channel(channel);
  std::string line = "VASH0100\r\n";
  line[5] = static_cast<char>('1' + channel);
  put_dec2(line, 6, r.sharpness[channel]);
  return line;
}

std::string build_saturation(const DeviceSettings& r, int channel) {
  channel = dialog_channel(channel);
  std::string line = "VASA01128\r\n";
  line[5] = static_cast<char>('1' + channel);
  put_dec3(line, 6, r.saturation[channel]);
  return line;
}

}  // namespace zanteq
