// Commands of the auto gain control dialog.
#pragma once

#include <string>

#include "core/settings/record.h"

namespace zanteq {

// AGC0c plus OF/ON for one channel 0..3 (the dialog's buttons).
std::string build_agc_channel(const DeviceSettings& r, int channel);
// AGC plus 'F'/'N' for channels 1..4 in one line (set-all only).
std::string build_agc_all(const DeviceSettings& r);

}  // namespace zanteq
