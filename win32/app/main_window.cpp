// Main window procedure, one handler per message.
#include "win32/app/main_window.h"

#include <commctrl.h>

#include <array>

#include "win32/app/app.h"
#include "win32/app/command_map.h"
#include "win32/app/link_status.h"
#include "core/link/dispatch.h"
#include "win32/link/text_conversion.h"
#include "win32/resources/resource.h"
#include "core/app/app_shell.h"
#include "win32/settings/file_dialogs.h"

namespace zanteq::win32 {

namespace {

const wchar_t class_name[] = L"ZANTEQ";
constexpr UINT timer_period_ms = 300;
constexpr int toolbar_button_count = 10;
constexpr int toolbar_image_width = 60;
constexpr int toolbar_image_height = 20;

HWND status_bar = nullptr;
HWND toolbar = nullptr;

WindowSize size_for_this_windows() {
  // GetVersionEx reports what the manifest declares; RtlGetVersion tells the
  // truth where it exists.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto rtl_get_version =
      ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
            : nullptr;
  if (!rtl_get_version || rtl_get_version(&version) != 0) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExW(&version);
#pragma GCC diagnostic pop
  }
  return main_window_size(version.dwMajorVersion, version.dwMinorVersion);
}

void init_common_controls(DWORD classes) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = classes;
  InitCommonControlsEx(&controls);
}

void refresh_clock() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  const ClockReading reading{now.wYear, now.wMonth, now.wDay, now.wDayOfWeek,
                             now.wHour, now.wMinute, now.wSecond};
  // The timer ticks about three times a second; a part is redrawn only when
  // its text changes.
  static std::wstring shown_date, shown_time;
  const std::wstring date = utf8_to_wide(status_date_text(reading));
  const std::wstring time = utf8_to_wide(status_time_text(reading));
  if (date != shown_date) {
    SendMessageW(status_bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(date.c_str()));
    shown_date = date;
  }
  if (time != shown_time) {
    SendMessageW(status_bar, SB_SETTEXTW, 1 | SBT_POPOUT, reinterpret_cast<LPARAM>(time.c_str()));
    shown_time = time;
  }
}

HWND create_status_bar(HWND window) {
  init_common_controls(ICC_BAR_CLASSES);
  const HWND bar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | CCS_BOTTOM, 0,
                                   0, 0, 0, window, reinterpret_cast<HMENU>(IDC_STATUS_BAR),
                                   app_instance(), nullptr);
  // Date, time, then the port up to the right edge.
  int part_edges[3] = {250, 400, -1};
  SendMessageW(bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(part_edges));
  return bar;
}

HWND create_toolbar(HWND window) {
  init_common_controls(ICC_BAR_CLASSES);
  std::array<TBBUTTON, toolbar_button_count> buttons{};
  for (int k = 0; k < toolbar_button_count; ++k) {
    buttons[k].iBitmap = k;
    buttons[k].idCommand = IDT_ALARM + k;
    buttons[k].fsState = TBSTATE_ENABLED;
    buttons[k].fsStyle = BTNS_BUTTON;
  }
  return CreateToolbarEx(window, WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS, IDC_TOOLBAR,
                         toolbar_button_count, app_instance(), IDB_TOOLBAR, buttons.data(),
                         toolbar_button_count, 0, 0, toolbar_image_width, toolbar_image_height,
                         sizeof(TBBUTTON));
}

// Tooltip texts in UTF-16, built once; the toolbar keeps the pointer.
const wchar_t* tooltip_text(UINT_PTR command_id) {
  static const std::array<std::wstring, toolbar_button_count> texts = [] {
    std::array<std::wstring, toolbar_button_count> wide;
    for (int k = 0; k < toolbar_button_count; ++k) wide[k] = utf8_to_wide(toolbar_tooltip(IDT_ALARM + k));
    return wide;
  }();
  if (command_id < IDT_ALARM || command_id > IDT_OTHER) return nullptr;
  return texts[command_id - IDT_ALARM].c_str();
}

LRESULT on_create(HWND window) {
  status_bar = create_status_bar(window);
  toolbar = create_toolbar(window);
  init_common_controls(ICC_INTERNET_CLASSES);
  app_state().link.receiving = 1;
  refresh_clock();
  return 0;
}

LRESULT on_paint(HWND window) {
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  EndPaint(window, &paint);
  SetTimer(window, TIMER_MAIN, timer_period_ms, nullptr);  // every paint re-arms it
  return 0;
}

LRESULT on_timer() {
  reply_tick(app_state().link, reporter());
  refresh_clock();
  return 0;
}

LRESULT on_notify(const NMHDR* header) {
  if (header->code == TTN_GETDISPINFOW) {
    auto* request = reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(header));
    request->hinst = nullptr;  // the text is a pointer, not a string resource
    if (const wchar_t* text = tooltip_text(header->idFrom)) request->lpszText = const_cast<wchar_t*>(text);
  }
  return 0;
}

LRESULT on_context_menu(LPARAM position) {
  // Never handed to the default handling: no system menu on a right-click.
  if (count_corner_click(app_state().ui.corner_clicks, static_cast<std::uint32_t>(position))) {
    open_read_all();
  }
  return 0;
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      return on_create(window);
    case WM_SIZE:
      if (toolbar) SendMessageW(toolbar, WM_SIZE, wparam, lparam);
      return 0;
    case WM_PAINT:
      return on_paint(window);
    case WM_CLOSE:
      exit_application();
      return 0;
    case WM_NOTIFY:
      return on_notify(reinterpret_cast<const NMHDR*>(lparam));
    case WM_CONTEXTMENU:
      return on_context_menu(lparam);
    case WM_COMMAND:
      run_command(LOWORD(wparam));
      return 0;
    case WM_TIMER:
      return wparam == TIMER_PORT_RETRY ? on_port_retry_timer() : on_timer();
    case WM_APP_PORT_LOST:
      return on_port_lost(wparam);
    case WM_DEVICECHANGE:
      return on_device_change(wparam);
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

bool register_main_window_class(HINSTANCE instance) {
  WNDCLASSW window_class{};
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = main_window_proc;
  window_class.hInstance = instance;
  window_class.hIcon = LoadIconW(instance, L"MYICON");
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  window_class.lpszMenuName = L"IDM_MENU";
  window_class.lpszClassName = class_name;
  return RegisterClassW(&window_class) != 0;
}

HWND create_main_window(HINSTANCE instance) {
  const WindowSize size = size_for_this_windows();
  return CreateWindowExW(0, class_name, L"ZANTEQ", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                         size.width, size.height, nullptr, nullptr, instance, nullptr);
}

void show_main_window_file(const std::string& file_name) {
  if (const HWND window = main_window()) {
    SetWindowTextW(window, utf8_to_wide(main_window_title(file_name)).c_str());
  }
}

void show_port_status(const std::string& text) {
  if (status_bar) {
    SendMessageW(status_bar, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(utf8_to_wide(text).c_str()));
  }
}

void exit_application() {
  static bool exiting = false;  // a second close while the question is open
  if (exiting) return;
  exiting = true;
  const bool may_end = file_commands().confirm_exit();
  exiting = false;
  if (!may_end) return;  // the changes are still unsaved: stay

  KillTimer(main_window(), TIMER_MAIN);
  app_state().link.receiving = 0;
  PostQuitMessage(0);
}

}  // namespace zanteq::win32
