// A network port (a unit behind a serial device server) as a program that
// waits for each reply uses it: the core's SerialLine over a TCP
// connection, raw or RFC 2217, beside the serial port of serial_line.h.
// The same on each platform (posix/net_line.cpp; windows/serial_line.cpp
// over the Winsock port of windows/net_port.h).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/link/net_port.h"
#include "core/link/net_stream.h"
#include "core/link/serial_line.h"

namespace zanteq::platform {

// What the server said of the line (RFC 2217), as it comes: during the
// connection's opening and during later reads, on the reading thread.
using NetNotes = std::function<void(const Rfc2217Event&)>;

struct NetLineOpening {
  std::unique_ptr<SerialLine> line;  // nullptr when no connection was made
  NetFailure failure = NetFailure::none;
  std::string reason;  // the failure in words, the system's detail after it (UTF-8)
};

// Connects to `port`: the name looked up, the connection made within
// net_connect_timeout_ms, and for RFC 2217 the line settings (9600 8E1, no
// flow control) sent and their answers awaited for net_negotiation_wait_ms
// at most. The server's notes go to `notes` (may be empty). Blocks the
// calling thread until done.
//
// Once open: write_all waits while the server holds our output
// (FLOWCONTROL-SUSPEND), as a serial port waits for XON, up to the write
// time-out; a read returns what came at once. A connection that ends is a
// failed read or write with error() saying why; a server gone silent is
// found by TCP keep-alive within about 15 s.
NetLineOpening open_net_line(const NetPort& port, NetNotes notes = {});

}  // namespace zanteq::platform
