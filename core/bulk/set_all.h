// Sending every setting of the record to a unit: the 50 steps in their
// order, each calling the same operation as the feature dialog's 設定
// button, and the sequence that performs one every 500 ms.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/bulk/timed_sequence.h"
#include "core/dialogs/operations.h"
#include "core/link/transfer.h"

namespace zanteq {

constexpr int set_all_step_count = 50;
extern const SequencePlan set_all_plan;  // 500 ms, percentage, ends the dialog

// One step: the operation to call, the channel of a per-channel step (-1
// for a step that sends a whole field) and the settings-file field it sends.
struct SetAllStep {
  StepOutcome (*run)(Operations& ops, int channel);
  int channel;
  const char* field;
};
extern const SetAllStep set_all_steps[set_all_step_count];

// Performs step 1..50; any other step does nothing.
StepOutcome run_set_all_step(Operations& ops, int step);

// The title of one channel as the timed sequences send it. A title of odd
// length or over 20 bytes shows the warning and is skipped (go_on); a
// character without a JIS X 0208 code shows the warning and asks the run
// to stop (stop_run).
StepOutcome send_title_step(Operations& ops, int channel, bool dont_memory);

// One operation run as a plan's step: the command it would send, or the box
// it would show instead and whether it asks the run to stop. Nothing is
// sent or shown.
TransferStep plan_operation(AppState& app, const std::function<StepOutcome(Operations&)>& run);

// One step every 500 ms through `ops`, the plan built from the record at
// each Start.
TimedSequence set_all_sequence(Operations& ops, SequenceView& view);

}  // namespace zanteq
