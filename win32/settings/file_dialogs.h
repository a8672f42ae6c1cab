// The file commands of the main window's menu, bound to the common file
// dialogs, the question boxes and the file system. Paths are UTF-16 at the
// system and UTF-8 in the core.
#pragma once

#include "core/settings/file_commands.h"

namespace zanteq::win32 {

// New, Open, Save, Save As and the question at exit, owned by the main
// window.
FileCommands& file_commands();

}  // namespace zanteq::win32
