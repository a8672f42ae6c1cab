// The set-all step table, its plan for the transfer engine and its
// sequence.
#include "core/bulk/set_all.h"

#include "core/bulk/transfer_plans.h"
#include "core/dialogs/title.h"
#include "core/settings/settings_file.h"

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
    {title, 0, "title"},
    {title, 1, "title"},
    {title, 2, "title"},
    {title, 3, "title"},
    {of_channel<&Operations::send_brightness>, 0, "brightness"},
    {of_channel<&Operations::send_brightness>, 1, "brightness"},
    {of_channel<&Operations::send_brightness>, 2, "brightness"},
    {of_channel<&Operations::send_brightness>, 3, "brightness"},
    {of_channel<&Operations::send_contrast>, 0, "contrast"},
    {of_channel<&Operations::send_contrast>, 1, "contrast"},
    {of_channel<&Operations::send_contrast>, 2, "contrast"},
    {of_channel<&Operations::send_contrast>, 3, "contrast"},
    // Sharpness before hue, unlike the read order.
    {of_channel<&Operations::send_sharpness>, 0, "sharpness"},
    {of_channel<&Operations::send_sharpness>, 1, "sharpness"},
    {of_channel<&Operations::send_sharpness>, 2, "sharpness"},
    {of_channel<&Operations::send_sharpness>, 3, "sharpness"},
    {of_channel<&Operations::send_hue>, 0, "hue"},
    {of_channel<&Operations::send_hue>, 1, "hue"},
    {of_channel<&Operations::send_hue>, 2, "hue"},
    {of_channel<&Operations::send_hue>, 3, "hue"},
    {of_channel<&Operations::send_saturation>, 0, "saturation"},
    {of_channel<&Operations::send_saturation>, 1, "saturation"},
    {of_channel<&Operations::send_saturation>, 2, "saturation"},
    {of_channel<&Operations::send_saturation>, 3, "saturation"},
    {whole<&Operations::send_alarm_display>, -1, "alarm_display"},
    {hold_time, -1, "alarm_hold_time"},
    {whole<&Operations::send_alarm_mode>, -1, "alarm_mode"},
    {whole<&Operations::send_alarm_polarity>, -1, "alarm_polarity"},
    {whole<&Operations::send_alarm_return>, -1, "alarm_return"},
    {whole<&Operations::send_video_loss_all>, -1, "video_loss_detect"},
    {whole<&Operations::send_video_loss_background>, -1, "video_loss_background"},
    {whole<&Operations::send_video_loss_signal_output>, -1, "video_loss_signal_output"},
    {whole<&Operations::send_video_loss_display>, -1, "video_loss_display"},
    {whole<&Operations::send_clock_display>, -1, "clock_display"},
    {whole<&Operations::send_clock_display_range>, -1, "clock_display_range"},
    {whole<&Operations::send_title_display_single>, -1, "title_display_single"},
    {whole<&Operations::send_title_display_split>, -1, "title_display_split"},
    {whole<&Operations::send_auto_switch>, -1, "auto_switch_dwell"},
    {whole<&Operations::send_split_mode>, -1, "split_mode"},
    {whole<&Operations::send_border_line>, -1, "border_line"},
    {whole<&Operations::send_connector_input>, -1, "connector_input"},
    {whole<&Operations::send_power_on_screen>, -1, "power_on_screen"},
    {whole<&Operations::send_osd_size_split>, -1, "osd_size_split"},
    {whole<&Operations::send_osd_size_single>, -1, "osd_size_single"},
    {whole<&Operations::send_osd_offset_h>, -1, "osd_offset_h"},
    {whole<&Operations::send_osd_offset_v>, -1, "osd_offset_v"},
    {whole<&Operations::send_video_format_all>, -1, "video_format"},
    {whole<&Operations::send_split2_channels>, -1, "split2_channels"},  // no same-channel check here
    {whole<&Operations::send_ntsc_aspect>, -1, "ntsc_aspect"},
    {whole<&Operations::send_agc_all>, -1, "agc"},
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

class KeptBox : public Reporter {
 public:
  std::optional<TransferBox> box;
  void show_success_box(const char* text) override { keep(TransferBox::success, text); }
  void show_error_box(const char* text) override { keep(TransferBox::error, text); }
  void show_warning_box(const char* text) override { keep(TransferBox::warning, text); }

 private:
  void keep(TransferBox::Kind kind, const char* text) {
    if (!box) box = TransferBox{kind, text};
  }
};

}  // namespace

TransferStep plan_operation(AppState& app, const std::function<StepOutcome(Operations&)>& run) {
  KeptCommands sink;
  KeptBox box;
  Operations ops(app, sink, box);
  const StepOutcome outcome = run(ops);

  TransferStep step;
  if (!sink.commands.empty()) {
    step.command = sink.commands.front();
  } else {
    step.refusal = box.box.value_or(TransferBox{TransferBox::error, "not sent"});
    step.refusal_ends_run = outcome == StepOutcome::stop_run;
  }
  return step;
}

TransferPlan set_all_transfer_plan(AppState& app) {
  TransferPlan plan;
  plan.timer_period_ms = set_all_plan.period_ms;
  for (int step = 1; step <= set_all_step_count; ++step) {
    const SetAllStep& table = set_all_steps[step - 1];
    TransferStep s = plan_operation(app, [step](Operations& ops) { return run_set_all_step(ops, step); });
    s.awaits = Awaits::accepted;
    SettingsFileLines lines = settings_file_field_lines(table.field);
    if (table.channel >= 0) lines = {lines.first + table.channel, 1};
    s.file_line = lines.first;
    s.file_line_count = lines.count;
    plan.steps.push_back(std::move(s));
  }
  return plan;
}

TimedSequence set_all_sequence(Operations& ops, SequenceView& view) {
  return TimedSequence(ops.app(), ops.sink(), &ops.reporter(), view, set_all_plan,
                       [&ops] { return set_all_transfer_plan(ops.app()); });
}

}  // namespace zanteq
