// A network port for the Windows programs: a unit behind a serial device
// server, reached over TCP (Winsock), raw or RFC 2217, behind the same
// Port interface as the COM port (port.h), so that the link above and
// zanteqctl.exe's line do not change. Connecting is the one step that
// waits on the network; it belongs on a thread of its own in a program
// with windows (the interface thread never waits on the network).
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "core/link/net_port.h"
#include "core/link/net_stream.h"
#include "platform/net_line.h"
#include "platform/windows/port.h"

namespace zanteq::platform {

struct NetPortOpening {
  std::unique_ptr<Port> port;  // nullptr when no connection was made
  NetFailure failure = NetFailure::none;
  std::string reason;  // English words for the failure, with the system's after them (UTF-8)
  bool cancelled = false;  // `cancel` was set before the connection was made
};

// Looks the host up, connects within net_connect_timeout_ms and, for RFC
// 2217, sends the line settings (9600 8E1, no flow control) and waits
// net_negotiation_wait_ms at most for their answers. The server's notes go
// to `notes` (may be empty): during the opening on the calling thread,
// afterwards on the receiving thread. Blocks the calling thread; setting
// `cancel` (a manual-reset event, or nullptr) ends the wait at once, but
// a name look-up runs to its end first.
//
// The port then: send never waits (what the socket does not take at once
// goes out as it can, and nothing of the unit's goes while the server
// holds our output with FLOWCONTROL-SUSPEND; the server's negotiation is
// answered all the same); receive returns as soon as bytes have come; a
// connection that ends is `gone`, with error() saying why (the server
// closed it, it was reset, or keep-alive found the server silent within
// about 25 s). wait_sent waits for everything to go, at most the write
// time-out.
NetPortOpening connect_net_port(const NetPort& port, NetNotes notes = {}, HANDLE cancel = nullptr);

}  // namespace zanteq::platform
