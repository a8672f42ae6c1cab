// Test doubles for the core's upward interfaces: they record every box and
// every command in order, so a test can compare them with what the user and
// the unit should see.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/link/reporter.h"

namespace zanteq::testing {

struct Box {
  enum Kind { success, error, warning } kind;
  std::string text;
  bool operator==(const Box& other) const { return kind == other.kind && text == other.text; }
};

class RecordingReporter : public Reporter {
 public:
  std::vector<Box> boxes;
  // Runs while a box is "open", as a modal box lets timers run behind it.
  std::function<void()> while_open;

  void show_success_box(const char* text) override { record(Box::success, text); }
  void show_error_box(const char* text) override { record(Box::error, text); }
  void show_warning_box(const char* text) override { record(Box::warning, text); }

 private:
  void record(Box::Kind kind, const char* text) {
    boxes.push_back({kind, text});
    if (while_open) while_open();
  }
};

class RecordingSink : public CommandSink {
 public:
  std::vector<std::string> commands;
  void send_command(std::string_view text) override { commands.emplace_back(text); }
};

}  // namespace zanteq::testing
