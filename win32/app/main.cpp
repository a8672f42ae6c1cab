// Program entry: single instance, state, main window, communication log,
// serial link, receiving thread, message loop.
#include <windows.h>

#include "win32/app/app.h"
#include "win32/app/interface_settings.h"
#include "win32/app/link_status.h"
#include "win32/app/main_window.h"
#include "win32/link/serial_port.h"
#include "win32/log/log_keeping.h"
#include "win32/log/log_window.h"

namespace zanteq::win32 {

namespace {

const wchar_t mutex_name[] = L"ZANTEQ VEZ_O_Mutex";

int run_message_loop() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (log_window_message(message)) continue;  // the modeless 通信ログ window's keys
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

int run_program(HINSTANCE instance) {
  set_app_instance(instance);

  // Creating and testing in one call: two copies started together cannot
  // both see "not running". The handle is held for the life of the process.
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, mutex_name);
  if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    MessageBoxW(nullptr, L"２重に起動はできません", L"ZANTEQ", MB_OK);
    return 0;
  }

  if (!register_main_window_class(instance)) return 0;

  AppState& app = app_state();
  clear_unit_name_table(app.unit_names);
  reset_settings(app);
  read_interface_settings(app);

  const HWND window = create_main_window(instance);
  if (!window) return 0;
  set_main_window(window);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  DrawMenuBar(window);

  // The log hears the port from its first opening on.
  start_comm_log();
  SerialPort& port = serial_port();
  port.set_events(&link_events());
  port.set_log(&comm_log());
  port.open_port(configured_port(app.iface.port_url, app.iface.com_port));
  if (!port.start_read_thread()) reply_boxes().show_warning_box("error creating read thread");
  // A port that fails to open says so before the message loop runs, box by
  // box, as the program's first words.
  reply_boxes().show_waiting(reporter());

  const int exit_code = run_message_loop();
  port.stop();
  take_comm_log();  // the port's last rows into the log file
  return exit_code;
}

}  // namespace

}  // namespace zanteq::win32

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  return zanteq::win32::run_program(instance);
}
