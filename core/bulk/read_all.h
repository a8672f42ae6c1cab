// Reading every setting back from a unit: the 51 read commands in their
// order, and the sequence that sends one every 400 ms. The replies are
// decoded by the reply dispatch as they come; the sequence does not wait.
#pragma once

#include <string>

#include "core/bulk/timed_sequence.h"
#include "core/link/reporter.h"

namespace zanteq {

constexpr int read_all_step_count = 51;
extern const SequencePlan read_all_plan;  // 400 ms, percentage, ends the dialog

// The command of step 1..51 (steps 1..24 carry the channel); empty for any
// other step.
std::string read_all_command(int step);

// One read command every 400 ms into `sink`.
TimedSequence read_all_sequence(AppState& app, CommandSink& sink, SequenceView& view);

}  // namespace zanteq
