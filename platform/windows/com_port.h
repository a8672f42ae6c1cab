// Opening a COM port for the unit: one place for its line settings and for
// what each failure means, used by zanteq.exe and zanteqctl.exe alike.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/link/port_link.h"
#include "platform/windows/port.h"

namespace zanteq::platform {

// The steps of opening, in order.
enum class ComPortStep { open, event_mask, queues, timeouts, line_settings };

struct ComPortOpening {
  std::unique_ptr<Port> port;  // nullptr when the port cannot be used
  OpenFailure failure = OpenFailure::none;
  std::string reason;  // the system's words for the failure (UTF-8)
};

// Opens "COM12" (or "\\.\COM12") for overlapped I/O, held exclusively, with
// the unit's line settings: 9600 baud, 8 data bits, even parity generated
// and not checked, 1 stop bit, CTS and XON/XOFF handshake. Input waiting
// from before is dropped.
//
// One meaning for each failure: a port that another program holds
// (ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_BUSY) is `in_use`;
// any other failure to open is `not_present`; a port that opens but
// refuses a setting is `settings`. A SetCommState that fails while the port
// reads back 9600 baud and 8 data bits is taken: a pseudo-terminal under
// Wine has no parity, and the rest holds.
//
// With `each_failed_step`, every step is tried even after one has failed
// and each failure is told in order (the Windows program's start-up boxes;
// without a port every later step fails too), and a port whose settings
// failed is returned all the same, as start-up has always used it. Without,
// the first failure ends the opening.
ComPortOpening open_com_port(std::string_view name,
                             const std::function<void(ComPortStep)>& each_failed_step = {});

}  // namespace zanteq::platform
