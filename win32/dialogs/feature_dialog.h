// Small pieces shared by the settings dialogs that carry one 設定 button per
// setting (alarm, video loss, date and time, auto gain control, other
// settings, display channel, video format, slave address).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>

#include "win32/dialogs/dialog_common.h"

namespace zanteq::win32 {

// Position of control `id` in a per-channel id table, -1 when it is not there.
template <std::size_t N>
int index_of_control(const int (&ids)[N], int id) {
  for (std::size_t i = 0; i < N; ++i)
    if (ids[i] == id) return static_cast<int>(i);
  return -1;
}

// The message switch every one of these dialogs has: WM_INITDIALOG runs
// `init` and leaves the focus to the dialog manager; WM_COMMAND goes to
// take_shared_command (slave address, Close, and Enter as `enter` says),
// then to `command`, which says whether it took the command; everything
// else is left to the default dialog handling.
inline INT_PTR settings_dialog_message(HWND dialog, UINT message, WPARAM wparam, void (*init)(HWND),
                                       BOOL (*command)(HWND, int, int), EnterKey enter) {
  switch (message) {
    case WM_INITDIALOG:
      init(dialog);
      return TRUE;
    case WM_COMMAND:
      if (take_shared_command(dialog, LOWORD(wparam), HIWORD(wparam), enter)) return TRUE;
      return command(dialog, LOWORD(wparam), HIWORD(wparam));
    default:
      return FALSE;
  }
}

// A record combo's notification: only a selection change is stored; the
// combo's other notifications are ignored.
inline void store_on_selchange(HWND dialog, int combo_id, int code, std::atomic<int>& field) {
  if (code == CBN_SELCHANGE) store_combo_selection(dialog, combo_id, field);
}

}  // namespace zanteq::win32
