// The read-all step table, its plan for the transfer engine and its
// sequence.
#include "core/bulk/read_all.h"

#include "core/bulk/transfer_plans.h"
#include "core/dialogs/command_fields.h"
#include "core/link/codec.h"
#include "core/settings/settings_file.h"

namespace zanteq {

const SequencePlan read_all_plan = {
    /*period_ms=*/400,
    /*step_count=*/read_all_step_count,
    /*cleared_percentage=*/"   ",
    /*ends_dialog=*/true,
    /*serves_panel_repaint=*/false,
    /*ends_on_abort_after_step=*/false,
    /*finish_clears_abort=*/false,
};

namespace {

// Steps 1..24: four channels each, the channel as two digits at `pos`.
// `reply` is how the answer begins (before its channel) and `field` the
// settings-file field it fills.
struct ChannelRead {
  const char* templ;
  std::size_t pos;
  const char* reply;
  const char* field;
};
const ChannelRead channel_reads[] = {
    {"RCJ01\r\n", 3, "CJ", "title"},          {"RVAB01\r\n", 4, "VAB", "brightness"},
    {"RVAC01\r\n", 4, "VAC", "contrast"},     {"RVAH01\r\n", 4, "VAH", "hue"},
    {"RVASH01\r\n", 5, "VASH", "sharpness"},  {"RVASA01\r\n", 5, "VASA", "saturation"},
};
constexpr int channel_read_steps = 24;

// Steps 25..51, in the order the unit is asked. An answer's name is not
// always the read's without its R ("RAD" gives "ADON"), and some names
// begin others ("VL", "VLBC"), so each read says how its answer begins.
struct SingleRead {
  const char* command;
  const char* reply;
  const char* field;  // empty: the version, kept nowhere
};
const SingleRead single_reads[] = {
    {"RAD\r\n", "ADO", "alarm_display"},
    {"RADT\r\n", "ADT", "alarm_hold_time"},
    {"RAM\r\n", "AM", "alarm_mode"},
    {"RAP\r\n", "AP", "alarm_polarity"},
    {"RAR\r\n", "ARO", "alarm_return"},
    {"RVL\r\n", "VL", "video_loss_detect"},
    {"RVLBC\r\n", "VLBC", "video_loss_background"},
    {"RVLSO\r\n", "VLSOO", "video_loss_signal_output"},
    {"RVLD\r\n", "VLDO", "video_loss_display"},
    {"RTSD\r\n", "TSDO", "clock_display"},
    {"RTSDR\r\n", "TSDR", "clock_display_range"},
    {"RCTDS\r\n", "CTDS", "title_display_single"},
    {"RCTDD\r\n", "CTDD", "title_display_split"},
    {"RCASTM\r\n", "CASTM", "auto_switch_dwell"},
    {"RDSS\r\n", "DSS", "split_mode"},
    {"RBL\r\n", "BL", "border_line"},
    {"RCI\r\n", "CI", "connector_input"},
    {"RPOS\r\n", "POS", "power_on_screen"},
    {"RCTFSD\r\n", "CTFSD", "osd_size_split"},
    {"RCTFSS\r\n", "CTFSS", "osd_size_single"},
    {"ROOH\r\n", "OOH", "osd_offset_h"},
    {"ROOV\r\n", "OOV", "osd_offset_v"},
    {"RVF\r\n", "VF", "video_format"},
    {"RSPD2\r\n", "SPD2", "split2_channels"},
    {"RNAR\r\n", "NAR", "ntsc_aspect"},
    {"RAGC\r\n", "AGC", "agc"},
    {"RVN\r\n", "VN", ""},
};
static_assert(channel_read_steps + sizeof(single_reads) / sizeof(single_reads[0]) ==
                  read_all_step_count,
              "every read step has one command");

}  // namespace

std::string read_all_command(int step) {
  if (step < 1 || step > read_all_step_count) return {};
  if (step <= channel_read_steps) {
    const ChannelRead& read = channel_reads[(step - 1) / channel_count];
    std::string line = read.templ;
    put_dec2(line, read.pos, (step - 1) % channel_count + 1);
    return line;
  }
  return single_reads[step - channel_read_steps - 1].command;
}

TransferPlan read_all_transfer_plan() {
  TransferPlan plan;
  plan.timer_period_ms = read_all_plan.period_ms;
  for (int step = 1; step <= read_all_step_count; ++step) {
    TransferStep s;
    s.command = read_all_command(step);
    s.awaits = Awaits::data_line;
    SettingsFileLines lines;
    if (step <= channel_read_steps) {
      const ChannelRead& read = channel_reads[(step - 1) / channel_count];
      const int channel = (step - 1) % channel_count;
      char digits[2];
      format_dec2(channel + 1, digits);
      s.asked = std::string(read.reply) + std::string(digits, 2);
      lines = settings_file_field_lines(read.field);
      lines = {lines.first + channel, 1};
    } else {
      const SingleRead& read = single_reads[step - channel_read_steps - 1];
      s.asked = read.reply;
      lines = settings_file_field_lines(read.field);
    }
    s.file_line = lines.first;
    s.file_line_count = lines.count;
    plan.steps.push_back(std::move(s));
  }
  return plan;
}

TimedSequence read_all_sequence(AppState& app, CommandSink& sink, SequenceView& view) {
  return TimedSequence(app, sink, nullptr, view, read_all_plan, [] { return read_all_transfer_plan(); });
}

}  // namespace zanteq
