// What the main window shows and says about the serial port: the port part
// of the status bar, the port boxes, and the retry timer while the port is
// gone. Everything here runs on the interface thread; the receiving thread
// only posts message_port_lost, a network port's connecting thread
// message_net_connected.
#pragma once

#include <windows.h>

#include "win32/link/serial_port.h"

namespace zanteq::win32 {

// Given to the serial port at start-up.
LinkEvents& link_events();

// Main window messages.
LRESULT on_port_lost(WPARAM generation);
LRESULT on_net_connected(WPARAM attempt);
LRESULT on_port_retry_timer();
LRESULT on_device_change(WPARAM event);

}  // namespace zanteq::win32
