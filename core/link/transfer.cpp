// The transfer engine's state machine.
#include "core/link/transfer.h"

#include <utility>

#include "core/link/framing.h"

namespace zanteq {

namespace {

std::string_view without_address(std::string_view line, const TransferTarget& target) {
  if (target.rs_control == 0) return line;
  return line.size() > 2 ? line.substr(2) : std::string_view();
}

TransferBox error_box(const char* text) { return TransferBox{TransferBox::error, text}; }

}  // namespace

Transfer::Transfer(TransferPlan plan, TransferPacing pacing) : plan_(std::move(plan)), settings_(pacing) {}

TransferAction Transfer::start(TransferTime now, TransferTarget target) {
  if (phase_ == Phase::running) return waiting();
  target_ = target;
  pacing_ = target.broadcast() ? Pacing::timer : settings_.pacing;
  phase_ = Phase::running;
  outcome_ = TransferOutcome();
  outcome_.step_count = static_cast<int>(plan_.steps.size());
  outcome_.steps.assign(plan_.steps.size(), StepReport());
  next_ = 0;
  current_ = 0;
  sent_.clear();
  awaiting_ = holding_ = abort_ = must_end_ = stop_asked_ = false;
  last_success_step_ = 0;
  if (pacing_ == Pacing::timer) {
    due_ = now + TransferTime(plan_.timer_period_ms);
    wake_at_ = due_;
    return waiting();
  }
  last_send_ = now - TransferTime(settings_.min_period_ms);
  return perform_next(now);
}

TransferAction Transfer::waiting() const {
  TransferAction action;
  action.done = phase_ != Phase::running;
  action.wake_at = wake_at_;
  return action;
}

TransferAction Transfer::perform_next(TransferTime now) {
  if (next_ >= plan_.steps.size()) return end(TransferEnd::completed, 0, {}, {});
  const TransferStep& step = plan_.steps[next_++];
  current_ = static_cast<int>(next_);
  StepReport& report = outcome_.steps[next_ - 1];
  if (pacing_ == Pacing::timer) due_ = now + TransferTime(plan_.timer_period_ms);

  TransferAction action;
  action.step = current_;
  if (step.refusal) {
    report.state = StepReport::refused;
    if (step.refusal_ends_run && !must_end_) {
      must_end_ = true;
      must_end_step_ = current_;
    }
    if (pacing_ == Pacing::timer) outcome_.steps_done = current_;
    holding_ = true;  // until the box is closed
    wake_at_ = now;
    action.box = step.refusal;
    action.wake_at = wake_at_;
    return action;
  }

  sent_ = frame_command(target_.rs_control, target_.address, step.command);
  if (sent_.empty()) return end(TransferEnd::not_sent, current_, {}, "the command cannot be framed");
  report.state = StepReport::sent;
  outcome_.bytes_sent += sent_.size();
  action.send = sent_;
  if (pacing_ == Pacing::timer) {
    outcome_.steps_done = current_;
    if (next_ >= plan_.steps.size()) {
      TransferAction last = end(TransferEnd::completed, 0, {}, {});
      last.send = std::move(action.send);
      last.step = current_;
      return last;
    }
    wake_at_ = due_;
  } else {
    awaiting_ = true;
    last_send_ = now;
    deadline_ = now + TransferTime(plan_.timeout_ms);
    wake_at_ = deadline_;
  }
  action.wake_at = wake_at_;
  return action;
}

// The step just performed is over (its reply is in, or its refusal's box
// was closed): end the run, or go on with the next step when it is due.
TransferAction Transfer::after_step(TransferTime now) {
  if (pacing_ == Pacing::timer) {
    if (plan_.ends_in_its_step && must_end_)
      return end(TransferEnd::refused, must_end_step_, {}, refusal_text(must_end_step_));
    if (plan_.ends_in_its_step && abort_)
      return end(TransferEnd::unit_error, abort_step_, abort_reply_, abort_message_);
    if (next_ >= plan_.steps.size()) {
      if (must_end_) return end(TransferEnd::refused, must_end_step_, {}, refusal_text(must_end_step_));
      return end(TransferEnd::completed, 0, {}, {});
    }
    wake_at_ = due_;
    return waiting();
  }
  if (must_end_) return end(TransferEnd::refused, must_end_step_, {}, refusal_text(must_end_step_));
  if (stop_asked_) return end(TransferEnd::stopped, 0, {}, {});
  if (next_ >= plan_.steps.size()) {
    TransferAction action = end(TransferEnd::completed, 0, {}, {});
    // As the program's runs have always ended: the unit's answer to the
    // last step, "GO" or the version line of read-all, brings "Success".
    if (last_success_step_ == static_cast<int>(plan_.steps.size()))
      action.box = TransferBox{TransferBox::success, "Success"};
    return action;
  }
  due_ = last_send_ + TransferTime(settings_.min_period_ms);
  if (now >= due_) return perform_next(now);
  wake_at_ = due_;
  return waiting();
}

TransferAction Transfer::end(TransferEnd how, int at_step, std::string_view reply, std::string message) {
  phase_ = Phase::done;
  awaiting_ = holding_ = false;
  outcome_.end = how;
  outcome_.end_step = at_step;
  if (at_step > 0) outcome_.command = printable_line(plan_.steps[static_cast<std::size_t>(at_step - 1)].command);
  outcome_.reply = printable_line(reply);
  outcome_.reply_text = printable_line(without_address(reply, target_));
  outcome_.message = std::move(message);
  TransferAction action;
  action.done = true;
  action.step = current_;
  action.wake_at = wake_at_;
  return action;
}

std::string Transfer::refusal_text(int step) const {
  const TransferStep& s = plan_.steps[static_cast<std::size_t>(step - 1)];
  return s.refusal ? s.refusal->text : std::string();
}

// "step 12 VAC03064: GN"; `text` is printable already or a line.
void Transfer::note(std::vector<std::string>& list, int step, std::string_view text) {
  std::string entry = "step " + std::to_string(step);
  if (step > 0) entry += " " + printable_line(plan_.steps[static_cast<std::size_t>(step - 1)].command);
  list.push_back(entry + ": " + printable_line(text));
}

TransferAction Transfer::line(TransferTime now, std::string_view line, DeviceSettings& record) {
  if (phase_ != Phase::running) return waiting();
  outcome_.bytes_received += line.size();
  if (line.empty() || line.back() != '\n') {
    ++outcome_.partial_lines;
    return waiting();
  }
  ReplyContext context;
  context.rs_control = target_.rs_control;
  context.address = target_.address;
  context.sent = sent_;
  if (pacing_ == Pacing::replies && awaiting_) {
    const TransferStep& step = plan_.steps[static_cast<std::size_t>(current_ - 1)];
    if (step.awaits == Awaits::data_line) context.asked = step.asked;
  }
  const ClassifiedReply reply = classify_reply(line, context);
  if (reply.kind == ReplyClass::echo) {
    ++outcome_.echoes;
    return waiting();
  }
  if (reply.kind == ReplyClass::other_address) {
    note(outcome_.foreign, current_, line);
    return waiting();
  }
  return pacing_ == Pacing::timer ? timer_line(reply, line, record) : replies_line(now, reply, line, record);
}

// Timer pacing takes lines as the dispatch does during a run: data lines
// of any field go into the record (replies lag behind the commands), the
// version line brings "Success", GO and GN bring nothing, and an error or
// menu reply raises the abort flag that any later line clears.
TransferAction Transfer::timer_line(const ClassifiedReply& reply, std::string_view line, DeviceSettings& record) {
  if (current_ > 0) {
    StepReport& report = outcome_.steps[static_cast<std::size_t>(current_ - 1)];
    if (report.state == StepReport::sent) {
      report.state = StepReport::answered;
      report.reply_class = reply.kind;
      report.reply = printable_line(line);
    }
  }
  TransferAction action = waiting();
  abort_ = reply_aborts(reply.kind);
  if (abort_) {
    abort_step_ = current_;
    abort_reply_ = std::string(line);
    abort_message_ = reply_box_text(reply);
    action.box = error_box(reply_box_text(reply));
    if (plan_.ends_in_its_step && !holding_) {
      TransferAction ended = end(TransferEnd::unit_error, abort_step_, abort_reply_, abort_message_);
      ended.box = action.box;
      return ended;
    }
    return action;
  }
  decode_reply(record, reply);
  if (reply.entry && reply.entry->raises_success) action.box = TransferBox{TransferBox::success, "Success"};
  return action;
}

TransferAction Transfer::replies_line(TransferTime now, const ClassifiedReply& reply, std::string_view line,
                                      DeviceSettings& record) {
  if (!awaiting_) {
    // A second answer to a command already answered, or a line while none
    // is on the wire: nobody's reply, and not taken into the record.
    note(outcome_.unexpected, current_, printable_line(reply.text) + " (after its reply)");
    return waiting();
  }
  awaiting_ = false;
  const TransferStep& step = plan_.steps[static_cast<std::size_t>(current_ - 1)];
  StepReport& report = outcome_.steps[static_cast<std::size_t>(current_ - 1)];
  report.state = StepReport::answered;
  report.reply_class = reply.kind;
  report.reply = printable_line(line);

  std::optional<TransferBox> box;
  if (reply_aborts(reply.kind)) {
    box = error_box(reply_box_text(reply));
    if (!plan_.independent_steps) {
      TransferAction ended = end(TransferEnd::unit_error, current_, line, reply_box_text(reply));
      ended.box = box;
      return ended;
    }
  }
  switch (step.awaits) {
    case Awaits::accepted: report.as_expected = reply.kind == ReplyClass::accepted; break;
    case Awaits::data_line: report.as_expected = reply.kind == ReplyClass::data; break;
    case Awaits::any_line: report.as_expected = true; break;
  }
  if (reply.kind == ReplyClass::data) decode_reply(record, reply);
  if (!report.as_expected) note(outcome_.unexpected, current_, reply.text);
  if (reply.kind == ReplyClass::accepted || (reply.kind == ReplyClass::data && reply.entry->raises_success))
    last_success_step_ = current_;
  outcome_.steps_done = current_;

  TransferAction action = after_step(now);
  if (box) action.box = box;
  return action;
}

TransferAction Transfer::timed_out(TransferTime now) {
  awaiting_ = false;
  const int step = current_;
  outcome_.steps[static_cast<std::size_t>(step - 1)].state = StepReport::unanswered;
  TransferAction action;
  if (plan_.independent_steps) {
    outcome_.steps_done = current_;
    action = after_step(now);
  } else if (stop_asked_) {
    action = end(TransferEnd::stopped, 0, {}, {});
  } else {
    action = end(TransferEnd::silent, current_, {}, "No Connect");
    action.box = error_box("No Connect");
  }
  action.unanswered_step = step;
  return action;
}

TransferAction Transfer::wake(TransferTime now) {
  if (phase_ != Phase::running) return waiting();
  if (holding_) {
    holding_ = false;
    outcome_.steps_done = current_;
    return after_step(now);
  }
  if (pacing_ == Pacing::timer) {
    if (now < due_) return waiting();
    if (must_end_) return end(TransferEnd::refused, must_end_step_, {}, refusal_text(must_end_step_));
    if (abort_) return end(TransferEnd::unit_error, abort_step_, abort_reply_, abort_message_);
    return perform_next(now);
  }
  if (awaiting_) return now < deadline_ ? waiting() : timed_out(now);
  if (now < due_) return waiting();
  return perform_next(now);
}

TransferAction Transfer::stop(TransferTime) {
  if (phase_ != Phase::running) return waiting();
  if (awaiting_) {
    stop_asked_ = true;
    return waiting();
  }
  return end(TransferEnd::stopped, 0, {}, {});
}

TransferAction Transfer::abort_flag(TransferTime, bool raised) {
  if (phase_ != Phase::running || pacing_ != Pacing::timer) return waiting();
  if (raised && !abort_) {
    abort_step_ = current_;
    abort_reply_.clear();
    abort_message_.clear();
  }
  abort_ = raised;
  if (abort_ && plan_.ends_in_its_step && !holding_)
    return end(TransferEnd::unit_error, abort_step_, abort_reply_, abort_message_);
  return waiting();
}

TransferAction Transfer::line_failed(TransferTime, std::string_view why) {
  if (phase_ != Phase::running) return waiting();
  return end(TransferEnd::line_failed, current_, {}, std::string(why));
}

std::string describe_transfer_end(const TransferOutcome& outcome, int timeout_ms) {
  switch (outcome.end) {
    case TransferEnd::completed:
      return {};
    case TransferEnd::unit_error:
      if (outcome.reply_text.empty()) return outcome.message.empty() ? "an error reply" : outcome.message;
      return "reply " + outcome.reply_text + " (" + outcome.message + ")";
    case TransferEnd::silent:
      return "no reply within " + std::to_string(timeout_ms) + " ms";
    case TransferEnd::refused:
    case TransferEnd::not_sent:
      return outcome.message;
    case TransferEnd::stopped:
      return "stopped after step " + std::to_string(outcome.steps_done) + " of " +
             std::to_string(outcome.step_count);
    case TransferEnd::line_failed:
      return "the port failed: " + outcome.message;
  }
  return {};
}

}  // namespace zanteq
