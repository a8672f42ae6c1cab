// A transfer to one unit paced by its replies.
#include "core/bulk/unit_run.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "core/bulk/read_all.h"

namespace zanteq {

namespace {

using Clock = std::chrono::steady_clock;

std::string command_text(const std::string& command) {
  return printable_reply(command);  // the same escaping, CR LF dropped
}

// The reply as the dispatch saw it (without the address, which is known).
std::string with_message(const Reply& reply) {
  std::string text = printable_reply(reply.text.empty() ? reply.line : reply.text);
  if (!reply.message.empty()) text += " (" + reply.message + ")";
  return text;
}

}  // namespace

std::string describe_failure(const Reply& reply, int timeout_ms) {
  switch (reply.kind) {
    case ReplyKind::silent:
      return "no reply within " + std::to_string(timeout_ms) + " ms";
    case ReplyKind::refused:
      return "reply " + with_message(reply);
    case ReplyKind::wrong_address:
      return "reply " + printable_reply(reply.line) + " from another address";
    case ReplyKind::line_failed:
      return "the port failed: " + reply.message;
    case ReplyKind::not_sent:
      return reply.message;
    case ReplyKind::answered:
    case ReplyKind::not_awaited:
      break;
  }
  return "reply " + with_message(reply);
}

UnitOutcome run_unit(Exchange& exchange, LinkState& link, const std::vector<std::string>& commands,
                     Expect expect, const RunSettings& settings) {
  UnitOutcome outcome;
  outcome.step_count = static_cast<int>(commands.size());
  link.sequence_abort = 0;

  Clock::time_point last_send{};
  for (int i = 0; i < outcome.step_count; ++i) {
    if (settings.pace == Pace::fixed && i > 0) {
      // In short slices, so a stop during the wait sends nothing more.
      const Clock::time_point due = last_send + std::chrono::milliseconds(settings.period_ms);
      while (Clock::now() < due && !(settings.stop && settings.stop->load()))
        std::this_thread::sleep_until(std::min(due, Clock::now() + std::chrono::milliseconds(20)));
    }
    if (settings.stop && settings.stop->load()) {
      outcome.state = UnitOutcome::interrupted;
      break;
    }

    const std::string& command = commands[static_cast<std::size_t>(i)];
    link.sequence_step = i + 1;
    last_send = Clock::now();
    const Reply reply = exchange.ask(command, settings.timeout_ms);

    const bool ends_run = reply.kind != ReplyKind::answered && reply.kind != ReplyKind::not_awaited;
    if (ends_run) {
      outcome.state = UnitOutcome::failed;
      outcome.failed_step = i + 1;
      outcome.command = command_text(command);
      outcome.reply = reply;
      break;
    }
    const bool as_expected = expect == Expect::data_line
                                 ? reply.data && answers_read(command, reply.text)
                                 : reply.accepted;
    if (reply.kind == ReplyKind::answered && !as_expected) {
      outcome.unexpected.push_back("step " + std::to_string(i + 1) + " " + command_text(command) +
                                   ": " + with_message(reply));
    }
    outcome.steps_done = i + 1;
    if (settings.progress) settings.progress(outcome.steps_done, outcome.step_count);
  }

  link.sequence_step = 0;
  link.sequence_abort = 0;
  if (outcome.state == UnitOutcome::done && !outcome.unexpected.empty())
    outcome.state = UnitOutcome::failed;
  return outcome;
}

}  // namespace zanteq
