// The unit's line settings, for every program that opens its port on
// Windows (zanteq.exe and zanteqctl.exe): 9600 baud, 8 data bits, even
// parity, 1 stop bit, CTS and XON/XOFF handshake.
#pragma once

#include <windows.h>

namespace zanteq::win32 {

inline void apply_line_settings(DCB& dcb) {
  dcb.BaudRate = CBR_9600;
  dcb.ByteSize = 8;
  dcb.Parity = EVENPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fParity = FALSE;  // parity generated on sending, not checked on receiving
  dcb.fBinary = TRUE;
  dcb.fOutxCtsFlow = TRUE;
  dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
  dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
  dcb.fOutX = TRUE;
  dcb.fInX = TRUE;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.XonLim = 256;
  dcb.XoffLim = 256;
}

}  // namespace zanteq::win32
