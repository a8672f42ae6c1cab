// Dialog procedures of the feature dialogs, one per dialog template. The
// command map (app/command_map.cpp) opens each from its table row; a new
// dialog is declared here, defined in its own source in this folder (or in
// bulk/ for the bulk transfers), and its template goes into an .rc file of
// its own included by resources/zanteq.rc.
#pragma once

#include <windows.h>

namespace zanteq::win32 {

// Each has the form
//   INT_PTR CALLBACK alarm_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
// and uses the helpers of dialogs/dialog_common.h.

// The dialogs with one 設定 button per setting: alarm (133), video loss
// (134), date and time (135), display channel (139), other settings (141),
// slave address (142), video format (148), auto gain control (150).
INT_PTR CALLBACK alarm_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK video_loss_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK date_time_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK display_channel_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK other_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK slave_address_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK video_format_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK agc_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// The painted dialogs: auto-switch (138), titles (136), title position (137,
// opened from the title dialog), video adjustment (140).
INT_PTR CALLBACK auto_switch_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK title_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK title_position_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK video_adjust_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace zanteq::win32
