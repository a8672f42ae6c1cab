// A reset application state wired to recording fakes, for tests that press
// a feature's 設定 button and look at what went to the unit.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/dialogs/operations.h"
#include "tests/core/fakes.h"

namespace zanteq::testing {

class OperationsTest : public ::testing::Test {
 protected:
  OperationsTest() { reset_settings(app); }

  // The commands sent since the last call, and forget them.
  std::vector<std::string> take_sent() {
    std::vector<std::string> out;
    out.swap(sink.commands);
    return out;
  }
  // The one command sent since the last call ("" when none or several).
  std::string one_sent() {
    const std::vector<std::string> out = take_sent();
    return out.size() == 1 ? out[0] : std::string();
  }

  AppState app;
  RecordingSink sink;
  RecordingReporter reporter;
  Operations ops{app, sink, reporter};
};

}  // namespace zanteq::testing
