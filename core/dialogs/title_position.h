// Commands of the title position dialog.
#pragma once

#include <string>

#include "core/settings/record.h"

namespace zanteq {

// CTPX / CTPY plus the channel (0..3, sent as 01..04) and its column or row.
std::string build_title_pos_x(const DeviceSettings& r, int channel);
std::string build_title_pos_y(const DeviceSettings& r, int channel);
// CTPX / CTPY plus the values of channels 1..4, no channel field.
std::string build_title_pos_x_all(const DeviceSettings& r);
std::string build_title_pos_y_all(const DeviceSettings& r);

}  // namespace zanteq
