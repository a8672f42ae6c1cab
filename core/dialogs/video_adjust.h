// Commands of the video adjustment dialog: one picture value of one channel.
#pragma once

#include <string>

#include "core/settings/record.h"

namespace zanteq {

// The unit's brightness number for a record index: (index + 64) mod 128,
// taken as a true modulo so that any stored value gives 0..127.
int brightness_wire_value(int index);

std::string build_brightness(const DeviceSettings& r, int channel);  // VAB0c vvv
std::string build_contrast(const DeviceSettings& r, int channel);    // VAC0c vvv
std::string build_hue(const DeviceSettings& r, int channel);         // VAH0c vvv
std::string build_sharpness(const DeviceSettings& r, int channel);   // VASH0c vv
std::string build_saturation(const DeviceSettings& r, int channel);  // VASA0c vvv

}  // namespace zanteq
