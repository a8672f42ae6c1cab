// The timed-sequence engine: start, tick, abort, completion and cancel.
#include "core/bulk/timed_sequence.h"

#include <string>
#include <utility>

namespace zanteq {

TimedSequence::TimedSequence(AppState& app, SequenceView& view, const SequencePlan& plan, Step step)
    : app_(app), view_(view), plan_(plan), step_(std::move(step)) {}

TimedSequence::~TimedSequence() { cancel(); }

int sequence_percentage(int step, int step_count) {
  return step_count > 0 ? step * 100 / step_count : 0;
}

bool TimedSequence::start() {
  if (app_.link.sequence_step != 0) return false;
  view_.enable_close(false);
  running_ = true;
  stop_requested_ = false;
  app_.link.sequence_step = 1;
  view_.start_timer(plan_.period_ms);
  return true;
}

void TimedSequence::cancel() {
  if (!running_) return;
  running_ = false;
  stop_requested_ = false;
  app_.link.sequence_step = 0;
}

void TimedSequence::schedule_repaint(int delay_ms) {
  app_.ui.repaint_pending = 1;
  view_.start_timer(delay_ms);
}

void TimedSequence::tick() {
  if (in_step_) return;  // a box of the current step is still open

  if (plan_.serves_panel_repaint && app_.ui.repaint_pending) {
    view_.repaint_panel();
    app_.ui.repaint_pending = 0;
    if (running_)
      view_.start_timer(plan_.period_ms);
    else
      view_.stop_timer();
    return;
  }

  if (!running_) {
    view_.stop_timer();  // a late tick after the run or the repaint is over
    return;
  }

  const int step = app_.link.sequence_step;
  if (app_.link.sequence_abort || stop_requested_ || step < 1 || step > plan_.step_count) {
    // An error or menu reply, a refused step, or a shared counter changed
    // under the run (nothing sane to send then).
    stop();
    return;
  }

  in_step_ = true;
  const StepOutcome outcome = step_(step);
  in_step_ = false;
  if (!running_) return;  // cancelled while a box was open: the view is going away
  if (outcome == StepOutcome::stop_run) stop_requested_ = true;

  if (plan_.cleared_percentage)
    view_.set_percentage_text(std::to_string(sequence_percentage(step, plan_.step_count)).c_str());
  view_.step_progress();
  app_.link.sequence_step = step + 1;

  const bool abort_now =
      plan_.ends_on_abort_after_step && (app_.link.sequence_abort || stop_requested_);
  if (step + 1 > plan_.step_count || abort_now) finish();
}

// Back to idle with the dialog open and the bar and the percentage where
// they stood; Start may be pressed again.
void TimedSequence::stop() {
  running_ = false;
  stop_requested_ = false;
  release_timer();
  view_.enable_close(true);
  app_.link.sequence_abort = 0;
  app_.link.sequence_step = 0;
}

// A run is over. A repaint asked for while a step's box was open still
// needs the timer.
void TimedSequence::release_timer() {
  if (plan_.serves_panel_repaint && app_.ui.repaint_pending)
    view_.start_timer(repaint_delay_ms);
  else
    view_.stop_timer();
}

void TimedSequence::finish() {
  running_ = false;
  stop_requested_ = false;
  app_.link.sequence_step = 0;
  release_timer();
  if (plan_.cleared_percentage) view_.set_percentage_text(plan_.cleared_percentage);
  view_.enable_close(true);
  view_.reset_progress();
  if (plan_.finish_clears_abort) app_.link.sequence_abort = 0;
  if (plan_.ends_dialog) view_.end_dialog();  // last: the dialog may go away now
}

}  // namespace zanteq
