// Message boxes: a beep first, then a box owned by the window the user
// works in.
#include "win32/link/message_boxes.h"

#include <windows.h>

#include "win32/app/app.h"
#include "platform/windows/text_conversion.h"

namespace zanteq::win32 {

using platform::utf8_to_wide;

namespace {

// The active window of the interface thread (a dialog, or the main window);
// while the program is in the background, the window of it that was active
// last. An owned box stays in front of its owner and keeps it disabled. On
// any other thread there is no window to own the box: nullptr.
HWND box_owner() {
  const HWND main = main_window();
  if (!main || GetWindowThreadProcessId(main, nullptr) != GetCurrentThreadId()) return nullptr;
  if (const HWND active = GetActiveWindow()) return active;
  return GetLastActivePopup(main);
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
