// Commands of the other settings dialog.
#pragma once

#include <string>

#include "core/settings/record.h"

namespace zanteq {

std::string build_connector_input(const DeviceSettings& r);  // CIA / CIR
// POSS01..POSS04 for channels, POSD for the split screen, POSCAS for 5 or
// more (automatic switching); a negative value is taken as channel 1.
std::string build_power_on_screen(const DeviceSettings& r);
std::string build_border_line(const DeviceSettings& r);      // BLB / BLG / BLW / BLO
std::string build_osd_offset_h(const DeviceSettings& r);     // OOHnn
std::string build_osd_offset_v(const DeviceSettings& r);     // OOVnn
std::string build_osd_size_single(const DeviceSettings& r);  // CTFSSS / CTFSSL
std::string build_osd_size_split(const DeviceSettings& r);   // CTFSDS / CTFSDL
// The button lock lives outside the record for the run of the program.
std::string build_button_lock(int button_lock);              // LOF / LON
std::string build_ntsc_aspect(const DeviceSettings& r);      // NAR4 / NARF

}  // namespace zanteq
