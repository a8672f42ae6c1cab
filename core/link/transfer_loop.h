// The transfer engine driven from a blocking loop over a serial line, as a
// console program works: write what the engine asks, wait for bytes until
// it wants waking, cut the bytes into lines, feed the lines in. All pacing
// is the engine's (core/link/transfer.h); this loop only carries out its
// answers, so zanteqctl and the program's windows cannot pace apart.
//
// What the loop adds to the engine:
//  - Bytes already waiting when a command goes out were sent before it (a
//    late reply after a time-out, a second answer): they are read, logged
//    and counted, but never taken for the new command's reply. So are the
//    lines that came in the same read after the line that let the next
//    command go. A unit that never stops sending gets 16 reads, then the
//    command goes anyway.
//  - Byte counts are of every byte written and read, the ones no line took
//    (noise, an unfinished line, stale lines) included.
//  - A stop flag set from a signal handler is looked at every 100 ms at
//    most and reaches the engine once, which lets the line on the wire
//    finish.
//  - With a communication log, everything the wire carried: each line sent
//    (just before the write) and received, the bytes the line assembly
//    throws away, and a command left unanswered. Opening and closing the
//    port, and its failure, are the caller's, who knows the port's name.
//
// Owned by the one thread that runs it; the stop flag may be set from any.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "core/link/line_assembler.h"
#include "core/link/serial_line.h"
#include "core/link/transfer.h"
#include "core/log/comm_log.h"

namespace zanteq {

// The loop's two clocks: a steady one for the engine, the wall clock for
// the log's rows. Tests give one that a scripted line moves on.
class LoopClock {
 public:
  virtual ~LoopClock() = default;
  virtual TransferTime steady() = 0;
  virtual std::int64_t wall_ms() = 0;  // as wall_clock_ms()
};

// std::chrono::steady_clock and the system clock.
LoopClock& system_loop_clock();

// What one run read and wrote, and how long it took.
struct LoopRun {
  std::size_t bytes_sent = 0;
  std::size_t bytes_received = 0;
  long long elapsed_ms = 0;
  int stale_lines = 0;  // lines that came before a command and answered none
};

class TransferLoop {
 public:
  // Reads the line in slices of at most this while a stop flag is watched.
  static constexpr int stop_look_ms = 100;
  // Reads of waiting bytes before a command, at most.
  static constexpr int waiting_reads = 16;

  explicit TransferLoop(SerialLine& line, LoopClock& clock = system_loop_clock(), CommLog* log = nullptr)
      : line_(line), clock_(clock), log_(log) {}

  // Set from a signal handler: the run in progress is asked to stop.
  void watch_stop(const std::atomic<int>* flag) { stop_ = flag; }
  // Called after every step of the loop (progress, taking the log's rows).
  void after_each(std::function<void(const Transfer&)> hook) { after_each_ = std::move(hook); }

  // Starts `transfer` to `target` and runs it until done; its data lines
  // go into `record`. The transfer's outcome() tells how it ended.
  LoopRun run(Transfer& transfer, TransferTarget target, DeviceSettings& record);

  // Reads what is waiting now, without waiting, into the log: the lines
  // that came after the last run (a session's end).
  void take_waiting();

 private:
  void act(TransferAction action);
  void send(const std::string& bytes);
  void wake();
  void feed(const char* data, std::size_t size, std::vector<std::string>* lines);
  void note(LogEvent event) {
    if (log_) log_->append(std::move(event));
  }

  SerialLine& line_;
  LoopClock& clock_;
  CommLog* log_;
  const std::atomic<int>* stop_ = nullptr;
  std::function<void(const Transfer&)> after_each_;
  LineAssembler assembler_;  // one per line: a tail waits for the next read

  // During run():
  Transfer* transfer_ = nullptr;
  TransferAction action_;
  LoopRun result_;
  bool sent_now_ = false;  // a command went out since the last read
};

}  // namespace zanteq
