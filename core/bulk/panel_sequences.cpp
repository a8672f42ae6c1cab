// Title and video adjustment set-all sequences and their plans.
#include "core/bulk/panel_sequences.h"

#include "core/bulk/set_all.h"
#include "core/bulk/transfer_plans.h"
#include "core/settings/settings_file.h"

namespace zanteq {

const SequencePlan title_sequence_plan = {
    /*period_ms=*/200,
    /*step_count=*/title_sequence_step_count,
    /*cleared_percentage=*/"  ",
    /*ends_dialog=*/false,
    /*serves_panel_repaint=*/true,
    /*ends_on_abort_after_step=*/true,
    /*finish_clears_abort=*/true,
};

const SequencePlan video_adjust_plan = {
    /*period_ms=*/100,
    /*step_count=*/video_adjust_step_count,
    /*cleared_percentage=*/nullptr,
    /*ends_dialog=*/false,
    /*serves_panel_repaint=*/true,
    /*ends_on_abort_after_step=*/true,
    /*finish_clears_abort=*/true,
};

TitleSequence::TitleSequence(Operations& ops, SequenceView& view)
    : TimedSequence(ops.app(), ops.sink(), &ops.reporter(), view, title_sequence_plan,
                    [this, &ops] { return title_transfer_plan(ops.app(), dont_memory_); }) {}

bool TitleSequence::start(bool dont_memory) {
  if (running()) return false;
  dont_memory_ = dont_memory;
  return TimedSequence::start();
}

void run_video_adjust_step(Operations& ops, int step) {
  if (step < 1 || step > video_adjust_step_count) return;
  const int channel = (step - 1) % channel_count;
  switch ((step - 1) / channel_count) {
    case 0: ops.send_brightness(channel); break;
    case 1: ops.send_contrast(channel); break;
    case 2: ops.send_sharpness(channel); break;
    case 3: ops.send_hue(channel); break;
    default: ops.send_saturation(channel); break;
  }
}

TransferPlan title_transfer_plan(AppState& app, bool dont_memory) {
  TransferPlan plan;
  plan.timer_period_ms = title_sequence_plan.period_ms;
  plan.ends_in_its_step = title_sequence_plan.ends_on_abort_after_step;
  const SettingsFileLines titles = settings_file_field_lines("title");
  for (int channel = 0; channel < channel_count; ++channel) {
    TransferStep s = plan_operation(
        app, [channel, dont_memory](Operations& ops) { return send_title_step(ops, channel, dont_memory); });
    s.file_line = titles.first + channel;
    s.file_line_count = 1;
    plan.steps.push_back(std::move(s));
  }
  return plan;
}

TransferPlan video_adjust_transfer_plan(AppState& app) {
  static const char* const fields[] = {"brightness", "contrast", "sharpness", "hue", "saturation"};
  TransferPlan plan;
  plan.timer_period_ms = video_adjust_plan.period_ms;
  plan.ends_in_its_step = video_adjust_plan.ends_on_abort_after_step;
  for (int step = 1; step <= video_adjust_step_count; ++step) {
    TransferStep s = plan_operation(app, [step](Operations& ops) {
      run_video_adjust_step(ops, step);
      return StepOutcome::go_on;
    });
    s.file_line = settings_file_field_lines(fields[(step - 1) / channel_count]).first + (step - 1) % channel_count;
    s.file_line_count = 1;
    plan.steps.push_back(std::move(s));
  }
  return plan;
}

TimedSequence video_adjust_sequence(Operations& ops, SequenceView& view) {
  return TimedSequence(ops.app(), ops.sink(), &ops.reporter(), view, video_adjust_plan,
                       [&ops] { return video_adjust_transfer_plan(ops.app()); });
}

}  // namespace zanteq
