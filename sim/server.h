// The simulator process: the pseudo-terminal, the control FIFO, signals and
// the time limit, around one Responder. Single-threaded: one poll loop owns
// every descriptor and the unit's state.
#pragma once

#include "sim/options.h"

namespace zanteq::sim {

// Runs until a signal, the time limit or `quit`; returns the exit status
// (0 after a clean stop, 1 when something failed at start-up).
int run_simulator(const Options& options);

}  // namespace zanteq::sim
