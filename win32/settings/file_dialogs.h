// The file commands of the main window's menu, bound to the common file
// dialogs, the question boxes and the file system. Paths are UTF-16 at the
// system and UTF-8 in the core.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "core/settings/file_commands.h"

namespace zanteq::win32 {

// New, Open, Save, Save As and the question at exit, owned by the main
// window.
FileCommands& file_commands();

// The common open or save dialog owned by `owner`, with its title and
// filter (pairs, each zero-terminated, ended by an empty string): the path
// chosen in UTF-8, nothing when cancelled. `save` asks before a chosen
// file that exists is replaced; `name` is the save dialog for a name that
// the caller turns into the files it writes, and asks about those itself.
enum class PathDialog { open, save, name };
std::optional<std::string> choose_path(HWND owner, PathDialog kind, const wchar_t* title, const wchar_t* filter);

}  // namespace zanteq::win32
