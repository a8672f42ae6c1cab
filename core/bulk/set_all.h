// Sending every setting of the record to a unit: the 50 steps in their
// order, each calling the same operation as the feature dialog's 設定
// button, and the sequence that performs one every 500 ms.
#pragma once

#include <string>
#include <vector>

#include "core/bulk/timed_sequence.h"
#include "core/dialogs/operations.h"

namespace zanteq {

constexpr int set_all_step_count = 50;
extern const SequencePlan set_all_plan;  // 500 ms, percentage, ends the dialog

// One step: the operation to call and, for per-channel steps, the channel.
struct SetAllStep {
  StepOutcome (*run)(Operations& ops, int channel);
  int channel;
};
extern const SetAllStep set_all_steps[set_all_step_count];

// Performs step 1..50; any other step does nothing.
StepOutcome run_set_all_step(Operations& ops, int step);

// The title of one channel as the timed sequences send it. A title of odd
// length or over 20 bytes shows the warning and is skipped (go_on); a
// character without a JIS X 0208 code sets `sequence_abort`, shows the
// warning and asks the run to stop (stop_run).
StepOutcome send_title_step(Operations& ops, int channel, bool dont_memory);

// One step of set-all built ahead of sending: its command, or the refusal
// the run would show for it (a hold time below 3 s, a title that cannot be
// sent) and no command.
struct PlannedStep {
  std::string command;
  std::string refusal;
  int channel;  // the step's channel 0..3 for per-channel steps, else 0
};

// The 50 steps for the record of `app`, built by the same operations as the
// run but kept instead of sent, so a front end can refuse a file before
// anything goes on the wire. Shows nothing; the link values are left as
// they were. For an AppState no receiving thread uses: the steps raise the
// shared abort flag on the way.
std::vector<PlannedStep> plan_set_all(AppState& app);

// One step every 500 ms through `ops`.
TimedSequence set_all_sequence(Operations& ops, SequenceView& view);

}  // namespace zanteq
