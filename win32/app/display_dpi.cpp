// DPI queries, looked up at run time: the program still starts on Windows
// versions that lack them.
#include "win32/app/display_dpi.h"

#include "core/app/display_scale.h"

namespace zanteq::win32 {

namespace {

template <typename Function>
Function lookup(const wchar_t* module, const char* name) {
  HMODULE handle = GetModuleHandleW(module);
  if (!handle) handle = LoadLibraryW(module);  // shcore.dll: loaded once, kept
  return handle ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(handle, name))) : nullptr;
}

int system_dpi() {
  using GetDpiForSystemFn = UINT(WINAPI*)();
  static const auto get_dpi_for_system = lookup<GetDpiForSystemFn>(L"user32.dll", "GetDpiForSystem");
  if (get_dpi_for_system) return static_cast<int>(get_dpi_for_system());
  const HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : base_dpi;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : base_dpi;
}

}  // namespace

int window_dpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = lookup<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
  if (get_dpi_for_window && window) {
    if (const UINT dpi = get_dpi_for_window(window)) return static_cast<int>(dpi);
  }
  return system_dpi();
}

int point_dpi(POINT at) {
  // GetDpiForMonitor (Windows 8.1 on); MDT_EFFECTIVE_DPI is 0.
  using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const auto get_dpi_for_monitor = lookup<GetDpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor");
  UINT x = 0, y = 0;
  if (get_dpi_for_monitor &&
      SUCCEEDED(get_dpi_for_monitor(MonitorFromPoint(at, MONITOR_DEFAULTTOPRIMARY), 0, &x, &y)) && y > 0)
    return static_cast<int>(y);
  return system_dpi();
}

}  // namespace zanteq::win32
