// A whole transfer to one unit, paced by its replies: the next command goes
// out as soon as the reply to the previous one is complete, or, with fixed
// pacing, no sooner than a period after it. The commands are the same as
// those of the timed sequences (read_all_command, plan_set_all); only the
// pacing differs.
//
// The run holds `sequence_step` at the current step, as a timed sequence
// does, so the dispatch treats its replies as those of a sequence. An error
// or menu reply, a silent unit, a reply from another address or a failing
// port ends the run at that step; a reply of the wrong kind ("GN" to a set
// command, a status line to a read) is noted and the run goes on, so a unit
// that refuses one value still gets the others.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "core/link/exchange.h"

namespace zanteq {

enum class Pace {
  replies,  // the next command as soon as the reply is complete
  fixed,    // in addition, at least `period_ms` from one command to the next
};

// What each step's reply must be for the step to count as done as intended.
enum class Expect {
  data_line,  // read commands: a data line that the decoders take, for the field asked
  accepted,   // set commands: "GO"
};

struct RunSettings {
  int timeout_ms = 1000;
  Pace pace = Pace::replies;
  int period_ms = 0;
  // Set from a signal handler: the run stops before the next command, so
  // the line on the wire is always finished first.
  const std::atomic<int>* stop = nullptr;
  // After each step: steps done so far and the step count.
  std::function<void(int done, int count)> progress;
};

struct UnitOutcome {
  enum State { done, failed, interrupted };
  State state = done;
  int steps_done = 0;
  int step_count = 0;
  // Where a failed run ended: step 1.., its command without CR LF, the reply.
  int failed_step = 0;
  std::string command;
  Reply reply;
  // Steps whose reply was not the one expected, one text each:
  // "step 12 VAC03064: GN".
  std::vector<std::string> unexpected;
};

// Runs `commands` (each ending in "\r\n") over `exchange` one after the
// other. A broadcast awaits no reply, so it should run with fixed pacing.
UnitOutcome run_unit(Exchange& exchange, LinkState& link, const std::vector<std::string>& commands,
                     Expect expect, const RunSettings& settings);

// A one-line account of a failed step for a person: "no reply within
// 1000 ms", "reply E3 (Command Error)", "reply 07GO from another address", ...
std::string describe_failure(const Reply& reply, int timeout_ms);

}  // namespace zanteq
