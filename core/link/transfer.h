// The transfer engine: one run of commands to one unit (read-all, set-all,
// the title and video adjustment 全設定, a scan question, raw lines), as a
// state machine that does no I/O. It knows no port, thread, timer or window
// and never calls its caller: it is fed the start, each complete reply line,
// wake-ups and a stop, each with the time, and every call answers what to do
// next (a framed command to write, a box due now, when to wake it, or done).
// The same engine thus serves a blocking loop, an event-driven window and a
// test with a fake clock.
//
// Two pacings:
//  - timer: one step per period whatever the replies, as the program's
//    dialogs have always run (read-all 400 ms, set-all 500 ms, titles 200 ms,
//    video adjustment 100 ms). The first command goes one period after the
//    start; the run carries on through silence and is done on the wake-up
//    of its last command. An error or menu reply raises the abort flag and
//    any later reply line clears it again; a wake-up that finds it raised
//    ends the run. A broadcast always runs so, since nothing answers it.
//  - replies: the next command as soon as the previous one's reply is in,
//    no sooner than `min_period_ms` after it. A command unanswered within the
//    plan's time-out ends the run as silent; an error or menu reply ends it
//    (but for raw lines, each of which stands alone). The echo of the
//    command just sent is skipped, and so is a line from another address,
//    which never reaches the record.
//
// Contract of line(): one complete line, as LineAssembler cuts it (ending
// in LF, CR LF kept). The engine takes the whole text as one line, so
// pieces must be joined first: a text that does not end in LF is not taken
// as a reply (it would let the first piece of "05GO" pass for the whole
// answer) and is only counted. Dropping bytes left over from before a
// command (LineAssembler::command_sent) is the caller's, as is the port.
//
// A refused step (a hold time below 3 s, a title without JIS form) sends
// nothing: its action carries the refusal's box and asks to be woken at
// once. The run holds until that wake-up, so a caller that shows the box
// wakes the engine when it is closed; a caller that shows none wakes it
// right away.
//
// How callers drive it (each keeps one Transfer per run; `now` comes from a
// steady clock in milliseconds):
//
// (a) A blocking loop (zanteqctl read, write, diff, scan, send): that loop
//     is TransferLoop (core/link/transfer_loop.h), in short:
//       Transfer t(plan, {Pacing::replies, fixed ? plan.timer_period_ms : 0});
//       TransferAction a;
//       auto act = [&](TransferAction next) {  // carry out each answer at once
//         a = std::move(next);
//         if (!a.send.empty()) { read what waits (no answer to it); assembler.command_sent(); write a.send; }
//       };
//       act(t.start(now(), {rs_control, address}));
//       while (!a.done) {
//         if (ctrl_c && !stopping) { stopping = true; act(t.stop(now())); continue; }
//         read with the time-out a.wake_at - now() (0 when past):
//           bytes:   cut lines; each goes to act(t.line(now(), line, record))
//                    until one of them sends (the rest came before that command);
//           failure: act(t.line_failed(now(), port.error()));
//         and when now() >= a.wake_at, bytes or not: act(t.wake(now()));
//       }
//     then report t.outcome(): steps done of the step count, where and why
//     it ended (describe_transfer_end), the unexpected replies, the lines of
//     other addresses; the loop counts the bytes each way. Progress: t.step()
//     or outcome().steps_done after each call. A refused value names
//     t.plan().steps[i].file_line. A scan is one run per address through
//     BusScan (core/bulk/bus_scan.h); send runs raw_lines_transfer_plan()
//     and prints each step's reply from outcome().steps.
//
// (b) An event-driven window (a dialog in replies pacing): the receiving
//     thread cuts lines and posts each to the dialog as soon as its LF is
//     in; the dialog handles a posted line with t.line(now, line, record),
//     its one-shot timer with t.wake(now), its Close with t.stop(now), and
//     after each call writes a.send, shows a.box (error reply, refusal,
//     "No Connect", "Success") and re-arms the one-shot timer for a.wake_at.
//     While a refusal box is open it calls nothing, then wakes the engine.
//     Timer pacing can keep today's arrangement instead, as TimedSequence
//     does: the receiving thread's dispatch_reply takes the lines and shows
//     their boxes, the dialog's periodic timer is the clock, and the abort
//     flag that dispatch keeps reaches the engine through abort_flag().
//
// (c) A unit list working 32 units one after another: one Transfer per
//     unit, or the same one started again for the next unit with
//     start(now, {1, address}) once the last one is done; each unit's lines
//     go to line() with that unit's own record, and its outcome() is kept
//     for its row before the next start. Lines of the unit before (a late
//     reply) carry another address and are skipped, not decoded.
//
// Threads: a Transfer belongs to the one thread that drives it.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/link/reply_class.h"
#include "core/settings/record.h"

namespace zanteq {

// A moment as milliseconds since any fixed point of the caller's clock.
using TransferTime = std::chrono::milliseconds;

enum class Pacing {
  timer,    // one step per period, whatever the replies
  replies,  // the next step once the previous reply is in
};

// What a step's reply must be for the step to count as done as intended.
enum class Awaits {
  accepted,   // a set command: "GO"
  data_line,  // a read: the data line of the field asked
  any_line,   // a raw line: whatever comes back is its answer
};

struct TransferBox {
  enum Kind { success, error, warning };
  Kind kind = error;
  std::string text;  // UTF-8
};

struct TransferStep {
  std::string command;  // ending in "\r\n", without the RS-485 address
  Awaits awaits = Awaits::accepted;
  std::string asked;    // data_line: how the answer begins ("VAB01", "ADO")
  // The settings-file lines of the step's field (the first one, 1..72, and
  // how many); 0 and 0 for a step that touches none (RVN, a raw line).
  int file_line = 0;
  int file_line_count = 0;
  // A step refused before sending: its box, and whether the run ends there
  // (a title without JIS form) or goes on (a hold time below 3 s).
  std::optional<TransferBox> refusal;
  bool refusal_ends_run = false;
};

struct TransferPlan {
  std::vector<TransferStep> steps;
  int timer_period_ms = 500;  // timer pacing, and the pace of a broadcast
  int timeout_ms = 1000;      // replies pacing: how long a command is waited for
  // Timer pacing: a run that must end (an abort, a refusal that ends it)
  // ends at once rather than at the next period (title and video
  // adjustment 全設定, whose dialogs stay open).
  bool ends_in_its_step = false;
  // Each step stands alone (raw lines): an error reply or silence is that
  // step's answer and the next step goes on.
  bool independent_steps = false;
};

struct TransferTarget {
  int rs_control = 0;  // 0: RS-232C
  int address = 0;     // RS-485: 0..31, or 32 for broadcast ("FF")
  bool broadcast() const { return rs_control != 0 && address >= 32; }
};

struct TransferPacing {
  Pacing pacing = Pacing::replies;
  int min_period_ms = 0;  // replies pacing: at least this from one command to the next
};

// How a run ended.
enum class TransferEnd {
  completed,    // every step performed (replies pacing: and answered)
  unit_error,   // an error or menu reply
  silent,       // replies pacing: a command unanswered within the time-out
  refused,      // a refused step that ends the run
  not_sent,     // a command that cannot be framed (too long, bad address)
  stopped,      // stop(): after the command on the wire was finished
  line_failed,  // the caller's port failed (line_failed())
};

// Per step, what came back.
struct StepReport {
  enum State {
    not_reached,
    refused,     // refused before sending, its box shown
    sent,        // sent; timer pacing and broadcast await nothing
    answered,    // a reply came (its class below)
    unanswered,  // replies pacing: nothing within the time-out
  };
  State state = not_reached;
  ReplyClass reply_class = ReplyClass::unmatched;
  std::string reply;  // as received, line end removed, address kept
  bool as_expected = false;
};

struct TransferOutcome {
  TransferEnd end = TransferEnd::completed;
  int step_count = 0;
  int steps_done = 0;
  // Where a run that did not complete ended: the step (1..), its command
  // and its reply (printable, without CR LF), and the box text, the
  // refusal or the port's error. Step 0 when it ended between steps.
  int end_step = 0;
  std::string command;
  std::string reply;       // as received, address kept ("05E3")
  std::string reply_text;  // without the address ("E3")
  std::string message;
  // Replies not as their step must have them, "step 12 VAC03064: GN",
  // and lines from other addresses, skipped: "step 3 RVAB03: 07VAB03100".
  std::vector<std::string> unexpected;
  std::vector<std::string> foreign;
  int echoes = 0;         // the commands heard back, skipped
  int partial_lines = 0;  // texts fed without a line end, not taken
  std::size_t bytes_sent = 0;
  std::size_t bytes_received = 0;  // of every line fed
  std::vector<StepReport> steps;
};

// What to do after a call. Several parts may be set at once; do them in
// this order: write `send`, show `box`, then (unless `done`) wait for a
// line or until `wake_at`. Carry out each answer before the next call: a
// later answer does not repeat an earlier one's command.
struct TransferAction {
  std::string send;  // framed bytes to write now
  // The step this call sent or refused, else the one whose reply it took
  // (1..; 0 when none).
  int step = 0;
  // A box due now: the refusal of `step`, an error or menu reply,
  // "No Connect", or "Success" at the end of a run that brings one.
  std::optional<TransferBox> box;
  bool done = false;  // the run is over: see outcome()
  TransferTime wake_at{0};
};

class Transfer {
 public:
  Transfer(TransferPlan plan, TransferPacing pacing);

  // Starts the run to `target`, or starts it again once done (the next
  // unit); ignored while a run goes on.
  TransferAction start(TransferTime now, TransferTarget target);
  // One complete reply line; a data line for this run goes into `record`.
  TransferAction line(TransferTime now, std::string_view line, DeviceSettings& record);
  // The time asked for has come, or a refusal's box was closed. A wake-up
  // before its time changes nothing.
  TransferAction wake(TransferTime now);
  // Replies pacing: a command on the wire is finished first (its reply or
  // the time-out); the run then ends as stopped. Otherwise at once.
  TransferAction stop(TransferTime now);
  // Timer pacing, for a caller whose lines go through dispatch_reply
  // elsewhere: the abort flag as that dispatch left it.
  TransferAction abort_flag(TransferTime now, bool raised);
  // The caller's port failed: the run ends at once.
  TransferAction line_failed(TransferTime now, std::string_view why);

  bool running() const { return phase_ == Phase::running; }
  bool done() const { return phase_ == Phase::done; }
  // The last step sent or refused, 1..; 0 before the first.
  int step() const { return current_; }
  // The time the engine last asked to be woken at.
  TransferTime wake_at() const { return wake_at_; }
  Pacing pacing() const { return pacing_; }  // as run: a broadcast is on timer
  const TransferPlan& plan() const { return plan_; }
  const TransferOutcome& outcome() const { return outcome_; }

 private:
  enum class Phase { idle, running, done };

  TransferAction waiting() const;
  TransferAction perform_next(TransferTime now);
  TransferAction after_step(TransferTime now);
  TransferAction end(TransferEnd how, int at_step, std::string_view reply, std::string message);
  TransferAction timer_line(const ClassifiedReply& reply, std::string_view line, DeviceSettings& record);
  TransferAction replies_line(TransferTime now, const ClassifiedReply& reply, std::string_view line,
                              DeviceSettings& record);
  TransferAction timed_out(TransferTime now);
  std::string refusal_text(int step) const;
  void note(std::vector<std::string>& list, int step, std::string_view text);

  const TransferPlan plan_;
  const TransferPacing settings_;
  Pacing pacing_ = Pacing::timer;
  TransferTarget target_;
  Phase phase_ = Phase::idle;
  TransferOutcome outcome_;

  std::size_t next_ = 0;     // index of the next step
  int current_ = 0;          // the last step sent or refused
  std::string sent_;         // the last command's framed bytes, to know its echo
  TransferTime wake_at_{0};
  TransferTime due_{0};      // when the next step may go
  TransferTime last_send_{0};
  bool awaiting_ = false;    // replies: a command waits for its reply
  TransferTime deadline_{0};
  bool holding_ = false;     // a refusal's box is open
  bool abort_ = false;       // timer: the last reply line was an error or menu reply
  int abort_step_ = 0;
  std::string abort_reply_;
  std::string abort_message_;
  bool must_end_ = false;    // a refusal that ends the run was met
  int must_end_step_ = 0;
  bool stop_asked_ = false;
  int last_success_step_ = 0;  // the last step answered by "GO" or the version line
};

// For a person, how a run that did not complete ended: "no reply within
// 1000 ms", "reply E3 (Command Error)", the refusal text, "the port failed:
// ..."; empty for a completed run.
std::string describe_transfer_end(const TransferOutcome& outcome, int timeout_ms);

}  // namespace zanteq
