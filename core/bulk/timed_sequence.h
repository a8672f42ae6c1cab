// The dialogs' side of a timed transfer: read all, set all, and the set-all
// buttons of the title and video adjustment dialogs, run by the transfer
// engine (core/link/transfer.h) in timer pacing.
//
// The engine decides every step: which command goes at which tick, the
// refusal box at its step, and when the run ends. This adapter is the
// dialog's periodic timer (each tick is the wake-up the engine asked for),
// sends each step's command through the CommandSink, shows refusal boxes
// (a box holds the run: ticks that come while it is open do nothing), and
// drives the SequenceView: Close, the progress bar, the percentage and the
// end of the dialog. The replies go through the receiving thread's
// dispatch_reply as before; the abort flag it keeps reaches the engine at
// every tick and right after every step.
//
// All sequences share `sequence_step` (0 when none runs; a sequence starts
// only when it is 0, and the dispatch takes a GO or GN during a run as the
// run's) and `sequence_abort`, which the dispatch sets on an error or menu
// reply and clears on any other line. The dialog only implements
// SequenceView and forwards its button, timer and destruction to start(),
// tick() and cancel().
//
// Threads: everything here runs on the interface thread. The receiving
// thread only sets and clears `sequence_abort` and reads `sequence_step`.
#pragma once

#include <functional>
#include <optional>

#include "core/link/reporter.h"
#include "core/link/transfer.h"
#include "core/settings/record.h"

namespace zanteq {

// What a sequence needs from its dialog. Texts are ASCII.
class SequenceView {
 public:
  virtual ~SequenceView() = default;
  // (Re)arm the dialog's timer with this period, or stop it.
  virtual void start_timer(int period_ms) = 0;
  virtual void stop_timer() = 0;
  virtual void enable_close(bool enabled) = 0;
  // Advance the progress bar by one step / set its position to 0.
  virtual void step_progress() = 0;
  virtual void reset_progress() = 0;
  // The percentage edit. Dialogs without one keep the default.
  virtual void set_percentage_text(const char* /*text*/) {}
  // End the dialog (read all and set all close themselves when complete).
  virtual void end_dialog() {}
  // Draw the dialog's painted panel (title preview, video value table).
  virtual void repaint_panel() {}
};

// What the dialog shows of a run; its steps and pacing are the engine's
// plan (transfer_plans.h), whose period and step count these repeat.
struct SequencePlan {
  int period_ms;
  int step_count;
  // Percentage edit text after a completed run; nullptr when the dialog
  // shows no percentage.
  const char* cleared_percentage;
  bool ends_dialog;          // the dialog ends itself on completion
  bool serves_panel_repaint; // the dialog's timer also repaints its panel
  // A run that must end ends in that tick (title and video adjustment)
  // rather than at the next one: the engine plan's ends_in_its_step.
  bool ends_on_abort_after_step;
  // A completed run also clears `sequence_abort` (title and video adjustment).
  bool finish_clears_abort;
};

// What one step's operation asks of the run (set_all.h builds the plans
// from it).
enum class StepOutcome {
  go_on,     // the step is done (sent, or refused with its box), keep going
  stop_run,  // the run must stop: at the next tick, or at once where the
             // plan ends on an abort after the step
};

class TimedSequence {
 public:
  // The run's plan, built at each Start from the record as it is then.
  using MakePlan = std::function<TransferPlan()>;

  // Each step's command goes to `sink`, which frames it for the link as it
  // is when it goes out; refusal boxes go to `reporter` (nullptr for plans
  // that refuse nothing).
  TimedSequence(AppState& app, CommandSink& sink, Reporter* reporter, SequenceView& view,
                const SequencePlan& plan, MakePlan make_plan);
  // Gives `sequence_step` back if this sequence still runs, so a dialog that
  // goes away mid-run never blocks New, Open and every later sequence.
  virtual ~TimedSequence();
  TimedSequence(const TimedSequence&) = delete;
  TimedSequence& operator=(const TimedSequence&) = delete;

  // The Start button: false (and nothing changes) while any sequence runs.
  bool start();

  // One timer tick. A box shown by a step holds the run: ticks that come
  // while it is open (the box's message loop calls back here) do nothing.
  void tick();

  // The dialog is going away: if this sequence runs, it stops without
  // touching the view and `sequence_step` returns to 0. A sequence that
  // does not run leaves the shared counter alone.
  void cancel();

  bool running() const { return running_; }

  // The panel dialogs' one-shot repaint on the same timer: at opening and on
  // every paint message the dialog asks for its panel to be drawn after
  // `delay_ms`. tick() draws it and then re-arms the timer at the sequence
  // period when a run is going on, or stops it.
  void schedule_repaint(int delay_ms);

 private:
  void perform(const TransferAction& action);
  void stop();
  void finish();
  void release_timer();
  int period_ms() const;

  AppState& app_;
  CommandSink& sink_;
  Reporter* const reporter_;
  SequenceView& view_;
  const SequencePlan plan_;
  const MakePlan make_plan_;
  std::optional<Transfer> transfer_;  // the run, from Start on
  bool running_ = false;
  bool in_step_ = false;
};

// Delay of the panel repaint after a paint message.
constexpr int repaint_delay_ms = 20;

// Percentage shown after step `step` of `step_count`: step * 100 / step_count.
int sequence_percentage(int step, int step_count);

}  // namespace zanteq
