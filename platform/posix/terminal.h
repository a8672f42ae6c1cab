// Terminal settings shared by the programs that talk over a terminal on
// POSIX systems: zanteqctl on a serial port, the simulator on its
// pseudo-terminal.
#pragma once

#include <termios.h>

namespace zanteq::platform {

// Raw bytes at the unit's 9600 baud: no echo, no line editing, no
// character translation, the receiver on, the modem lines not waited for.
// Changes `t` (as tcgetattr gave it) only; the caller adds its own side's
// settings and applies them.
void make_raw_9600(termios& t);

}  // namespace zanteq::platform
