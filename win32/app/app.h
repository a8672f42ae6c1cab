// What the whole Windows program shares: the process-wide state, the
// instance handle, the main window, the serial link, the communication log,
// the message boxes and the feature operations bound to the link and the
// boxes. All of it lives
// from start-up to exit. Dialogs reach the record and the unit only through
// these.
#pragma once

#include <windows.h>

#include "core/dialogs/operations.h"
#include "core/link/reply_boxes.h"
#include "core/link/reporter.h"
#include "core/log/comm_log.h"
#include "core/settings/record.h"

namespace zanteq::win32 {

class SerialPort;

AppState& app_state();
HINSTANCE app_instance();
HWND main_window();          // nullptr until the main window exists
Reporter& reporter();        // the message boxes
// The link's boxes (the unit's error replies, "No Connect", "Success", the
// port's failures): queued from any thread, shown by the main window.
ReplyBoxes& reply_boxes();
SerialPort& serial_port();   // also the CommandSink of operations()
Operations& operations();    // every send_* of the feature dialogs
// The link's threads append to it; the main window takes it
// (win32/log/log_keeping.h).
CommLog& comm_log();
// The 通信ログ window while it is open, else nullptr. It owns no box
// (message_boxes.cpp) and its keys pass IsDialogMessage in every loop.
HWND log_window();
void set_log_window(HWND window);

// Start-up only.
void set_app_instance(HINSTANCE instance);
void set_main_window(HWND window);

}  // namespace zanteq::win32
