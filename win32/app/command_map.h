// From a menu or toolbar command id to what it does.
#pragma once

namespace zanteq::win32 {

// Runs the command of a WM_COMMAND's low word; unknown ids do nothing.
void run_command(int command_id);

// The hidden maintenance route: opens the read-all dialog.
void open_read_all();

}  // namespace zanteq::win32
