// The set-all step table and its sequence.
#include "core/bulk/set_all.h"

#include "core/dialogs/title.h"

namespace zanteq {

const SequencePlan set_all_plan = {
    /*period_ms=*/500,
    /*step_count=*/set_all_step_count,
    /*cleared_percentage=*/"   ",
    /*ends_dialog=*/true,
    /*serves_panel_repaint=*/false,
    /*ends_on_abort_after_step=*/false,
    /*finish_clears_abort=*/false,
};

StepOutcome send_title_step(Operations& ops, int channel, bool dont_memory) {
  const std::optional<std::string> prepared = ops.prepare_title(channel);
  if (!prepared) {
    ops.reporter().show_warning_box(title_refusal_message);
    return StepOutcome::go_on;
  }
  if (!ops.send_title(channel, dont_memory, *prepared)) {
    // Raised before the box, so the run is marked to stop while it is open.
    ops.app().link.sequence_abort = 1;
    ops.reporter().show_warning_box(title_refusal_message);
    return StepOutcome::stop_run;
  }
  return StepOutcome::go_on;
}

namespace {

StepOutcome title(Operations& ops, int channel) { return send_title_step(ops, channel, false); }

template <void (Operations::*op)()>
StepOutcome whole(Operations& ops, int) {
  (ops.*op)();
  return StepOutcome::go_on;
}

template <void (Operations::*op)(int)>
StepOutcome of_channel(Operations& ops, int channel) {
  (ops.*op)(channel);
  return StepOutcome::go_on;
}

// A refused hold time has shown its box and sent nothing; the run goes on.
StepOutcome hold_time(Operations& ops, int) {
  ops.send_alarm_hold_time();
  return StepOutcome::go_on;
}

}  // namespace

const SetAllStep set_all_steps[set_all_step_count] = {
    {title, 0},
    {title, 1},
    {title, 2},
    {title, 3},
    {of_channel<&Operations::send_brightness>, 0},
    {of_channel<&Operations::send_brightness>, 1},
    {of_channel<&Operations::send_brightness>, 2},
    {of_channel<&Operations::send_brightness>, 3},
    {of_channel<&Operations::send_contrast>, 0},
    {of_channel<&Operations::send_contrast>, 1},
    {of_channel<&Operations::send_contrast>, 2},
    {of_channel<&Operations::send_contrast>, 3},
    // Sharpness before hue, unlike the read order.
    {of_channel<&Operations::send_sharpness>, 0},
    {of_channel<&Operations::send_sharpness>, 1},
    {of_channel<&Operations::send_sharpness>, 2},
    {of_channel<&Operations::send_sharpness>, 3},
    {of_channel<&Operations::send_hue>, 0},
    {of_channel<&Operations::send_hue>, 1},
    {of_channel<&Operations::send_hue>, 2},
    {of_channel<&Operations::send_hue>, 3},
    {of_channel<&Operations::send_saturation>, 0},
    {of_channel<&Operations::send_saturation>, 1},
    {of_channel<&Operations::send_saturation>, 2},
    {of_channel<&Operations::send_saturation>, 3},
    {whole<&Operations::send_alarm_display>, 0},
    {hold_time, 0},
    {whole<&Operations::send_alarm_mode>, 0},
    {whole<&Operations::send_alarm_polarity>, 0},
    {whole<&Operations::send_alarm_return>, 0},
    {whole<&Operations::send_video_loss_all>, 0},
    {whole<&Operations::send_video_loss_background>, 0},
    {whole<&Operations::send_video_loss_signal_output>, 0},
    {whole<&Operations::send_video_loss_display>, 0},
    {whole<&Operations::send_clock_display>, 0},
    {whole<&Operations::send_clock_display_range>, 0},
    {whole<&Operations::send_title_display_single>, 0},
    {whole<&Operations::send_title_display_split>, 0},
    {whole<&Operations::send_auto_switch>, 0},
    {whole<&Operations::send_split_mode>, 0},
    {whole<&Operations::send_border_line>, 0},
    {whole<&Operations::send_connector_input>, 0},
    {whole<&Operations::send_power_on_screen>, 0},
    {whole<&Operations::send_osd_size_split>, 0},
    {whole<&Operations::send_osd_size_single>, 0},
    {whole<&Operations::send_osd_offset_h>, 0},
    {whole<&Operations::send_osd_offset_v>, 0},
    {whole<&Operations::send_video_format_all>, 0},
    {whole<&Operations::send_split2_channels>, 0},  // no same-channel check here
    {whole<&Operations::send_ntsc_aspect>, 0},
    {whole<&Operations::send_agc_all>, 0},
};

StepOutcome run_set_all_step(Operations& ops, int step) {
  if (step < 1 || step > set_all_step_count) return StepOutcome::go_on;
  const SetAllStep& s = set_all_steps[step - 1];
  return s.run(ops, s.channel);
}

namespace {

class KeptCommands : public CommandSink {
 public:
  std::vector<std::string> commands;
  void send_command(std::string_view text) override { commands.emplace_back(text); }
};

}  // namespace

std::vector<PlannedStep> plan_set_all(AppState& app) {
  const int abort_before = app.link.sequence_abort;
  std::vector<PlannedStep> plan;
  for (int step = 1; step <= set_all_step_count; ++step) {
    KeptCommands sink;
    KeptMessage refusal;
    Operations ops(app, sink, refusal);
    run_set_all_step(ops, step);
    PlannedStep planned{sink.commands.empty() ? std::string() : sink.commands.front(),
                        refusal.text, set_all_steps[step - 1].channel};
    plan.push_back(std::move(planned));
  }
  app.link.sequence_abort = abort_before;  // a refused title raises it
  return plan;
}

TimedSequence set_all_sequence(Operations& ops, SequenceView& view) {
  return TimedSequence(ops.app(), view, set_all_plan, [&ops](int step) { return run_set_all_step(ops, step); });
}

}  // namespace zanteq
