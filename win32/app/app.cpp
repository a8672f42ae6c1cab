// The process-wide instances, constructed in dependency order.
#include "win32/app/app.h"

#include "win32/app/main_window.h"
#include "win32/link/message_boxes.h"
#include "win32/link/serial_port.h"

namespace zanteq::win32 {

namespace {

AppState the_app;
MessageBoxReporter the_reporter;
HINSTANCE the_instance = nullptr;
HWND the_main_window = nullptr;
HWND the_log_window = nullptr;
// Before the port: its threads append from the first open on.
CommLog the_comm_log;
// Boxes are raised only once the main window exists (the port opens after
// it); without it a post would go to no window.
ReplyBoxes the_reply_boxes{[] {
  if (the_main_window) PostMessageW(the_main_window, message_show_reply_boxes, 0, 0);
}};
SerialPort the_port{the_app, the_reply_boxes};
Operations the_operations{the_app, the_port, the_reporter};

}  // namespace

AppState& app_state() { return the_app; }
HINSTANCE app_instance() { return the_instance; }
HWND main_window() { return the_main_window; }
Reporter& reporter() { return the_reporter; }
ReplyBoxes& reply_boxes() { return the_reply_boxes; }
SerialPort& serial_port() { return the_port; }
Operations& operations() { return the_operations; }
CommLog& comm_log() { return the_comm_log; }
HWND log_window() { return the_log_window; }
void set_log_window(HWND window) { the_log_window = window; }

void set_app_instance(HINSTANCE instance) { the_instance = instance; }
void set_main_window(HWND window) { the_main_window = window; }

}  // namespace zanteq::win32
