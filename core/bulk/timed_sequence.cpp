// The dialogs' timed runs on the transfer engine: start, tick, the steps'
// commands and boxes, completion and cancel.
#include "core/bulk/timed_sequence.h"

#include <string>
#include <utility>

namespace zanteq {

TimedSequence::TimedSequence(AppState& app, CommandSink& sink, Reporter* reporter, SequenceView& view,
                             const SequencePlan& plan, MakePlan make_plan)
    : app_(app), sink_(sink), reporter_(reporter), view_(view), plan_(plan), make_plan_(std::move(make_plan)) {}

TimedSequence::~TimedSequence() { cancel(); }

int sequence_percentage(int step, int step_count) {
  return step_count > 0 ? step * 100 / step_count : 0;
}

int TimedSequence::period_ms() const { return transfer_ ? transfer_->plan().timer_period_ms : plan_.period_ms; }

bool TimedSequence::start() {
  if (app_.link.sequence_step != 0) return false;
  // The sink frames each command for the link as it is when it goes out,
  // as a 設定 button does; the engine's own framing is not used here.
  transfer_.emplace(make_plan_(), TransferPacing{Pacing::timer, 0});
  transfer_->start(TransferTime(0), TransferTarget{});
  view_.enable_close(false);
  running_ = true;
  app_.link.sequence_step = 1;
  view_.start_timer(period_ms());
  return true;
}

void TimedSequence::cancel() {
  if (!running_) return;
  running_ = false;
  transfer_->stop(transfer_->wake_at());
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
      view_.start_timer(period_ms());
    else
      view_.stop_timer();
    return;
  }

  if (!running_) {
    view_.stop_timer();  // a late tick after the run or the repaint is over
    return;
  }

  // A shared counter changed under the run: nothing sane to send then.
  if (app_.link.sequence_step != transfer_->step() + 1) {
    stop();
    return;
  }
  // Each tick of the periodic timer is the wake-up the engine asked for.
  const TransferTime now = transfer_->wake_at();
  TransferAction action = transfer_->abort_flag(now, app_.link.sequence_abort != 0);
  if (!action.done) action = transfer_->wake(now);
  if (action.done && action.send.empty()) {
    // An error or menu reply, or a refusal that ends the run: the dialog
    // stays as it is.
    stop();
    return;
  }
  if (action.step == 0) return;

  // The answer to the run's last command is no longer the run's: its GO is
  // the "Success" of the whole run. The counter is down before the command
  // goes out, since a unit behind a fast link answers before this tick is
  // over.
  if (action.done) app_.link.sequence_step = 0;
  perform(action);
  if (!running_) return;  // cancelled while a box was open: the view is going away

  const int step_count = static_cast<int>(transfer_->plan().steps.size());
  if (plan_.cleared_percentage)
    view_.set_percentage_text(std::to_string(sequence_percentage(action.step, step_count)).c_str());
  view_.step_progress();
  if (!action.done) app_.link.sequence_step = action.step + 1;

  if (!action.done) {
    const bool refused = action.send.empty();
    action = transfer_->abort_flag(now, app_.link.sequence_abort != 0);
    if (!action.done && refused) action = transfer_->wake(now);  // its box is closed
  }
  if (action.done) finish();
}

void TimedSequence::perform(const TransferAction& action) {
  const TransferStep& step = transfer_->plan().steps[static_cast<std::size_t>(action.step - 1)];
  if (!action.send.empty()) {
    sink_.send_command(step.command);
    return;
  }
  if (!action.box || !reporter_) return;
  // Raised before the box, so the shared flag says the run is to stop
  // while the box is open, as it always has.
  if (step.refusal_ends_run) app_.link.sequence_abort = 1;
  in_step_ = true;
  if (action.box->kind == TransferBox::warning)
    reporter_->show_warning_box(action.box->text.c_str());
  else
    reporter_->show_error_box(action.box->text.c_str());
  in_step_ = false;
}

// Back to idle with the dialog open and the bar and the percentage where
// they stood; Start may be pressed again.
void TimedSequence::stop() {
  running_ = false;
  transfer_->stop(transfer_->wake_at());
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
  app_.link.sequence_step = 0;
  release_timer();
  if (plan_.cleared_percentage) view_.set_percentage_text(plan_.cleared_percentage);
  view_.enable_close(true);
  view_.reset_progress();
  if (plan_.finish_clears_abort) app_.link.sequence_abort = 0;
  if (plan_.ends_dialog) view_.end_dialog();  // last: the dialog may go away now
}

}  // namespace zanteq
