// The narrow interfaces through which the core talks to whatever shows
// boxes and drives the serial line. The Windows program implements them with
// message boxes and the serial port; the tests and the simulator with fakes.
//
// Texts handed to a Reporter are UTF-8; the program converts them to UTF-16
// where it shows them. Command texts are ASCII.
#pragma once

#include <string>
#include <string_view>

namespace zanteq {

class Reporter {
 public:
  virtual ~Reporter() = default;
  // Caption "Success", no icon.
  virtual void show_success_box(const char* text) = 0;
  // Caption "Error", stop icon: link failures, the unit's error replies,
  // validation refusals of the alarm and display channel dialogs.
  virtual void show_error_box(const char* text) = 0;
  // Caption "Error", exclamation icon: file, bulk transfer and title messages.
  virtual void show_warning_box(const char* text) = 0;
};

// Shows nothing and keeps the text of the last error or warning box, for
// work done without windows (a console run, a plan built ahead of sending).
class KeptMessage : public Reporter {
 public:
  std::string text;
  void show_success_box(const char*) override {}
  void show_error_box(const char* message) override { text = message; }
  void show_warning_box(const char* message) override { text = message; }
};

// Takes one command text ending in "\r\n", without the RS-485 address.
class CommandSink {
 public:
  virtual ~CommandSink() = default;
  virtual void send_command(std::string_view text) = 0;
};

}  // namespace zanteq
