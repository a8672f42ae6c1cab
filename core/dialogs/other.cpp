// Commands of the other settings: connector, power-on screen, border line,
// on-screen display, button lock and NTSC aspect.
#include "core/dialogs/other.h"

#include "core/dialogs/command_fields.h"

namespace zanteq {

std::string build_connector_input(const DeviceSettings& r) {
  std::string line = "CIA\r\n";
  if (r.connector_input != 0) line[2] = 'R';
  return line;
}

std::string build_power_on_screen(const DeviceSettings& r) {
  const int screen = r.power_on_screen;
  if (screen == 4) return "POSD\r\n";
  if (screen >= 5) return "POSCAS\r\n";
  std::string line = "POSS01\r\n";
  put_index_digit(line, 5, screen, channel_count);
  return line;
}

std::string build_border_line(const DeviceSettings& r) {
  std::string line = "BLB\r\n";
  switch (r.border_line) {
    case 1: line[2] = 'G'; break;
    case 2: line[2] = 'W'; break;
    case 3: line[2] = 'O'; break;
    default: break;  // black, and any value the combo does not know
  }
  return line;
}

std::string build_osd_offset_h(const DeviceSettings& r) {
  std::string line = "OOH00\r\n";
  put_dec2(line, 3, r.osd_offset_h);
  return line;
}

std::string build_osd_offset_v(const DeviceSettings& r) {
  std::string line = "OOV00\r\n";
  put_dec2(line, 3, r.osd_offset_v);
  return line;
}

std::string build_osd_size_single(const DeviceSettings& r) {
  std::string line = "CTFSSS\r\n";
  if (r.osd_size_single == 1) line[5] = 'L';
  return line;
}

std::string build_osd_size_split(const DeviceSettings& r) {
  std::string line = "CTFSDS\r\n";
  if (r.osd_size_split == 1) line[5] = 'L';
  return line;
}

std::string build_button_lock(int button_lock) {
  std::string line = "LOF\r\n";
  if (button_lock == 1) line[2] = 'N';
  return line;
}

std::string build_ntsc_aspect(const DeviceSettings& r) {
  std::string line = "NAR4\r\n";
  if (r.ntsc_aspect != 0) line[3] = 'F';
  return line;
}

}  // namespace zanteq
