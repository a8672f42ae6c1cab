// The serial ports this PC has now: the names Windows keeps under
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, with the driver's friendly name from
// SetupAPI where there is one. Wine lists its Ports entries there too, but
// has no SetupAPI names, so its ports show by their bare names.
#pragma once

#include <vector>

#include "core/link/port_link.h"

namespace zanteq::platform {

std::vector<PresentPort> present_ports();

}  // namespace zanteq::platform
