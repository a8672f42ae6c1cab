// The set-all buttons of the title and video adjustment dialogs. Both
// dialogs run their sequence on the same timer as the one-shot repaint of
// their painted panel; TimedSequence serves the repaint first and then
// carries on at the run's period, so a repaint never ends a run nor leaves Close
// disabled.
#pragma once

#include "core/bulk/timed_sequence.h"
#include "core/dialogs/operations.h"

namespace zanteq {

constexpr int title_sequence_step_count = 4;
constexpr int video_adjust_step_count = 20;
extern const SequencePlan title_sequence_plan;   // 200 ms, percentage "25".."100"
extern const SequencePlan video_adjust_plan;     // 100 ms, no percentage

// 全設定 (form CJ) and 全設定Don't (form CJN): the four channel titles.
class TitleSequence : public TimedSequence {
 public:
  TitleSequence(Operations& ops, SequenceView& view);
  // false while any sequence runs; the form is kept for the whole run.
  bool start(bool dont_memory);

 private:
  using TimedSequence::start;
  bool dont_memory_ = false;
};

// Step 1..20 of the video adjustment set-all: brightness, contrast,
// sharpness, hue, saturation, each for ch.01..ch.04.
void run_video_adjust_step(Operations& ops, int step);

// The twenty values one every 100 ms through `ops`.
TimedSequence video_adjust_sequence(Operations& ops, SequenceView& view);

}  // namespace zanteq
