// The program's three kinds of message box and the questions it asks.
// Boxes are shown on the interface thread, owned by the window the user
// works in, and block their caller until the user presses OK. The link's
// boxes reach that thread through ReplyBoxes (win32/app/app.h).
#pragma once

#include "core/link/reporter.h"

namespace zanteq::win32 {

// Texts are UTF-8.
void show_success_box(const char* text);  // caption "Success", no icon
void show_error_box(const char* text);    // caption "Error", stop icon
void show_warning_box(const char* text);  // caption "Error", exclamation icon

// Yes/No question with the question icon; true for Yes.
bool ask_yes_no(const char* text, const char* caption);

class MessageBoxReporter final : public Reporter {
 public:
  void show_success_box(const char* text) override;
  void show_error_box(const char* text) override;
  void show_warning_box(const char* text) override;
};

}  // namespace zanteq::win32
