// Fuzz target: the simulator's command parser (the unit's side of the
// protocol) and its control language, as the server runs them: lines from
// the wire through the bus, its units' fault rules and the paced output
// queue, control lines applied to the units they name.
//
// Input: a flags byte (bit 0 RS-485, bits 1-3 units 00, 07 and 31 on the
// bus, bit 4 paced output), then lines: one starting with '!' is a control
// line, any other one is received from the wire.
//
// Checked besides the sanitizers, on one more unit that takes every
// received line (without its address) directly:
//  - a refused command (E3) and a read leave the unit as it was;
//  - a read is answered by the data line of what it asked (as the
//    transfer engine classifies it for that step of read-all) that the
//    program's decoders know;
//  - the unit's state written as set commands, applied to a factory unit,
//    gives the same state;
//  - the unit read by the program's read-all (line assembly, dispatch and
//    decoders into a record) and that record sent by set-all to a factory
//    unit: every command is taken, and the second unit reads the same;
// and on the bus:
//  - what the output queue lets out, in pieces and paced, is the answer
//    byte for byte;
//  - a refused control line says why;
//  - the wire log's escapes read back as the bytes.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/bulk/read_all.h"
#include "core/bulk/set_all.h"
#include "core/bulk/transfer_plans.h"
#include "core/link/reply_class.h"
#include "core/link/dispatch.h"
#include "core/link/line_assembler.h"
#include "core/settings/decoders.h"
#include "sim/bus.h"
#include "sim/faults.h"
#include "sim/unit_commands.h"
#include "tests/fuzz/fuzz_support.h"

namespace zanteq::sim {
namespace {

// The probe's clock stands still, so its state as commands changes only
// with a command it takes; `state` holds them.
constexpr std::int64_t probe_ms = 0;

// Whether `reply` answers the read `command`: for a read of read-all, the
// data line its step asks for; for any other read, a line that begins
// with the read's name.
bool answers_read(std::string_view command, std::string_view reply) {
  while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) command.remove_suffix(1);
  if (command.size() < 2 || command[0] != 'R') return false;
  static const TransferPlan reads = read_all_transfer_plan();
  for (const TransferStep& s : reads.steps) {
    if (std::string_view(s.command).substr(0, s.command.size() - 2) != command) continue;
    ReplyContext context;
    context.asked = s.asked;
    return classify_reply(reply, context).kind == ReplyClass::data;
  }
  return reply.substr(0, command.size() - 1) == command.substr(1);
}

void check_probe(UnitState& probe, std::vector<std::string>& state, std::string_view command) {
  const std::string reply = handle_command(probe, command, probe_ms);
  if (reply == reply_go) {
    state = state_commands(probe, probe_ms);
    return;
  }
  FUZZ_CHECK(state_commands(probe, probe_ms) == state, "a refused command or a read changed the unit");
  if (reply == reply_command_error) return;
  FUZZ_CHECK(reply.size() > 2 && reply.compare(reply.size() - 2, 2, "\r\n") == 0, "a data line without CR LF");
  FUZZ_CHECK(answers_read(command, reply), "a read answered by another setting's line");
  FUZZ_CHECK(find_reply_prefix(reply) != nullptr, "a read answered by a line the program cannot decode");
}

void check_state_round_trip(const UnitState& probe, std::int64_t now_ms) {
  const std::vector<std::string> commands = state_commands(probe, now_ms);
  UnitState fresh = factory_state(now_ms);
  for (const std::string& c : commands)
    FUZZ_CHECK(handle_command(fresh, c + "\r\n", now_ms) == reply_go, "the unit refuses its own state");
  FUZZ_CHECK(state_commands(fresh, now_ms) == commands, "the unit's state as commands gives another state");
}

std::vector<std::string> read_all_answers(UnitState& unit) {
  std::vector<std::string> answers;
  for (int step = 1; step <= read_all_step_count; ++step)
    answers.push_back(handle_command(unit, read_all_command(step), probe_ms));
  return answers;
}

void check_read_all_set_all(UnitState& unit) {
  const std::vector<std::string> answers = read_all_answers(unit);
  auto app = std::make_unique<AppState>();
  reset_settings(*app);
  LineAssembler assembler;
  KeptMessage reporter;
  for (const std::string& answer : answers)
    assembler.feed(answer.data(), answer.size(),
                   [&](std::string_view line) { dispatch_reply(app->link, app->record, reporter, line); });
  UnitState copy = factory_state(probe_ms);
  for (const TransferStep& step : set_all_transfer_plan(*app).steps) {
    FUZZ_CHECK(!step.refusal, "set-all refuses what read-all read from a unit");
    FUZZ_CHECK(handle_command(copy, step.command, probe_ms) == reply_go, "a unit refuses what read-all read from another");
  }
  FUZZ_CHECK(read_all_answers(copy) == answers, "a unit read and written to another reads otherwise");
}

// Lets the queue out on a clock that jumps to each due time; what comes
// out must be what went in.
std::string drain(OutputQueue& queue, std::int64_t& now_ns, bool paced) {
  std::string out;
  while (const auto due = queue.next_due(paced)) {
    now_ns = std::max(now_ns, *due);
    const OutputQueue::Chunk chunk = queue.take(now_ns, paced);
    FUZZ_CHECK(!chunk.bytes.empty(), "the output queue lets nothing out when due");
    if (chunk.new_piece) queue.announced();
    out += chunk.bytes;
    queue.written(chunk.bytes.size(), now_ns, paced);
  }
  return out;
}

void control(Bus& bus, std::string_view line, bool& paced, std::int64_t now_ms) {
  ControlCommand c;
  std::string error;
  if (!parse_control(line, c, error)) {
    FUZZ_CHECK(!error.empty(), "a control line refused without a reason");
    return;
  }
  if (c.kind == ControlCommand::fault) {
    const FaultRule& r = c.rule;
    FUZZ_CHECK(r.kind != FaultKind::raw || !r.reply.empty(), "a raw fault without bytes");
    for (std::size_t i = 0; i < r.cuts.size(); ++i)
      FUZZ_CHECK(r.cuts[i] >= 1 && (i == 0 || r.cuts[i] > r.cuts[i - 1]), "split positions not ascending");
  }
  const std::vector<Unit*> units = bus.select(c.unit);
  switch (c.kind) {
    case ControlCommand::fault:
      for (Unit* u : units) u->faults.add(c.rule);
      break;
    case ControlCommand::clear:
      for (Unit* u : units) u->faults.clear();
      break;
    case ControlCommand::set: apply_to_units(units, c.text + "\r\n", now_ms); break;
    case ControlCommand::restart:
      for (Unit* u : units) restart_unit(u->state);
      break;
    case ControlCommand::pace: paced = c.on; break;
    default: break;  // dump, mark, quit: files and the log, not the units
  }
}

}  // namespace
}  // namespace zanteq::sim

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zanteq::sim;
  zanteq::fuzz::Input input(data, size);
  const unsigned flags = input.byte();
  const bool rs485 = flags & 1;
  std::vector<int> addresses;
  for (int bit = 0; bit < 3; ++bit)
    if (flags & (2u << bit)) addresses.push_back(bit == 0 ? 0 : bit == 1 ? 7 : 31);
  bool paced = flags & 16;

  Bus bus(rs485, addresses);
  UnitState probe = factory_state(probe_ms);
  std::vector<std::string> probe_state = state_commands(probe, probe_ms);
  OutputQueue queue;
  std::int64_t now_ms = 0, now_ns = 0;
  std::string_view rest = input.rest();
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('\n'), rest.size() - 1);
    const std::string_view line = rest.substr(0, end + 1);
    rest.remove_prefix(end + 1);
    now_ms += 1000;
    now_ns = std::max(now_ns, now_ms * 1000000);

    std::string unescaped;
    FUZZ_CHECK(unescape_bytes(escape_bytes(line), unescaped) && unescaped == line, "escaped bytes read back otherwise");

    if (line[0] == '!') {
      control(bus, line.substr(1), paced, now_ms);
      continue;
    }
    if (!rs485 || line.size() >= 2) check_probe(probe, probe_state, rs485 ? line.substr(2) : line);
    const Answer a = bus.on_line(line, now_ms);
    queue.push(a.bytes, a.delivery, now_ns);
    FUZZ_CHECK(drain(queue, now_ns, paced) == a.bytes, "the output queue changed an answer");
  }
  check_state_round_trip(probe, probe_ms);
  check_read_all_set_all(probe);
  return 0;
}
