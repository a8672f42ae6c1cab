// The process-wide instances, constructed in dependency order.
#include "win32/app/app.h"

#include "win32/link/message_boxes.h"
#include "win32/link/serial_port.h"

namespace zanteq::win32 {

namespace {

AppState the_app;
MessageBoxReporter the_reporter;
SerialPort the_port{the_app, the_reporter};
Operations the_operations{the_app, the_port, the_reporter};
HINSTANCE the_instance = nullptr;
HWND the_main_window = nullptr;

}  // namespace

AppState& app_state() { return the_app; }
HINSTANCE app_instance() { return the_instance; }
HWND main_window() { return the_main_window; }
Reporter& reporter() { return the_reporter; }
SerialPort& serial_port() { return the_port; }
Operations& operations() { return the_operations; }

void set_app_instance(HINSTANCE instance) { the_instance = instance; }
void set_main_window(HWND window) { the_main_window = window; }

}  // namespace zanteq::win32
