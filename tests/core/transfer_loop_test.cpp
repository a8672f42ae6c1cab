// The transfer engine driven from the blocking loop over a scripted line:
// what goes out and when, what counts as an answer (never a line that came
// before its command), every byte counted, the log of the wire, a stop, a
// unit that never stops sending, a failing port and a broadcast.
#include <gtest/gtest.h>

#include "core/bulk/transfer_plans.h"
#include "core/log/log_format.h"
#include "tests/core/scripted_line.h"

namespace zanteq {
namespace {

using testing::Piece;
using testing::ScriptedLine;

// The log as "<ms> <direction> <text>", the texts from the core's formatter.
std::vector<std::string> log_lines(CommLog& log) {
  std::vector<std::string> lines;
  for (const LogEvent& e : log.take_all().events) {
    const LogRow row = row_of(e, LocalTime{});
    lines.push_back(std::to_string(e.time_ms - ScriptedLine::wall_start) + " " + direction_text(row.direction) +
                    " " + row.text);
  }
  return lines;
}

TEST(TransferLoop, TakesOnlyLinesThatCameAfterTheirCommandAndCountsEveryByte) {
  ScriptedLine line;
  line.queue(0, "05GO\r\n05VA");  // a late answer and a cut line, before anything is sent
  line.unit = [](const std::string& sent) -> std::vector<Piece> {
    if (sent == "05RVAB01\r\n") return {{0, sent}, {5, "05VAB0"}, {8, "1100\r\n"}};  // echo, then in two pieces
    if (sent == "05VAB01000\r\n") return {{3, "05GO\r\n05GO\r\n"}};              // answered twice, in one read
    if (sent == "05RAD\r\n") return {{2, "07ADON\r\n"}, {4, "05ADON\r\n"}};       // another unit first
    return {};                                                                   // RVN: silence
  };
  CommLog log;
  TransferLoop loop(line, line, &log);
  Transfer transfer(raw_lines_transfer_plan({"RVAB01", "VAB01000", "RAD", "RVN"}), {Pacing::replies, 0});
  AppState app;
  reset_settings(app);

  const LoopRun run = loop.run(transfer, {1, 5}, app.record);
  EXPECT_EQ(line.written, (std::vector<std::string>{"05RVAB01\r\n", "05VAB01000\r\n", "05RAD\r\n", "05RVN\r\n"}));
  EXPECT_EQ(line.written_at, (std::vector<long long>{0, 8, 11, 15}));
  EXPECT_EQ(run.elapsed_ms, 1015) << "the last command's time-out";
  EXPECT_EQ(run.bytes_sent, 36u);
  EXPECT_EQ(run.bytes_received, 10u + 10u + 6u + 6u + 12u + 8u + 8u) << "also the stale, echoed and foreign bytes";
  EXPECT_EQ(run.stale_lines, 2) << "the late GO before the first command and the second GO";

  const TransferOutcome& o = transfer.outcome();
  EXPECT_EQ(o.end, TransferEnd::completed);
  ASSERT_EQ(o.steps.size(), 4u);
  EXPECT_EQ(o.steps[0].reply, "05VAB01100");
  EXPECT_EQ(o.steps[1].reply, "05GO");
  EXPECT_EQ(o.steps[2].reply, "05ADON");
  EXPECT_EQ(o.steps[3].state, StepReport::unanswered);
  EXPECT_EQ(o.echoes, 1);
  EXPECT_EQ(o.foreign, std::vector<std::string>{"step 3 RAD: 07ADON"});
  EXPECT_TRUE(o.unexpected.empty()) << "the second GO came before RAD went out: nobody's reply";
  EXPECT_EQ(app.record.brightness[0], 36) << "decoded into the record given";

  EXPECT_EQ(log_lines(log), (std::vector<std::string>{
                                "0 受信 05GO",
                                "0 送信 05RVAB01",
                                "0  未完の行 4 バイトを破棄: 05VA",
                                "0 受信 05RVAB01",
                                "8 受信 05VAB01100",
                                "8 送信 05VAB01000",
                                "11 受信 05GO",
                                "11 受信 05GO",
                                "11 送信 05RAD",
                                "13 受信 07ADON",
                                "15 受信 05ADON",
                                "15 送信 05RVN",
                                "1015  応答なし (1000 ms)",
                            }));

  // The same engine for the next unit: a line of the one before is waiting.
  line.queue(line.now, "05GO\r\n");
  line.unit = [](const std::string&) { return std::vector<Piece>{{1, "06GO\r\n"}}; };
  loop.run(transfer, {1, 6}, app.record);
  EXPECT_EQ(transfer.outcome().steps_done, 4);
  EXPECT_TRUE(transfer.outcome().foreign.empty()) << "the late line was read before the first command";
}

TEST(TransferLoop, StopsAfterTheLineOnTheWireAndNoUnitHoldsItUp) {
  const TransferPlan plan = raw_lines_transfer_plan({"AMI", "APM", "ADON"});
  AppState app;
  reset_settings(app);
  std::atomic<int> stop{0};
  long long stop_at = 0;

  // At the fixed pace a stop during the wait sends nothing more; while a
  // command waits for its answer, the answer still ends it.
  {
    ScriptedLine line;
    line.unit = [](const std::string&) { return std::vector<Piece>{{10, "GO\r\n"}}; };
    TransferLoop loop(line, line);
    loop.watch_stop(&stop);
    loop.after_each([&](const Transfer&) {
      if (line.now >= stop_at) stop = 1;
    });
    Transfer fixed(plan, {Pacing::replies, 300});
    stop_at = 350;
    loop.run(fixed, {0, 0}, app.record);
    EXPECT_EQ(line.written_at, (std::vector<long long>{0, 300}));
    EXPECT_EQ(fixed.outcome().end, TransferEnd::stopped);
    EXPECT_LE(line.now, 300 + 10 + TransferLoop::stop_look_ms + 1) << "looked at the flag while waiting";

    stop = 0;
    line.unit = [](const std::string&) { return std::vector<Piece>{{250, "GO\r\n"}}; };
    Transfer quick(plan, {Pacing::replies, 0});
    stop_at = line.now + 50;
    loop.run(quick, {0, 0}, app.record);
    EXPECT_EQ(line.written.size(), 3u);
    EXPECT_EQ(quick.outcome().end, TransferEnd::stopped);
    EXPECT_EQ(quick.outcome().steps[0].reply, "GO") << "the line on the wire finished first";
  }

  // A unit that never stops sending: 16 reads of it, then the command goes,
  // and the silence of an answer still ends the run in time.
  {
    ScriptedLine line;
    line.babbling = true;
    CommLog log;
    TransferLoop loop(line, line, &log);
    Transfer transfer(scan_transfer_plan(), {Pacing::replies, 0});
    const LoopRun run = loop.run(transfer, {1, 3}, app.record);
    EXPECT_EQ(line.written_at, std::vector<long long>{TransferLoop::waiting_reads});
    EXPECT_EQ(transfer.outcome().end, TransferEnd::silent);
    EXPECT_EQ(line.now, scan_timeout_ms) << "counted from the engine's start, the waiting reads included";
    EXPECT_EQ(run.bytes_received, static_cast<std::size_t>(line.now) * 1024u);
    const std::vector<LogEvent> events = log.take_all().events;
    std::size_t noise = 0;
    for (const LogEvent& e : events) noise += e.kind == LogKind::noise_dropped ? e.count : 0;
    EXPECT_GT(noise, run.bytes_received - noise_report_bytes) << "the noise is in the log as it goes";
    EXPECT_EQ(events.back().kind, LogKind::no_reply);
  }

  // A port that fails ends the run at once, with the port's reason.
  {
    ScriptedLine line;
    line.failing_write = 1;
    line.unit = [](const std::string&) { return std::vector<Piece>{{5, "GO\r\n"}}; };
    TransferLoop loop(line, line);
    Transfer transfer(plan, {Pacing::replies, 0});
    loop.run(transfer, {0, 0}, app.record);
    EXPECT_EQ(transfer.outcome().end, TransferEnd::line_failed);
    EXPECT_EQ(transfer.outcome().end_step, 2);
    EXPECT_EQ(transfer.outcome().message, "the device was removed");
    EXPECT_EQ(line.written.size(), 1u);
  }

  // A broadcast waits for nothing: one command per period of the plan.
  {
    ScriptedLine line;
    TransferLoop loop(line, line);
    Transfer transfer(plan, {Pacing::replies, 0});
    const LoopRun run = loop.run(transfer, {1, 32}, app.record);
    EXPECT_EQ(line.written, (std::vector<std::string>{"FFAMI\r\n", "FFAPM\r\n", "FFADON\r\n"}));
    EXPECT_EQ(line.written_at, (std::vector<long long>{500, 1000, 1500}));
    EXPECT_EQ(transfer.outcome().end, TransferEnd::completed);
    EXPECT_EQ(run.elapsed_ms, 1500);
  }
}

}  // namespace
}  // namespace zanteq
