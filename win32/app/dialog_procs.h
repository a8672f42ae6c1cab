// Dialog procedures of the application shell: the interface settings (144),
// its network dialog (153, lParam: the NetDialogFields it starts from and
// fills on 接続) and the about box (100).
#pragma once

#include <windows.h>

namespace zanteq::win32 {

INT_PTR CALLBACK interface_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK net_port_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace zanteq::win32
