// Auto gain control commands.
#include "core/dialogs/agc.h"

#include "core/dialogs/command_fields.h"

namespace zanteq {

std::string build_agc_channel(const DeviceSettings& r, int channel) {
  channel = dialog_channel(channel);
  std::string line = "AGC01OF\r\n";
  line[4] = static_cast<char>('1' + channel);
  put_on_off(line, 5, r.agc[channel]);
  return line;
}

std::string build_agc_all(const DeviceSettings& r) {
  std::string line = "AGCFFFF\r\n";
  for (int ch = 0; ch < channel_count; ++ch)
    if (r.agc[ch] != 0) line[3 + ch] = 'N';
  return line;
}

}  // namespace zanteq
