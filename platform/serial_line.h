// The serial port as a program that waits for each reply uses it (the
// core's SerialLine), and the ports this machine has; the same on each
// platform (posix/serial_line.cpp, windows/serial_line.cpp).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/link/serial_line.h"

namespace zanteq::platform {

// Opens and configures `name` ("/dev/ttyUSB0", "COM3") with the unit's line
// settings: 9600 baud, 8 data bits, even parity, 1 stop bit, CTS and
// XON/XOFF handshake, the port held exclusively. Nothing is written. On
// failure: nullptr, and `error` says why ("in use by another program", the
// system's words for a port that is not there, "the line settings were
// refused: ...").
std::unique_ptr<SerialLine> open_serial_line(const std::string& name, std::string& error);

// The serial ports of this machine, one line each, by the name
// open_serial_line takes, with a friendly name or a stable alias after two
// blanks where the system has one.
std::vector<std::string> list_serial_ports();

}  // namespace zanteq::platform
