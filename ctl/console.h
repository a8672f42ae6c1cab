// What zanteqctl needs from the console it runs in: whether standard error
// is a terminal (for the progress bar), Ctrl-C, and the entry point that
// hands the arguments over as UTF-8. console_posix.cpp and
// console_windows.cpp each implement it; the port, the port list, files
// and text conversion come from the platform layer (platform/).
#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace zanteq::ctl {

bool stderr_is_terminal();

// The first Ctrl-C sets `flag`; the program stops after the line on the
// wire. A second one ends the program at once.
void watch_interrupt(std::atomic<int>& flag);

// The shared program, called by the platform's entry point with the
// arguments as UTF-8 (the program name left out).
int run_zanteqctl(const std::vector<std::string>& args);

}  // namespace zanteq::ctl
