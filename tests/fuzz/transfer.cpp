// Fuzz target: the transfer engine, fed a sequence of reply lines, wake-ups,
// stops and port failures taken from the input, on every plan the program
// and zanteqctl run (read-all, set-all, the title and video adjustment
// 全設定, a scan question, raw lines), in both pacings, on RS-232C, RS-485
// and broadcast. The unit's answers come from the simulator's unit, so runs
// get far; the input also brings echoes, other addresses, error and menu
// replies, other fields' lines and bytes of its own.
//
// Input: a plan byte, a pacing byte (bit 0 replies, bit 1 a minimum period,
// bit 2 RS-485, bits 3-4 how many runs follow one another), an address
// byte (32 broadcast, 33 one that cannot be framed), three bytes of the
// hold time and four of a title (for set-all's and the titles' refusals),
// then events: one byte each, most followed by a byte or a text of their
// own (see `Harness::event`).
//
// Checked besides the sanitizers:
//  - every run ends with exactly one outcome: one call answers `done`, and
//    every call after it answers done with nothing to send and no box, and
//    leaves the outcome as it was; a run woken whenever it asks ends within
//    a bound of wake-ups;
//  - a completed run performed every step;
//  - the engine never asks to be woken at a time already past, but for the
//    one it asked before; a wake-up before that time changes nothing;
//  - every command sent is the framed command of the step the action names,
//    each step once and in order, and the bytes sent are counted;
//  - steps done never exceed the step count, and never go back in a run;
//  - the record changes only through a data line of the unit asked (its
//    address, not the command heard back), and never once the run is done.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/bulk/read_all.h"
#include "core/bulk/set_all.h"
#include "core/bulk/transfer_plans.h"
#include "core/link/codec.h"
#include "core/link/framing.h"
#include "core/link/reply_class.h"
#include "core/link/transfer.h"
#include "core/settings/settings_file.h"
#include "sim/unit_commands.h"
#include "tests/fuzz/fuzz_support.h"

namespace zanteq::fuzz {
namespace {

constexpr int plan_kinds = 7;

TransferPlan make_plan(unsigned kind, AppState& app, Input& input) {
  switch (kind % plan_kinds) {
    case 0: return read_all_transfer_plan();
    case 1: return set_all_transfer_plan(app);
    case 2: return title_transfer_plan(app, false);
    case 3: return title_transfer_plan(app, true);
    case 4: return video_adjust_transfer_plan(app);
    case 5: return scan_transfer_plan();
    default: {
      // Raw lines: up to four, each a few bytes of the input.
      std::vector<std::string> lines;
      for (unsigned n = input.byte() % 5; n > 0; --n) lines.emplace_back(input.take(input.byte() % 12));
      return raw_lines_transfer_plan(lines);
    }
  }
}

std::string address_text(int address) {
  char text[3] = {'F', 'F', '\0'};
  if (address < broadcast_address) format_dec2(address, text);
  return text;
}

class Harness {
 public:
  Harness(TransferPlan plan, TransferPacing pacing, TransferTarget target)
      : transfer_(std::move(plan), pacing), target_(target), unit_(sim::factory_state(0)) {
    steps_ = static_cast<int>(transfer_.plan().steps.size());
  }

  void start(TransferTarget target) {
    if (transfer_.running()) {
      // Ignored while a run goes on.
      const TransferOutcome before = transfer_.outcome();
      const TransferAction a = transfer_.start(now_, target);
      FUZZ_CHECK(a.send.empty() && !a.box, "a start during a run did something");
      FUZZ_CHECK(transfer_.outcome().steps_done == before.steps_done, "a start during a run changed it");
      return;
    }
    target_ = target;
    outcomes_ = 0;
    last_step_sent_ = 0;
    bytes_sent_ = 0;
    steps_done_ = 0;
    last_sent_.clear();
    last_wake_ = now_;
    take(transfer_.start(now_, target));
  }

  // One event of the input; false when the input is used up.
  bool event(Input& input) {
    if (input.rest().empty()) return false;
    const unsigned op = input.byte();
    switch (op % 12) {
      case 0:
      case 1:
      case 2: return line(unit_answer(last_command_, input.byte()));
      case 3: return line(last_sent_, true);  // the command heard back
      case 4: {
        static const char* const words[] = {"GO", "GN", "E0", "E1", "E2", "E3", "MENU"};
        return line(framed_reply(words[input.byte() % 7]));
      }
      case 5: {
        std::string text(input.take(input.byte() % 64));
        if (op & 0x80) text += '\n';
        return line(text);
      }
      case 6: {
        // The answer to another step's command: a late or stray reply.
        if (steps_ == 0) return true;
        const auto& step = transfer_.plan().steps[input.byte() % static_cast<unsigned>(steps_)];
        return line(unit_answer(step.command, 0));
      }
      case 7: return wake(std::max(now_, transfer_.wake_at()));
      case 8: {
        // Early: before the time asked, which changes nothing.
        const TransferTime early = now_ + TransferTime(input.byte() % 50);
        if (transfer_.running() && early < transfer_.wake_at()) {
          now_ = early;
          const TransferAction a = transfer_.wake(now_);
          FUZZ_CHECK(a.send.empty() && !a.box && !a.done && a.wake_at == transfer_.wake_at(),
                     "a wake-up before its time changed something");
          return true;
        }
        return wake(std::max(now_, transfer_.wake_at()));
      }
      case 9: return wake(now_ + TransferTime(input.byte() * 8));
      case 10: take(transfer_.stop(now_)); return true;
      default: {
        const unsigned what = input.byte();
        if (what % 4 == 0) take(transfer_.line_failed(now_, "the port failed"));
        else if (what % 4 == 1) take(transfer_.abort_flag(now_, what & 0x10));
        else if (what % 4 == 2) now_ += TransferTime(what * 40);
        else start(TransferTarget{target_.rs_control, static_cast<int>(what >> 2) % 34});
        return true;
      }
    }
  }

  // Wakes the run whenever it asks until it ends, with the unit silent.
  void finish() {
    const int bound = 3 * steps_ + 5;
    for (int n = 0; n < bound && !transfer_.done(); ++n) wake(std::max(now_, transfer_.wake_at()));
    FUZZ_CHECK(transfer_.done(), "a run woken whenever it asked did not end");
    FUZZ_CHECK(outcomes_ == 1, "a run ended with more or fewer than one outcome");
  }

 private:
  // The framed line a unit at the target's address sends.
  std::string framed_reply(std::string_view text) const {
    std::string out = target_.rs_control ? address_text(target_.address) : std::string();
    return out.append(text).append("\r\n");
  }

  // The simulator's answer to `command`; `how` picks another address or a
  // cut line sometimes.
  std::string unit_answer(const std::string& command, unsigned how) {
    if (command.empty()) return framed_reply("GO");
    std::string answer = sim::handle_command(unit_, command, 0);
    if (answer.size() >= 2) answer.resize(answer.size() - 2);
    std::string line = framed_reply(answer);
    if (how % 8 == 7 && target_.rs_control) line.replace(0, 2, address_text((target_.address + 1) % 32));
    if (how % 8 == 6) line.resize(line.size() / 2);
    return line;
  }

  // By value: taking the action may send the next command, which changes
  // last_sent_, the text of an echo.
  bool line(std::string text, bool echo = false) {
    const RecordFields before = record_fields(record_);
    const bool was_done = transfer_.done();
    const std::string sent = last_sent_;
    take(transfer_.line(now_, text, record_));
    if (record_fields(record_) == before) return true;
    FUZZ_CHECK(!was_done, "a line changed the record after the run was done");
    FUZZ_CHECK(!echo, "the command heard back changed the record");
    ReplyContext context;
    context.rs_control = target_.rs_control;
    context.address = target_.address;
    context.sent = sent;
    const ClassifiedReply reply = classify_reply(text, context);
    FUZZ_CHECK(reply.kind == ReplyClass::data || reply.kind == ReplyClass::other_data,
               "the record changed by a line that is not a data line of the unit asked");
    FUZZ_CHECK(!text.empty() && text.back() == '\n', "the record changed by a text without its line end");
    return true;
  }

  bool wake(TransferTime at) {
    now_ = at;
    take(transfer_.wake(now_));
    return true;
  }

  void take(const TransferAction& a) {
    if (!a.send.empty()) {
      FUZZ_CHECK(outcomes_ == 0, "a command was sent after the run was done");
      FUZZ_CHECK(a.step > last_step_sent_ && a.step <= steps_, "a command sent out of order or twice");
      const TransferStep& step = transfer_.plan().steps[static_cast<std::size_t>(a.step - 1)];
      FUZZ_CHECK(a.send == frame_command(target_.rs_control, target_.address, step.command),
                 "a command sent is not the framed command of its step");
      last_step_sent_ = a.step;
      last_sent_ = a.send;
      last_command_ = step.command;
      bytes_sent_ += a.send.size();
    }
    const TransferOutcome& o = transfer_.outcome();
    FUZZ_CHECK(o.steps_done >= 0 && o.steps_done <= o.step_count && o.step_count == steps_,
               "steps done beyond the step count");
    FUZZ_CHECK(o.steps_done >= steps_done_, "steps done went back");
    FUZZ_CHECK(transfer_.step() <= steps_, "the step beyond the step count");
    FUZZ_CHECK(a.done == transfer_.done(), "an action's done differs from the engine's");
    if (outcomes_ > 0) {
      FUZZ_CHECK(a.done && a.send.empty() && !a.box, "a call after the end did something");
      FUZZ_CHECK(o.end == end_.end && o.steps_done == end_.steps_done && o.end_step == end_.end_step &&
                     o.message == end_.message,
                 "a call after the end changed the outcome");
      return;
    }
    steps_done_ = o.steps_done;
    if (a.done) {
      ++outcomes_;
      end_ = o;
      FUZZ_CHECK(o.bytes_sent == bytes_sent_, "the bytes sent are not counted as sent");
      if (o.end == TransferEnd::completed)
        FUZZ_CHECK(o.steps_done == o.step_count, "a completed run did not perform every step");
      return;
    }
    FUZZ_CHECK(a.wake_at >= std::min(now_, last_wake_), "the engine asked to be woken in the past");
    last_wake_ = a.wake_at;
  }

  Transfer transfer_;
  TransferTarget target_;
  sim::UnitState unit_;
  DeviceSettings record_;
  int steps_ = 0;
  TransferTime now_{0};
  TransferTime last_wake_{0};
  int outcomes_ = 0;
  TransferOutcome end_;
  int last_step_sent_ = 0;
  int steps_done_ = 0;
  std::size_t bytes_sent_ = 0;
  std::string last_sent_;     // framed, as written
  std::string last_command_;  // the step's command, without the address
};

}  // namespace
}  // namespace zanteq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zanteq;
  using namespace zanteq::fuzz;
  Input input(data, size);
  const unsigned plan_kind = input.byte();
  const unsigned flags = input.byte();
  const unsigned address_byte = input.byte();
  const std::string hold_time(input.take(3));
  const std::string title(input.take(4));

  auto app = std::make_unique<AppState>();
  reset_settings(*app);
  if (!hold_time.empty()) app->record.alarm_hold_time.set(hold_time);
  if (!title.empty()) app->record.title[title[0] & 3].set(title.substr(1));
  TransferPlan plan = make_plan(plan_kind, *app, input);

  TransferPacing pacing;
  pacing.pacing = flags & 1 ? Pacing::replies : Pacing::timer;
  pacing.min_period_ms = flags & 2 ? plan.timer_period_ms : 0;
  TransferTarget target;
  target.rs_control = flags & 4 ? 1 : 0;
  target.address = address_byte % 34 == 33 ? 99 : static_cast<int>(address_byte % 34);

  auto harness = std::make_unique<Harness>(std::move(plan), pacing, target);
  const unsigned runs = 1 + (flags >> 3 & 3);
  for (unsigned run = 0; run < runs; ++run) {
    harness->start(target);
    while (harness->event(input)) {
    }
    harness->finish();
    target.address = (target.address + 1) % 33;  // the next unit of a list
  }
  return 0;
}
