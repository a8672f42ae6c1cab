// Dialog procedures of the two bulk transfers, read all (template 145) and
// set all (template 143), and of the unit list (146, which opens its
// differences dialog 147 itself). The command map opens them; the corner
// clicks of the main window open read all as well.
#pragma once

#include <windows.h>

namespace zanteq::win32 {

INT_PTR CALLBACK read_all_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK set_all_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK unit_list_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace zanteq::win32
