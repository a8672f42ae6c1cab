// The dialogs' side of a run at the reply pace: read all, set all and the
// set-all buttons of the title and video adjustment dialogs, each command
// sent as soon as the unit has answered the one before.
//
// The transfer engine (core/link/transfer.h) decides every step; a window
// piece drives it (the Windows program's TransferRunner: posted lines, a
// one-shot timer, sending) and tells this adapter what happened. This
// adapter shows it as a timed run has always been shown (TimedSequence):
// Close disabled while the run goes, the bar and the percentage one step
// further for each step sent or refused, and at the end either the bar and
// percentage cleared and the dialog ended (read all, set all) or, for a run
// that did not complete, everything left where it stood with Close enabled
// again. It holds `sequence_step` like a timed run, so New, Open, a second
// Start and the dialogs' Close wait for it alike.
//
// The boxes are not shown here: the caller routes the engine's boxes (a
// refusal holds the run at its step, the rest wait for the main window).
//
// Threads: the interface thread only.
#pragma once

#include "core/bulk/timed_sequence.h"
#include "core/link/transfer.h"
#include "core/settings/record.h"

namespace zanteq {

// Whether a dialog's run goes at the reply pace: the transfer_pace setting
// asks for it (0) and the run is not a broadcast, which nothing answers and
// which therefore always goes one command per period, as it always has.
bool runs_at_reply_pace(const AppState& app);

// The target of a run on the program's link as it is at Start.
TransferTarget program_target(const AppState& app);

class RepliesSequence {
 public:
  RepliesSequence(AppState& app, SequenceView& view, const SequencePlan& plan)
      : app_(app), view_(view), plan_(plan) {}
  ~RepliesSequence() { cancel(); }
  RepliesSequence(const RepliesSequence&) = delete;
  RepliesSequence& operator=(const RepliesSequence&) = delete;

  // Start: false (and nothing changes) while any sequence runs.
  bool begin(int step_count);
  // The start could not go on (the engine refused it): back to idle.
  void abort_begin();
  // Step 1.. was sent or refused.
  void step(int step);
  // The run is over.
  void end(const TransferOutcome& outcome);
  // The dialog is going away: `sequence_step` returns to 0, the view is
  // left alone.
  void cancel();

  bool running() const { return running_; }

 private:
  AppState& app_;
  SequenceView& view_;
  const SequencePlan plan_;
  int step_count_ = 0;
  bool running_ = false;
};

}  // namespace zanteq
