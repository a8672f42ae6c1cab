// A SequenceView that writes down what the dialog was told to do, so a test
// can follow the timer, the Close button, the bar and the percentage.
#pragma once

#include <string>
#include <vector>

#include "core/bulk/timed_sequence.h"

namespace zanteq::testing {

class FakeSequenceView : public SequenceView {
 public:
  // Events in order: "timer 400", "timer off", "close on", "close off",
  // "step", "bar 0", "text 25", "end", "repaint".
  std::vector<std::string> events;
  int timer_period = 0;  // 0 while stopped
  bool close_enabled = true;
  int bar = 0;
  std::string text;
  bool ended = false;
  int repaints = 0;

  void start_timer(int period_ms) override {
    timer_period = period_ms;
    events.push_back("timer " + std::to_string(period_ms));
  }
  void stop_timer() override {
    timer_period = 0;
    events.push_back("timer off");
  }
  void enable_close(bool enabled) override {
    close_enabled = enabled;
    events.push_back(enabled ? "close on" : "close off");
  }
  void step_progress() override {
    ++bar;
    events.push_back("step");
  }
  void reset_progress() override {
    bar = 0;
    events.push_back("bar 0");
  }
  void set_percentage_text(const char* t) override {
    text = t;
    events.push_back("text " + text);
  }
  void end_dialog() override {
    ended = true;
    events.push_back("end");
  }
  void repaint_panel() override {
    ++repaints;
    events.push_back("repaint");
  }
};

}  // namespace zanteq::testing
