// The blocking loop around the transfer engine.
#include "core/link/transfer_loop.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "core/log/log_format.h"

namespace zanteq {

namespace {

class SystemLoopClock final : public LoopClock {
 public:
  TransferTime steady() override {
    return std::chrono::duration_cast<TransferTime>(std::chrono::steady_clock::now().time_since_epoch());
  }
  std::int64_t wall_ms() override { return wall_clock_ms(); }
};

constexpr std::size_t read_size = 1024;

bool unanswered(const Transfer& t, int step) {
  return step > 0 && t.outcome().steps[static_cast<std::size_t>(step - 1)].state == StepReport::unanswered;
}

}  // namespace

LoopClock& system_loop_clock() {
  static SystemLoopClock clock;
  return clock;
}

void TransferLoop::feed(const char* data, std::size_t size, std::vector<std::string>* lines) {
  result_.bytes_received += size;
  assembler_.feed(
      data, size,
      [&](std::string_view line) {
        note(received_event(clock_.wall_ms(), line));
        if (lines) lines->emplace_back(line);
        else ++result_.stale_lines;
      },
      [&](const DroppedBytes& dropped) {
        if (dropped.why == DroppedBytes::Why::before_command)
          note(unfinished_event(clock_.wall_ms(), dropped.bytes));
        else
          note(noise_event(clock_.wall_ms(), dropped.count));
      });
}

void TransferLoop::take_waiting() {
  char buffer[read_size];
  for (int reads = 0; reads < waiting_reads; ++reads) {
    const long n = line_.read_some(buffer, sizeof buffer, 0);
    if (n <= 0) return;
    feed(buffer, static_cast<std::size_t>(n), nullptr);
  }
}

void TransferLoop::send(const std::string& bytes) {
  take_waiting();
  assembler_.command_sent();
  note(sent_event(clock_.wall_ms(), bytes));
  sent_now_ = true;
  if (!line_.write_all(bytes)) {
    act(transfer_->line_failed(clock_.steady(), line_.error()));
    return;
  }
  result_.bytes_sent += bytes.size();
}

void TransferLoop::act(TransferAction action) {
  action_ = std::move(action);
  if (!action_.send.empty()) {
    const std::string bytes = std::move(action_.send);
    action_.send.clear();
    send(bytes);
  }
}

void TransferLoop::wake() {
  // The log says a command went unanswered before the next one goes out.
  const int step = transfer_->step();
  const bool before = unanswered(*transfer_, step);
  TransferAction next = transfer_->wake(clock_.steady());
  if (!before && unanswered(*transfer_, step))
    note(no_reply_event(clock_.wall_ms(), transfer_->plan().timeout_ms));
  act(std::move(next));
}

LoopRun TransferLoop::run(Transfer& transfer, TransferTarget target, DeviceSettings& record) {
  transfer_ = &transfer;
  result_ = LoopRun();
  const TransferTime start = clock_.steady();
  bool stop_asked = false;
  act(transfer.start(start, target));

  char buffer[read_size];
  std::vector<std::string> lines;
  while (!action_.done) {
    if (after_each_) after_each_(transfer);
    if (stop_ && stop_->load() && !stop_asked) {
      stop_asked = true;
      act(transfer.stop(clock_.steady()));
      continue;
    }
    const long long left = std::max<long long>(0, (action_.wake_at - clock_.steady()).count());
    const int wait = static_cast<int>(stop_ ? std::min<long long>(left, stop_look_ms) : left);
    sent_now_ = false;
    const long n = line_.read_some(buffer, sizeof buffer, wait);
    if (n < 0) {
      act(transfer.line_failed(clock_.steady(), line_.error()));
      break;
    }
    if (n > 0) {
      lines.clear();
      feed(buffer, static_cast<std::size_t>(n), &lines);
      const TransferTime now = clock_.steady();
      for (const std::string& line : lines) {
        // Once a command has gone out, the rest of this read came before
        // it: no answer to it.
        if (action_.done || sent_now_) {
          ++result_.stale_lines;
          continue;
        }
        act(transfer.line(now, line, record));
      }
    }
    // Also after bytes: a line that never stops must not hold off the
    // time-out.
    if (!action_.done && clock_.steady() >= action_.wake_at) wake();
  }
  result_.elapsed_ms = (clock_.steady() - start).count();
  if (after_each_) after_each_(transfer);
  transfer_ = nullptr;
  return result_;
}

}  // namespace zanteq
