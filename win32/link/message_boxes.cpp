// Message boxes: a beep first, then a box owned by the window the user
// works in.
#include "win32/link/message_boxes.h"

#include <windows.h>

#include "win32/app/app.h"
#include "platform/windows/text_conversion.h"

namespace zanteq::win32 {

using platform::utf8_to_wide;

namespace {

// The window the user works in: the innermost modal dialog over the main
// window (a settings dialog, or a box or dialog opened from it), else the
// main window. Modal windows disable the one they belong to, so that is the
// enabled end of the chain of visible dialog windows owned one by another
// from the main window. The 通信ログ window is modeless and never owns a
// box: a box owned by it would leave a modal dialog beside it enabled.
HWND working_window(HWND main) {
  HWND owner = main;
  while (!IsWindowEnabled(owner)) {
    struct Search {
      HWND owner;
      HWND found;
    } search{owner, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
          auto* s = reinterpret_cast<Search*>(param);
          wchar_t name[16] = {};
          GetClassNameW(window, name, 16);
          if (window != log_window() && GetWindow(window, GW_OWNER) == s->owner && IsWindowVisible(window) &&
              lstrcmpW(name, L"#32770") == 0) {
            s->found = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (!search.found) break;
    owner = search.found;
  }
  return owner;
}

// The active window of the interface thread (a dialog, or the main window),
// unless that is the log window or the program is in the background: then
// the window the user works in. An owned box stays in front of its owner and
// keeps it disabled. On any other thread there is no window to own the box:
// nullptr.
HWND box_owner() {
  const HWND main = main_window();
  if (!main || GetWindowThreadProcessId(main, nullptr) != GetCurrentThreadId()) return nullptr;
  const HWND active = GetActiveWindow();
  const HWND log = log_window();
  if (active && active != log && !(log && GetWindow(active, GW_OWNER) == log)) return active;
  return working_window(main);
}

void show_box(const char* text, const wchar_t* caption, UINT icon) {
  MessageBeep(MB_ICONQUESTION);
  const HWND owner = box_owner();
  MessageBoxW(owner, utf8_to_wide(text).c_str(), caption,
              MB_OK | icon | (owner ? MB_APPLMODAL : MB_TASKMODAL));
}

}  // namespace

void show_success_box(const char* text) { show_box(text, L"Success", 0); }
void show_error_box(const char* text) { show_box(text, L"Error", MB_ICONHAND); }
void show_warning_box(const char* text) { show_box(text, L"Error", MB_ICONEXCLAMATION); }

bool ask_yes_no(const char* text, const char* caption) {
  // Task-modal so that the main window cannot start a second command
  // while the question is open.
  const int answer = MessageBoxW(nullptr, utf8_to_wide(text).c_str(), utf8_to_wide(caption).c_str(),
                                 MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL);
  return answer == IDYES;
}

void MessageBoxReporter::show_success_box(const char* text) { win32::show_success_box(text); }
void MessageBoxReporter::show_error_box(const char* text) { win32::show_error_box(text); }
void MessageBoxReporter::show_warning_box(const char* text) { win32::show_warning_box(text); }

}  // namespace zanteq::win32
