// The window side of a transfer at the pace of the replies: the engine fed
// from posted lines and a one-shot timer, its commands sent through the
// serial port, its steps, boxes and end told to the client.
#include "win32/link/transfer_runner.h"

#include <chrono>
#include <utility>

#include "win32/link/serial_port.h"

namespace zanteq::win32 {

namespace {

const char* const port_gone_text = "the port is not there any more";

}  // namespace

TransferRunner::TransferRunner(HWND window, UINT_PTR timer_id, SerialPort& port, TransferClient& client)
    : window_(window), timer_id_(timer_id), port_(port), client_(client) {}

TransferRunner::~TransferRunner() { abandon(); }

TransferTime TransferRunner::now() {
  return std::chrono::duration_cast<TransferTime>(std::chrono::steady_clock::now().time_since_epoch());
}

bool TransferRunner::start(TransferPlan plan, TransferPacing pacing, TransferTarget target, DeviceSettings& record) {
  if (running_) return false;
  const HWND window = window_;
  if (!port_.begin_transfer([window] { PostMessageW(window, message_transfer_lines, 0, 0); })) return false;
  holds_line_ = true;
  transfer_.emplace(std::move(plan), pacing);
  record_ = &record;
  ++run_;
  running_ = true;
  reported_step_ = 0;
  waiting_ = stop_waiting_ = port_gone_ = false;
  act(transfer_->start(now(), target));
  return true;
}

// Carries out the engine's answer, and the answers that follow from it at
// once (a refusal's box closed), until the run waits for a line or a time.
void TransferRunner::act(TransferAction action) {
  const std::weak_ptr<char> alive = life_;
  busy_ = true;
  for (;;) {
    bool performed = false;
    bool refusal = false;
    if (!action.send.empty()) {
      performed = send(std::move(action.send));
      if (alive.expired()) return;
      if (!running_) break;  // abandoned while the link's box was open
      if (!performed) action = port_failed();
    } else if (action.box && !action.done && action.step > reported_step_) {
      performed = refusal = true;  // the engine holds until it is woken
    }
    if (action.box) {
      client_.transfer_box(*action.box, refusal);
      if (alive.expired()) return;
      if (!running_) break;
    }
    if (performed) {
      reported_step_ = action.step;
      client_.transfer_step(action.step);
      if (alive.expired()) return;
      if (!running_) break;
    }
    if (action.done) {
      finish();
      return;
    }
    if (!refusal) {
      arm_timer(action.wake_at);
      break;
    }
    action = transfer_->wake(now());  // the refusal's box is closed
  }
  busy_ = false;
  if (running_ && waiting_) serve_waiting();
}

bool TransferRunner::send(std::string bytes) {
  if (transfer_->pacing() == Pacing::replies) {
    // Lines waiting now came before this command: not its answer.
    const LineHandOff::Taken before = port_.take_transfer_lines();
    if (before.interrupted) return false;
  }
  return port_.send_transfer(std::move(bytes));
}

// The port went while the run waited, or a command could not go out: the
// run ends without a box of its own. A port whose device has gone is closed
// and said so once the run is over.
TransferAction TransferRunner::port_failed() {
  port_gone_ = true;
  return transfer_->line_failed(now(), port_gone_text);
}

void TransferRunner::on_lines() {
  if (!running_) return;
  if (busy_) {
    waiting_ = true;
    return;
  }
  feed_lines();
}

void TransferRunner::on_timer() {
  disarm_timer();  // one-shot
  if (!running_) return;
  if (busy_) {
    waiting_ = true;
    return;
  }
  wake_if_due();
}

void TransferRunner::stop() {
  if (!running_) return;
  if (busy_) {
    stop_waiting_ = waiting_ = true;
    return;
  }
  act(transfer_->stop(now()));
}

void TransferRunner::abandon() {
  if (!running_) return;
  running_ = false;
  transfer_->stop(now());
  disarm_timer();
  if (holds_line_) port_.end_transfer();
  holds_line_ = false;
}

// What came while a box was open, in the order it would have come.
void TransferRunner::serve_waiting() {
  waiting_ = false;
  if (stop_waiting_) {
    stop_waiting_ = false;
    act(transfer_->stop(now()));
  }
  if (running_) feed_lines();
  if (running_ && !busy_) wake_if_due();
}

void TransferRunner::feed_lines() {
  const LineHandOff::Taken taken = port_.take_transfer_lines();
  const unsigned run = run_;
  for (const std::string& line : taken.lines) {
    // Over (or the client started the next run), or a box opened: the
    // later lines of this batch are nobody's.
    if (!running_ || busy_ || run_ != run) return;
    const int step = transfer_->step();
    act(transfer_->line(now(), line, *record_));
    // The rest of this batch came before the command just sent.
    if (transfer_->pacing() == Pacing::replies && transfer_->step() != step) break;
  }
  if (taken.interrupted && running_ && !busy_ && run_ == run) act(port_failed());
}

void TransferRunner::wake_if_due() {
  if (now() < transfer_->wake_at()) {
    arm_timer(transfer_->wake_at());  // armed for an earlier time-out, or rounded
    return;
  }
  // A unit that seems silent may sit behind a port that has gone: then the
  // port's box says so, not "No Connect".
  if (transfer_->pacing() == Pacing::replies && port_.transfer_port_gone()) {
    act(port_failed());
    return;
  }
  act(transfer_->wake(now()));
}

// A timer that fires no later than `wake_at` is left as it is: each answered
// command moves the time-out on, and re-arming for every command would cost
// a call to the window system per reply. A tick before its time re-arms.
void TransferRunner::arm_timer(TransferTime wake_at) {
  if (timer_armed_ && armed_for_ <= wake_at) return;
  const auto delay = (wake_at - now()).count();
  const UINT ms = delay < static_cast<long long>(USER_TIMER_MINIMUM) ? USER_TIMER_MINIMUM : static_cast<UINT>(delay);
  SetTimer(window_, timer_id_, ms, nullptr);
  timer_armed_ = true;
  armed_for_ = wake_at;
}

void TransferRunner::disarm_timer() {
  KillTimer(window_, timer_id_);
  timer_armed_ = false;
}

void TransferRunner::finish() {
  running_ = false;
  busy_ = waiting_ = stop_waiting_ = false;
  disarm_timer();
  if (holds_line_) port_.end_transfer();
  holds_line_ = false;
  const std::weak_ptr<char> alive = life_;
  client_.transfer_done(transfer_->outcome());
  if (alive.expired() || !port_gone_) return;
  port_gone_ = false;
  port_.close_lost_port();
}

}  // namespace zanteq::win32
