// Command of the auto-switch dialog: the five dwell times in one line.
#pragma once

#include <string>

#include "core/settings/record.h"

namespace zanteq {

// CASTM plus channels 1..4 and the split screen, two digits each.
std::string build_auto_switch(const DeviceSettings& r);

}  // namespace zanteq
