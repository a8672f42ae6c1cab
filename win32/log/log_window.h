// The 通信ログ window (template 152): a modeless dialog owned by the main
// window, usable beside the modal settings dialogs. Its virtual list view
// shows the recorder's rows (log_keeping.h); its buttons clear them, save
// them and turn the log file on or off. There is at most one; it owns no
// box. Interface thread only.
#pragma once

#include <windows.h>

#include "core/log/log_recorder.h"

namespace zanteq::win32 {

// The menu command: opens the window in front, or closes it when it is
// open (the menu item is checked while it is); a minimized one is restored
// and brought to the front instead.
void toggle_log_window();

// After each take: the new rows, followed to the newest unless the user
// has scrolled up. Nothing while the window is closed.
void show_log_rows(const LogRecorder::Taken& taken);

// The check box and the file's path follow the recorder.
void show_log_recording();

// The main loop's IsDialogMessage for the window: true when the message
// was the window's keyboard work (Tab, Escape) and is done.
bool log_window_message(MSG& message);

}  // namespace zanteq::win32
