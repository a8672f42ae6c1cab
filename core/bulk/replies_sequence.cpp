// The dialogs' view of a run at the reply pace.
#include "core/bulk/replies_sequence.h"

#include <string>


namespace zanteq {

bool runs_at_reply_pace(const AppState& app) {
  return app.iface.transfer_pace == 0 && !program_target(app).broadcast();
}

TransferTarget program_target(const AppState& app) {
  return TransferTarget{app.link.rs_control, app.link.slave_address};
}

bool RepliesSequence::begin(int step_count) {
  if (app_.link.sequence_step != 0) return false;
  step_count_ = step_count;
  running_ = true;
  app_.link.sequence_step = 1;
  view_.enable_close(false);
  return true;
}

void RepliesSequence::abort_begin() {
  if (!running_) return;
  running_ = false;
  app_.link.sequence_step = 0;
  view_.enable_close(true);
}

void RepliesSequence::step(int step) {
  if (!running_) return;
  if (plan_.cleared_percentage)
    view_.set_percentage_text(std::to_string(sequence_percentage(step, step_count_)).c_str());
  view_.step_progress();
  app_.link.sequence_step = step + 1;
}

void RepliesSequence::end(const TransferOutcome& outcome) {
  if (!running_) return;
  running_ = false;
  app_.link.sequence_step = 0;
  app_.link.sequence_abort = 0;
  if (outcome.end != TransferEnd::completed) {
    // Where it stood: the bar and the percentage show how far it got.
    view_.enable_close(true);
    return;
  }
  if (plan_.cleared_percentage) view_.set_percentage_text(plan_.cleared_percentage);
  view_.enable_close(true);
  view_.reset_progress();
  if (plan_.ends_dialog) view_.end_dialog();  // last: the dialog may go away now
}

void RepliesSequence::cancel() {
  if (!running_) return;
  running_ = false;
  app_.link.sequence_step = 0;
}

}  // namespace zanteq
