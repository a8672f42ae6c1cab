// The raw terminal settings of a line to the unit.
#include "platform/posix/terminal.h"

namespace zanteq::platform {

void make_raw_9600(termios& t) {
  ::cfmakeraw(&t);
  t.c_cflag |= CREAD | CLOCAL;
  ::cfsetispeed(&t, B9600);
  ::cfsetospeed(&t, B9600);
}

}  // namespace zanteq::platform
