// The DPI a window is shown at. The program declares itself per-monitor
// aware (v2): Windows does not stretch it, so everything drawn in pixels is
// scaled by the program itself (core/app/display_scale.h). The calls that
// tell a window's DPI exist from Windows 10 on; on older systems the
// system DPI stands for every monitor.
#pragma once

#include <windows.h>

namespace zanteq::win32 {

// The DPI of the monitor `window` is on.
int window_dpi(HWND window);
// The DPI of the monitor holding the screen point, for a window not
// created yet.
int point_dpi(POINT at);

}  // namespace zanteq::win32
