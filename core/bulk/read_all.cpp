// The read-all step table and its sequence.
#include "core/bulk/read_all.h"

#include "core/dialogs/command_fields.h"

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
struct ChannelRead {
  const char* templ;
  std::size_t pos;
};
const ChannelRead channel_reads[] = {
    {"RCJ01\r\n", 3},   {"RVAB01\r\n", 4},  {"RVAC01\r\n", 4},
    {"RVAH01\r\n", 4},  {"RVASH01\r\n", 5}, {"RVASA01\r\n", 5},
};
constexpr int channel_read_steps = 24;

// Steps 25..51, in the order the unit is asked.
const char* const single_reads[] = {
    "RAD\r\n",    "RADT\r\n",   "RAM\r\n",    "RAP\r\n",    "RAR\r\n",    "RVL\r\n",
    "RVLBC\r\n",  "RVLSO\r\n",  "RVLD\r\n",   "RTSD\r\n",   "RTSDR\r\n",  "RCTDS\r\n",
    "RCTDD\r\n",  "RCASTM\r\n", "RDSS\r\n",   "RBL\r\n",    "RCI\r\n",    "RPOS\r\n",
    "RCTFSD\r\n", "RCTFSS\r\n", "ROOH\r\n",   "ROOV\r\n",   "RVF\r\n",    "RSPD2\r\n",
    "RNAR\r\n",   "RAGC\r\n",   "RVN\r\n",
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
  return single_reads[step - channel_read_steps - 1];
}

bool answers_read(std::string_view command, std::string_view reply_text) {
  while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) command.remove_suffix(1);
  if (command.size() < 2 || command[0] != 'R') return false;
  const std::string_view name = command.substr(1);
  return reply_text.substr(0, name.size()) == name;
}

TimedSequence read_all_sequence(AppState& app, CommandSink& sink, SequenceView& view) {
  return TimedSequence(app, view, read_all_plan, [&sink](int step) {
    sink.send_command(read_all_command(step));
    return StepOutcome::go_on;
  });
}

}  // namespace zanteq
