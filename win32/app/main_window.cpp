// Main window procedure, one handler per message.
#include "win32/app/main_window.h"

#include <commctrl.h>

#include <array>
#include <iterator>

#include "core/app/display_scale.h"
#include "win32/app/app.h"
#include "win32/app/command_map.h"
#include "win32/app/display_dpi.h"
#include "win32/app/link_status.h"
#include "core/link/dispatch.h"
#include "win32/link/serial_port.h"
#include "win32/log/log_keeping.h"
#include "platform/windows/text_conversion.h"
#include "win32/resources/resource.h"
#include "core/app/app_shell.h"
#include "win32/settings/file_dialogs.h"

namespace zanteq::win32 {

using platform::utf8_to_wide;

namespace {

const wchar_t class_name[] = L"ZANTEQ";
constexpr UINT timer_period_ms = 300;
constexpr int toolbar_button_count = 10;
// Image size at 100 %; the bitmaps for 150 % and 200 % are drawn to scale.
constexpr int toolbar_image_width = 60;
constexpr int toolbar_image_height = 20;
// Right edges of the status-bar parts at 96 DPI, left to right.
// Date, time, then the port up to the right edge (-1).
constexpr int status_part_edges[] = {250, 400, -1};

HWND status_bar = nullptr;
HWND toolbar = nullptr;
bool exit_question_open = false;

// The question about unsaved changes before the program ends; true when it
// may end. While the question is open (a second close, a logoff meanwhile)
// the answer is no: the user is still deciding.
bool confirm_ending() {
  if (exit_question_open) return false;
  exit_question_open = true;
  const bool may_end = file_commands().confirm_exit();
  exit_question_open = false;
  return may_end;
}

void end_program() {
  KillTimer(main_window(), TIMER_MAIN);
  KillTimer(main_window(), TIMER_PORT_RETRY);
  KillTimer(main_window(), TIMER_LOG);
  app_state().link.receiving = 0;
  PostQuitMessage(0);
}
HFONT status_own_font = nullptr;     // the bar's own font, made for the system DPI
HFONT status_scaled_font = nullptr;  // ours, while the window is on a monitor of another scale

WindowSize size_for_this_windows(int dpi) {
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
  return main_window_size(version.dwMajorVersion, version.dwMinorVersion, dpi);
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

// The status bar takes the system's status font, made for the system DPI.
// On a monitor of another scale it gets the same font for that scale
// (Windows 10 on; older systems have one DPI for all monitors).
void set_status_font(HWND bar, int dpi) {
  using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
  static const auto parameters_for_dpi = reinterpret_cast<SystemParametersInfoForDpiFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
  HFONT font = nullptr;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (dpi != window_dpi(nullptr) && parameters_for_dpi &&
      parameters_for_dpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi)))
    font = CreateFontIndirectW(&metrics.lfStatusFont);
  if (!font && !status_scaled_font) return;  // the bar keeps its own font
  SendMessageW(bar, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : status_own_font), FALSE);
  if (status_scaled_font) DeleteObject(status_scaled_font);
  status_scaled_font = font;
}

// Part edges and font for the window's DPI, whatever the number of parts.
void fit_status_bar(HWND bar, int dpi) {
  int edges[std::size(status_part_edges)];
  for (std::size_t k = 0; k < std::size(status_part_edges); ++k)
    edges[k] = status_part_edges[k] < 0 ? -1 : scale_to_dpi(status_part_edges[k], dpi);
  SendMessageW(bar, SB_SETPARTS, static_cast<WPARAM>(std::size(edges)), reinterpret_cast<LPARAM>(edges));
  set_status_font(bar, dpi);
}

HWND create_status_bar(HWND window) {
  init_common_controls(ICC_BAR_CLASSES);
  const HWND bar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | CCS_BOTTOM, 0,
                                   0, 0, 0, window, reinterpret_cast<HMENU>(IDC_STATUS_BAR),
                                   app_instance(), nullptr);
  // Its own font, taken before any of ours replaces it (NULL: the default).
  status_own_font = reinterpret_cast<HFONT>(SendMessageW(bar, WM_GETFONT, 0, 0));
  fit_status_bar(bar, window_dpi(window));
  return bar;
}

int toolbar_bitmap(int percent) {
  return percent >= 200 ? IDB_TOOLBAR_200 : percent >= 150 ? IDB_TOOLBAR_150 : IDB_TOOLBAR;
}

// Buttons sized for the image that suits the window's DPI: a bitmap drawn
// for that scale, not one stretched.
HWND create_toolbar(HWND window, int dpi) {
  init_common_controls(ICC_BAR_CLASSES);
  const int percent = toolbar_image_percent(dpi);
  std::array<TBBUTTON, toolbar_button_count> buttons{};
  for (int k = 0; k < toolbar_button_count; ++k) {
    buttons[k].iBitmap = k;
    buttons[k].idCommand = IDT_ALARM + k;
    buttons[k].fsState = TBSTATE_ENABLED;
    buttons[k].fsStyle = BTNS_BUTTON;
  }
  return CreateToolbarEx(window, WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS, IDC_TOOLBAR,
                         toolbar_button_count, app_instance(), toolbar_bitmap(percent), buttons.data(),
                         toolbar_button_count, 0, 0, toolbar_image_width * percent / 100,
                         toolbar_image_height * percent / 100, sizeof(TBBUTTON));
}

// The size table leaves room for menu, toolbar and status bar; should a
// larger caption or menu font than the table's systems had (or a menu
// wrapped into two rows) leave too little, the window grows by what is
// missing rather than letting the status bar cover the toolbar.
void make_room_for_bars(HWND window) {
  RECT client{}, tools{}, status{}, outer{};
  if (!toolbar || !status_bar || !GetClientRect(window, &client) || !GetWindowRect(toolbar, &tools) ||
      !GetWindowRect(status_bar, &status) || !GetWindowRect(window, &outer))
    return;
  const LONG missing = (tools.bottom - tools.top) + (status.bottom - status.top) - client.bottom;
  if (missing <= 0) return;
  SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top + missing,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Size and bars for the DPI of the monitor the window is on now.
void fit_to_dpi(HWND window, int dpi, POINT top_left) {
  if (toolbar) DestroyWindow(toolbar);
  toolbar = create_toolbar(window, dpi);
  fit_status_bar(status_bar, dpi);
  const WindowSize size = size_for_this_windows(dpi);
  SetWindowPos(window, nullptr, top_left.x, top_left.y, size.width, size.height, SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(status_bar, WM_SIZE, 0, 0);  // its height follows its font
  make_room_for_bars(window);
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
  toolbar = create_toolbar(window, window_dpi(window));
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
  if (reply_tick(app_state().link, reply_boxes())) serial_port().note_unanswered();
  log_main_tick();
  refresh_clock();
  return 0;
}

LRESULT on_timer_message(WPARAM timer) {
  switch (timer) {
    case TIMER_PORT_RETRY:
      return on_port_retry_timer();
    case TIMER_LOG:
      return on_log_timer();
    default:
      return on_timer();
  }
}

LRESULT on_show_reply_boxes() {
  reply_boxes().show_waiting(reporter());
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

// Moved to a monitor of another scale: the suggested place, the size from
// the table for the new DPI.
LRESULT on_dpi_changed(HWND window, WPARAM wparam, LPARAM lparam) {
  const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
  fit_to_dpi(window, HIWORD(wparam), POINT{suggested->left, suggested->top});
  return 0;
}

LRESULT on_context_menu(LPARAM position) {
  // Never handed to the default handling: no system menu on a right-click.
  if (count_corner_click(app_state().ui.corner_clicks, static_cast<std::uint32_t>(position))) {
    open_read_all();
  }
  return 0;
}

// Logoff or shutdown asks what the exit command asks. TRUE lets the
// session end; a cancelled or failed save refuses, which Windows honours
// unless the ending is critical.
LRESULT on_query_end_session(HWND window, LPARAM reason) {
  // Windows shows this beside the program on its "programs are still
  // running" screen while the question is open.
  const bool unsaved = app_state().data_modified != 0;
  if (unsaved) ShutdownBlockReasonCreate(window, L"保存していない設定があります。");
  const bool may_end = confirm_ending();
  if (unsaved) ShutdownBlockReasonDestroy(window);
  return may_end || (reason & ENDSESSION_CRITICAL) ? TRUE : FALSE;
}

// The process may be ended as soon as this returns, so the port is closed
// here rather than after the message loop. When another program refused
// the ending, the session goes on and so does this program, its changes
// still marked as unsaved.
LRESULT on_end_session(bool ending) {
  if (ending) {
    end_program();
    serial_port().stop();
    take_comm_log();  // the port's last rows into the log file
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
      return on_timer_message(wparam);
    case WM_QUERYENDSESSION:
      return on_query_end_session(window, lparam);
    case WM_ENDSESSION:
      return on_end_session(wparam != FALSE);
    case message_show_reply_boxes:
      return on_show_reply_boxes();
    case WM_DPICHANGED:
      return on_dpi_changed(window, wparam, lparam);
    case message_port_lost:
      return on_port_lost(wparam);
    case message_net_connected:
      return on_net_connected(wparam);
    case message_log_waiting:
      return on_log_waiting();
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
  const POINT top_left{0, 0};
  const int dpi = point_dpi(top_left);
  const WindowSize size = size_for_this_windows(dpi);
  const HWND window = CreateWindowExW(0, class_name, L"ZANTEQ", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                      top_left.x, top_left.y, size.width, size.height, nullptr, nullptr,
                                      instance, nullptr);
  if (!window) return nullptr;
  if (window_dpi(window) != dpi) {
    fit_to_dpi(window, window_dpi(window), top_left);
  } else {
    make_room_for_bars(window);
  }
  return window;
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
  if (confirm_ending()) end_program();  // otherwise the changes are still unsaved: stay
}

}  // namespace zanteq::win32
