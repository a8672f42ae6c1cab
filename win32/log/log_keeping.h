// The communication log of the Windows program, from start-up to exit,
// whether or not its window is open: the one reader of the link's queue
// (comm_log() in app.h) is a LogRecorder (core/log/log_recorder.h) driven
// by the main window, and this is its platform side (save dialogs, files,
// the INI keys).
//
// How rows get in: the first event that lands in the empty queue posts
// message_log_waiting to the main window (from any thread, never
// waiting); that arms TIMER_LOG once, and 100 ms later the timer takes
// everything waiting, so a flood costs ten takes a second and an idle line
// none. The main timer takes too, in case a wake-up was lost. After each
// take the 通信ログ window (log_window.h), when open, shows the new rows,
// and a log file that failed is said in one box. While a run at the reply
// pace holds the line, the window shows them once a second of the run
// (LogListPace): each showing would hold up the run's next command.
//
// Interface thread only.
#pragma once

#include <windows.h>

#include "core/log/log_recorder.h"

namespace zanteq::win32 {

// Start-up, once the main window exists and before the port opens: the
// kept setting (log_to_file, log_file) and the wake-up.
void start_comm_log();

LogRecorder& log_recorder();

// Main window messages.
LRESULT on_log_waiting();  // message_log_waiting
LRESULT on_log_timer();    // TIMER_LOG

// The main timer's tick: takes unless TIMER_LOG is about to.
void log_main_tick();

// クリア: the rows shown go, also those still waiting for the list.
void clear_log_rows();

// Takes what is waiting now; at exit once the port is closed, so the file
// gets the last rows.
void take_comm_log();

}  // namespace zanteq::win32
