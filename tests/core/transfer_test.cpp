// The transfer engine on scripted lines and a fake clock, driven as a
// blocking caller drives it: every command, box and wake-up time in order,
// and the outcome, for each pacing. Then the timer pacing against the
// dialogs' TimedSequence, tick for tick.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "core/bulk/panel_sequences.h"
#include "core/bulk/read_all.h"
#include "core/bulk/set_all.h"
#include "core/bulk/transfer_plans.h"
#include "core/link/dispatch.h"
#include "core/link/line_assembler.h"
#include "core/link/transfer.h"
#include "core/settings/settings_file.h"
#include "tests/core/fakes.h"
#include "tests/core/sequence_fake_view.h"

namespace zanteq {
namespace {

struct Chunk {
  long long after;  // ms after the command went out
  std::string bytes;
};

// What a caller does with each action, written down as one line:
// "<time> <call> -> [send X] [box Y] wake T | done".
class Drive {
 public:
  Drive(TransferPlan plan, TransferPacing pacing, TransferTarget target)
      : transfer(std::move(plan), pacing), target_(target) {
    reset_settings(app);
  }

  // The unit: the bytes it sends back for each command written.
  std::function<std::vector<Chunk>(const std::string& sent)> unit = [](const std::string&) {
    return std::vector<Chunk>{};
  };
  long long stop_at = -1;

  AppState app;
  Transfer transfer;
  std::vector<std::string> trace;
  std::vector<std::pair<long long, TransferAction>> actions;
  std::vector<std::string> sent;
  std::vector<long long> sent_at;

  void run() {
    take(0, "start", transfer.start(TransferTime(0), target_));
    for (int events = 0; !last_.done && events < 10000; ++events) {
      const long long wake = last_.wake_at.count();
      const long long chunk = queue_.empty() ? wake + 1 : queue_.begin()->first;
      if (stop_at >= 0 && stop_at <= std::min(wake, chunk - 1)) {
        const long long at = stop_at;
        stop_at = -1;
        take(at, "stop", transfer.stop(TransferTime(at)));
      } else if (chunk <= wake) {
        const std::string bytes = queue_.begin()->second;
        queue_.erase(queue_.begin());
        assembler_.feed(bytes.data(), bytes.size(), [&](std::string_view line) {
          if (!last_.done)
            take(chunk, "line " + printable_line(line), transfer.line(TransferTime(chunk), line, app.record));
        });
      } else {
        take(wake, "wake", transfer.wake(TransferTime(wake)));
      }
    }
    ASSERT_TRUE(last_.done);
  }

  // The trace lines that contain `text`.
  std::vector<std::string> lines_with(const std::string& text) const {
    std::vector<std::string> out;
    for (const std::string& t : trace)
      if (t.find(text) != std::string::npos) out.push_back(t);
    return out;
  }

 private:
  void take(long long now, const std::string& call, const TransferAction& action) {
    std::string text = std::to_string(now) + " " + call + " ->";
    if (!action.send.empty()) {
      text += " send " + printable_line(action.send);
      sent.push_back(action.send);
      sent_at.push_back(now);
      assembler_.command_sent();
      for (const Chunk& c : unit(action.send)) queue_.emplace(now + c.after, c.bytes);
    }
    if (action.box) text += " box " + action.box->text;
    text += action.done ? " done" : " wake " + std::to_string(action.wake_at.count());
    trace.push_back(text);
    actions.emplace_back(now, action);
    last_ = action;
  }

  TransferTarget target_;
  TransferAction last_;
  std::multimap<long long, std::string> queue_;
  LineAssembler assembler_;
};

std::map<std::string, std::string> asked_by_command(const TransferPlan& plan, const std::string& address) {
  std::map<std::string, std::string> asked;
  for (const TransferStep& s : plan.steps) asked[address + s.command] = s.asked;
  return asked;
}

TEST(TransferReplies, ReadAllThroughAnEchoingAdapterLateSplitAndForeignLines) {
  Drive drive(read_all_transfer_plan(), {Pacing::replies, 0}, {1, 5});
  const auto asked = asked_by_command(drive.transfer.plan(), "05");
  drive.unit = [&](const std::string& sent) {
    std::vector<Chunk> back = {{0, sent}};  // the adapter hears itself
    if (sent == "05RVAB02\r\n") {
      back.push_back({900, "05VAB02100\r\n"});
    } else if (sent == "05RVAC03\r\n") {
      back.push_back({10, "05VAC0"});
      back.push_back({12, "3127\r\n"});
    } else if (sent == "05RVN\r\n") {
      back.push_back({4, "07VAC01099\r\n"});  // another unit on the bus
      back.push_back({10, "05VN1.00\r\n"});
    } else {
      back.push_back({10, "05" + asked.at(sent) + "064\r\n"});
    }
    return back;
  };
  drive.run();

  EXPECT_EQ(std::vector<std::string>(drive.trace.begin(), drive.trace.begin() + 4),
            (std::vector<std::string>{"0 start -> send 05RCJ01 wake 1000", "0 line 05RCJ01 -> wake 1000",
                                      "10 line 05CJ01064 -> send 05RCJ02 wake 1010",
                                      "10 line 05RCJ02 -> wake 1010"}));
  // RVAB02 is answered after 900 ms; the reply to RVAC03 comes in two pieces.
  EXPECT_EQ(drive.lines_with("RVAB02"), (std::vector<std::string>{"50 line 05VAB01064 -> send 05RVAB02 wake 1050",
                                                                  "50 line 05RVAB02 -> wake 1050"}));
  EXPECT_EQ(drive.lines_with("05VAB02100"), std::vector<std::string>{"950 line 05VAB02100 -> send 05RVAB03 wake 1950"});
  EXPECT_EQ(drive.lines_with("VAC03"), (std::vector<std::string>{"990 line 05VAC02064 -> send 05RVAC03 wake 1990",
                                                                  "990 line 05RVAC03 -> wake 1990",
                                                                  "1002 line 05VAC03127 -> send 05RVAC04 wake 2002"}));
  EXPECT_EQ(std::vector<std::string>(drive.trace.end() - 3, drive.trace.end()),
            (std::vector<std::string>{"1392 line 05RVN -> wake 2392", "1396 line 07VAC01099 -> wake 2392",
                                      "1402 line 05VN1.00 -> box Success done"}));

  ASSERT_EQ(drive.sent.size(), 51u);
  for (int step = 1; step <= 51; ++step) EXPECT_EQ(drive.sent[step - 1], "05" + read_all_command(step));
  // Each command is waited for 1000 ms; a line that is not its reply keeps that time.
  TransferTime wake{0};
  for (const auto& [now, action] : drive.actions) {
    if (!action.send.empty()) wake = TransferTime(now + 1000);
    if (!action.done) {
      EXPECT_EQ(action.wake_at, wake) << now;
    }
  }
  const TransferOutcome& outcome = drive.transfer.outcome();
  EXPECT_EQ(outcome.end, TransferEnd::completed);
  EXPECT_EQ(outcome.steps_done, 51);
  EXPECT_EQ(outcome.echoes, 51);
  EXPECT_TRUE(outcome.unexpected.empty());
  EXPECT_EQ(outcome.foreign, std::vector<std::string>{"step 51 RVN: 07VAC01099"});
  for (const StepReport& r : outcome.steps) EXPECT_TRUE(r.state == StepReport::answered && r.as_expected) << r.reply;
  EXPECT_EQ(drive.app.record.brightness[1], 36);
  EXPECT_EQ(drive.app.record.contrast[2], 127);
  EXPECT_EQ(drive.app.record.contrast[0], 64) << "another unit's data is not taken";
  std::size_t bytes = 0;
  for (const std::string& s : drive.sent) bytes += s.size();
  EXPECT_EQ(outcome.bytes_sent, bytes);
}

TEST(TransferReplies, FixedPaceNotesGnAndEndsAtAnErrorReply) {
  AppState source;
  reset_settings(source);
  Drive drive(set_all_transfer_plan(source), {Pacing::replies, 500}, {0, 0});
  drive.unit = [](const std::string& sent) {
    if (sent == "VAC04064\r\n") return std::vector<Chunk>{{30, "GN\r\n"}};
    if (sent == "VAH04000\r\n") return std::vector<Chunk>{{30, "E2\r\n"}};
    if (sent == "VAB01000\r\n") return std::vector<Chunk>{{30, "GO\r\n"}, {40, "GO\r\n"}};
    return std::vector<Chunk>{{30, "GO\r\n"}};
  };
  drive.run();
  EXPECT_EQ(std::vector<std::string>(drive.trace.begin(), drive.trace.begin() + 3),
            (std::vector<std::string>{"0 start -> send CJ012121212121212343234823302331212121212121 wake 1000",
                                      "30 line GO -> wake 500",
                                      "500 wake -> send CJ022121212121212343234823302332212121212121 wake 1500"}));
  EXPECT_EQ(drive.lines_with("5530"), std::vector<std::string>{"5530 line GN -> wake 6000"});
  EXPECT_EQ(drive.trace.back(), "9530 line E2 -> box Over Run Error done");
  ASSERT_EQ(drive.sent.size(), 20u) << "nothing after the error";
  for (std::size_t i = 0; i < drive.sent_at.size(); ++i) EXPECT_EQ(drive.sent_at[i], 500 * static_cast<long long>(i));

  const TransferOutcome& outcome = drive.transfer.outcome();
  EXPECT_EQ(outcome.end, TransferEnd::unit_error);
  EXPECT_EQ(outcome.end_step, 20);
  EXPECT_EQ(outcome.steps_done, 19);
  EXPECT_EQ(outcome.command, "VAH04000");
  EXPECT_EQ(describe_transfer_end(outcome, 1000), "reply E2 (Over Run Error)");
  EXPECT_EQ(outcome.unexpected,
            (std::vector<std::string>{"step 5 VAB01000: GO (after its reply)", "step 12 VAC04064: GN"}));
  EXPECT_EQ(outcome.steps[11].reply_class, ReplyClass::not_applied);
  EXPECT_EQ(outcome.steps[20].state, StepReport::not_reached);
}

TEST(TransferReplies, RefusalsHoldTheRunAndSilenceEndsItWithNoConnect) {
  AppState source;
  reset_settings(source);
  source.record.alarm_hold_time.set("2");
  Drive drive(set_all_transfer_plan(source), {Pacing::replies, 0}, {1, 0});
  drive.unit = [](const std::string& sent) {
    if (sent == "00VLBCN\r\n") return std::vector<Chunk>{};
    return std::vector<Chunk>{{5, "00GO\r\n"}};
  };
  drive.run();
  EXPECT_EQ(drive.lines_with("box"), (std::vector<std::string>{"125 line 00GO -> box 3秒以上を設定してください。 wake 125",
                                                               "1145 wake -> box No Connect done"}));
  EXPECT_EQ(drive.lines_with("125 wake"), std::vector<std::string>{"125 wake -> send 00AMI wake 1125"})
      << "the next step as soon as the box is closed";
  const TransferOutcome& outcome = drive.transfer.outcome();
  EXPECT_EQ(outcome.end, TransferEnd::silent);
  EXPECT_EQ(outcome.end_step, 31);
  EXPECT_EQ(outcome.steps_done, 30);
  EXPECT_EQ(outcome.steps[25].state, StepReport::refused);
  EXPECT_EQ(outcome.steps[30].state, StepReport::unanswered);
  EXPECT_EQ(describe_transfer_end(outcome, 1000), "no reply within 1000 ms");
}

TEST(TransferReplies, StopLetsTheCommandOnTheWireFinish) {
  const TransferPlan plan = read_all_transfer_plan();
  auto answer = [&](long long after) {
    return [after, asked = asked_by_command(plan, "")](const std::string& sent) {
      return std::vector<Chunk>{{after, asked.at(sent) + "0\r\n"}};
    };
  };
  Drive replied(plan, {Pacing::replies, 0}, {0, 0});
  replied.unit = answer(50);
  replied.stop_at = 210;  // while step 5 waits for its reply
  replied.run();
  EXPECT_EQ(std::vector<std::string>(replied.trace.end() - 2, replied.trace.end()),
            (std::vector<std::string>{"210 stop -> wake 1200", "250 line VAB010 -> done"}));
  EXPECT_EQ(replied.transfer.outcome().end, TransferEnd::stopped);
  EXPECT_EQ(describe_transfer_end(replied.transfer.outcome(), 1000), "stopped after step 5 of 51");

  Drive silent(plan, {Pacing::replies, 0}, {0, 0});
  silent.stop_at = 300;
  silent.run();
  EXPECT_EQ(silent.trace, (std::vector<std::string>{"0 start -> send RCJ01 wake 1000", "300 stop -> wake 1000",
                                                    "1000 wake -> done"}));
  EXPECT_EQ(silent.transfer.outcome().end, TransferEnd::stopped) << "stopped, not silent: the user asked";
  EXPECT_EQ(silent.transfer.outcome().steps_done, 0);

  Drive paced(plan, {Pacing::replies, 400}, {0, 0});
  paced.unit = answer(50);
  paced.stop_at = 100;  // waiting for the period, nothing on the wire
  paced.run();
  EXPECT_EQ(paced.trace, (std::vector<std::string>{"0 start -> send RCJ01 wake 1000", "50 line CJ010 -> wake 400",
                                                   "100 stop -> done"}));
  EXPECT_EQ(paced.transfer.outcome().steps_done, 1);
}

TEST(TransferLines, APieceOfALineIsNotTakenForTheReplyAndRawLinesStandAlone) {
  AppState app;
  reset_settings(app);
  Transfer scan(scan_transfer_plan(), {Pacing::replies, 0});
  TransferAction a = scan.start(TransferTime(0), {1, 3});
  EXPECT_EQ(a.send, "03RVN\r\n");
  EXPECT_EQ(a.wake_at, TransferTime(250));
  a = scan.line(TransferTime(5), "03V", app.record);
  EXPECT_FALSE(a.done);
  EXPECT_EQ(a.wake_at, TransferTime(250)) << "a piece changes nothing, not even the time-out";
  a = scan.line(TransferTime(8), "03VN1.00\r\n", app.record);
  EXPECT_TRUE(a.done);
  EXPECT_EQ(scan.outcome().end, TransferEnd::completed);
  EXPECT_EQ(scan.outcome().partial_lines, 1);
  a = scan.start(TransferTime(100), {1, 4});  // the next address
  EXPECT_EQ(a.send, "04RVN\r\n");
  EXPECT_TRUE(scan.wake(TransferTime(350)).done);
  EXPECT_EQ(scan.outcome().end, TransferEnd::silent);

  Drive raw(raw_lines_transfer_plan({"RXYZ", "RAM", "VN?"}), {Pacing::replies, 0}, {0, 0});
  raw.unit = [](const std::string& sent) {
    if (sent == "RXYZ\r\n") return std::vector<Chunk>{{0, "E3\r\n"}};  // at once
    if (sent == "RAM\r\n") return std::vector<Chunk>{};
    return std::vector<Chunk>{{5, "GO\r\n"}};
  };
  raw.run();
  EXPECT_EQ(raw.trace, (std::vector<std::string>{"0 start -> send RXYZ wake 1000",
                                                 "0 line E3 -> send RAM box Command Error wake 1000",
                                                 "1000 wake -> send VN? wake 2000", "1005 line GO -> box Success done"}));
  EXPECT_EQ(raw.transfer.outcome().steps[0].reply_class, ReplyClass::error);
  EXPECT_EQ(raw.transfer.outcome().steps[1].state, StepReport::unanswered);
}

TEST(TransferTimer, SetAllGoesOnThroughSilenceAndRefusalsAndStopsAtAnAbortLeftRaised) {
  AppState source;
  reset_settings(source);
  source.record.title[1].set("\x81\x40" "A" "\x81\x40");  // odd length: skipped, the run goes on
  source.record.alarm_hold_time.set("2");
  Drive drive(set_all_transfer_plan(source), {Pacing::timer, 0}, {1, 5});
  drive.unit = [](const std::string& sent) {
    if (sent == "05VAC02064\r\n") return std::vector<Chunk>{{20, "05E2\r\n"}, {100, "05GO\r\n"}};
    if (sent == "05ARON\r\n") return std::vector<Chunk>{{20, "05E3\r\n"}};
    if (sent.compare(2, 3, "VAB") == 0) return std::vector<Chunk>{};  // silent: no matter
    return std::vector<Chunk>{{20, "05GO\r\n"}};
  };
  drive.run();
  EXPECT_EQ(std::vector<std::string>(drive.trace.begin(), drive.trace.begin() + 6),
            (std::vector<std::string>{
                "0 start -> wake 500", "500 wake -> send 05CJ012121212121212343234823302331212121212121 wake 1000",
                "520 line 05GO -> wake 1000", "1000 wake -> box ＪＩＳ第１水準,第２水準以外の字が選択されてます wake 1000",
                "1000 wake -> wake 1500",
                "1500 wake -> send 05CJ032121212121212343234823302333212121212121 wake 2000"}));
  EXPECT_EQ(drive.lines_with("5020"), std::vector<std::string>{"5020 line 05E2 -> box Over Run Error wake 5500"});
  EXPECT_EQ(drive.lines_with("5100"), std::vector<std::string>{"5100 line 05GO -> wake 5500"})
      << "a later line clears the abort";
  EXPECT_EQ(drive.lines_with("5500 wake"), std::vector<std::string>{"5500 wake -> send 05VAC03064 wake 6000"});
  EXPECT_EQ(drive.lines_with("3秒"), std::vector<std::string>{"13000 wake -> box 3秒以上を設定してください。 wake 13000"});
  EXPECT_EQ(std::vector<std::string>(drive.trace.end() - 2, drive.trace.end()),
            (std::vector<std::string>{"14520 line 05E3 -> box Command Error wake 15000", "15000 wake -> done"}));
  EXPECT_EQ(drive.sent.size(), 27u);
  for (std::size_t i = 1; i < drive.sent_at.size(); ++i) EXPECT_GE(drive.sent_at[i] - drive.sent_at[i - 1], 500);
  const TransferOutcome& outcome = drive.transfer.outcome();
  EXPECT_EQ(outcome.end, TransferEnd::unit_error);
  EXPECT_EQ(outcome.end_step, 29);
  EXPECT_EQ(outcome.command, "ARON");
  EXPECT_EQ(outcome.steps_done, 29);
}

TEST(TransferTimer, ABroadcastRunsOnTheTimerAndTheTitleRunEndsInItsStep) {
  AppState source;
  reset_settings(source);
  Drive broadcast(set_all_transfer_plan(source), {Pacing::replies, 0}, {1, 32});
  broadcast.run();
  EXPECT_EQ(broadcast.transfer.pacing(), Pacing::timer);
  ASSERT_EQ(broadcast.sent.size(), 50u);
  EXPECT_EQ(broadcast.sent.back(), "FFAGCNNNN\r\n");
  EXPECT_EQ(broadcast.trace.back(), "25000 wake -> send FFAGCNNNN done") << "no Success: nothing answers";

  source.record.title[1].set("AB");  // even length, no JIS form: the run ends
  Drive titles(title_transfer_plan(source, true), {Pacing::timer, 0}, {0, 0});
  titles.run();
  EXPECT_EQ(titles.trace, (std::vector<std::string>{
                              "0 start -> wake 200",
                              "200 wake -> send CJN012121212121212343234823302331212121212121 wake 400",
                              "400 wake -> box ＪＩＳ第１水準,第２水準以外の字が選択されてます wake 400",
                              "400 wake -> done"}));
  EXPECT_EQ(titles.transfer.outcome().end, TransferEnd::refused);
  EXPECT_EQ(titles.transfer.outcome().end_step, 2);

  Transfer video(video_adjust_transfer_plan(source), {Pacing::timer, 0});
  video.start(TransferTime(0), {0, 0});
  EXPECT_EQ(video.wake(TransferTime(100)).send, "VAB01000\r\n");
  EXPECT_FALSE(video.abort_flag(TransferTime(150), false).done);
  EXPECT_TRUE(video.abort_flag(TransferTime(160), true).done) << "the flag ends this run at once";
  EXPECT_EQ(video.outcome().end, TransferEnd::unit_error);
}

TEST(TransferPlans, EveryStepNamesItsOwnSettingsFileLines) {
  AppState app;
  reset_settings(app);
  app.record.alarm_hold_time.set("2");
  app.record.title[2].set("\xFA\x4A");
  const TransferPlan read = read_all_transfer_plan();
  const TransferPlan set = set_all_transfer_plan(app);
  for (const TransferPlan* plan : {&read, &set}) {
    std::vector<int> covered(settings_file_lines + 1, 0);
    for (const TransferStep& s : plan->steps)
      for (int line = s.file_line; line > 0 && line < s.file_line + s.file_line_count; ++line) ++covered[line];
    for (int line = 1; line <= settings_file_lines; ++line)
      EXPECT_EQ(covered[line], settings_file_line_is_read(line) ? 1 : 0) << settings_file_line_name(line);
  }
  auto name = [](const TransferStep& s) { return settings_file_line_name(s.file_line); };

  EXPECT_EQ(read.timer_period_ms, 400);
  EXPECT_EQ(read.steps[7].asked, "VAB04");
  EXPECT_EQ(name(read.steps[7]), "brightness ch.04");
  EXPECT_EQ(read.steps[29].asked, "VL");
  EXPECT_EQ(name(read.steps[29]), "video_loss_detect ch.01");
  EXPECT_EQ(read.steps[29].file_line_count, 4);
  EXPECT_EQ(read.steps[50].command, "RVN\r\n");
  EXPECT_EQ(read.steps[50].file_line, 0);

  EXPECT_EQ(set.timer_period_ms, 500);
  EXPECT_EQ(set.steps[2].refusal->kind, TransferBox::warning);
  EXPECT_TRUE(set.steps[2].refusal_ends_run);
  EXPECT_EQ(name(set.steps[2]), "title ch.03");
  EXPECT_EQ(set.steps[25].refusal->text, "3秒以上を設定してください。");
  EXPECT_FALSE(set.steps[25].refusal_ends_run);
  EXPECT_EQ(name(set.steps[25]), "alarm_hold_time");
  EXPECT_EQ(set.steps[37].command, "CASTM0303030303\r\n");
  EXPECT_EQ(name(set.steps[37]), "auto_switch_dwell ch.01");
  EXPECT_EQ(set.steps[37].file_line_count, 5);
  EXPECT_EQ(set.steps[25].file_line, 3);
  EXPECT_EQ(app.link.sequence_abort, 0) << "building a plan raises nothing";

  const TransferPlan titles = title_transfer_plan(app, true);
  ASSERT_EQ(titles.steps.size(), 4u);
  EXPECT_EQ(titles.steps[3].command.substr(0, 5), "CJN04");
  EXPECT_EQ(name(titles.steps[3]), "title ch.04");
  EXPECT_TRUE(titles.ends_in_its_step);
  const TransferPlan video = video_adjust_transfer_plan(app);
  ASSERT_EQ(video.steps.size(), 20u);
  EXPECT_EQ(video.timer_period_ms, 100);
  EXPECT_EQ(video.steps[12].command, "VAH01000\r\n");
  EXPECT_EQ(name(video.steps[12]), "hue ch.01");
  // What the dialogs show of a run agrees with the run.
  const std::pair<const TransferPlan*, const SequencePlan*> shown[] = {
      {&read, &read_all_plan}, {&set, &set_all_plan}, {&titles, &title_sequence_plan}, {&video, &video_adjust_plan}};
  for (const auto& [run, dialog] : shown) {
    EXPECT_EQ(static_cast<int>(run->steps.size()), dialog->step_count);
    EXPECT_EQ(run->timer_period_ms, dialog->period_ms);
    EXPECT_EQ(run->ends_in_its_step, dialog->ends_on_abort_after_step);
  }
  EXPECT_EQ(scan_transfer_plan().timeout_ms, 250);
  EXPECT_EQ(raw_lines_transfer_plan({"RAM"}).steps[0].command, "RAM\r\n");
}

// The timer pacing against TimedSequence on the same lines: the lines go to
// the engine and, through dispatch_reply, to the sequence's shared flags.
// At every tick both send the same command, or both nothing, and both end
// on the same tick.
void expect_same_ticks(AppState& app, TimedSequence& sequence, testing::RecordingSink& sink,
                       testing::RecordingReporter& reporter, const TransferPlan& plan,
                       const std::map<int, std::vector<std::string>>& lines_after_tick) {
  Transfer transfer(plan, {Pacing::timer, 0});
  AppState engine_app;
  reset_settings(engine_app);
  testing::RecordingReporter dispatch_boxes;
  transfer.start(TransferTime(0), {0, 0});
  ASSERT_TRUE(sequence.start());
  sink.commands.clear();
  reporter.boxes.clear();
  for (int tick = 1; tick <= 60 && (sequence.running() || transfer.running()); ++tick) {
    SCOPED_TRACE("tick " + std::to_string(tick));
    const TransferTime now(tick * plan.timer_period_ms);
    sequence.tick();
    TransferAction action = transfer.wake(now);
    if (action.box && !action.done) {
      EXPECT_EQ(reporter.boxes.size(), 1u);
      EXPECT_EQ(reporter.boxes.back().text, action.box->text);
      action = transfer.wake(now);  // the box is closed
    }
    reporter.boxes.clear();
    EXPECT_EQ(sink.commands.empty() ? std::string() : sink.commands.front(), action.send);
    EXPECT_EQ(sequence.running(), !action.done);
    sink.commands.clear();
    const auto lines = lines_after_tick.find(tick);
    if (lines == lines_after_tick.end()) continue;
    for (const std::string& line : lines->second) {
      dispatch_reply(app.link, app.record, dispatch_boxes, line);
      transfer.line(now + TransferTime(20), line, engine_app.record);
    }
  }
  EXPECT_FALSE(sequence.running());
  EXPECT_FALSE(transfer.running());
}

TEST(TransferTimer, MatchesTimedSequenceOnReadAllAndSetAll) {
  AppState app;
  reset_settings(app);
  testing::RecordingSink sink;
  testing::RecordingReporter reporter;
  testing::FakeSequenceView view;
  TimedSequence read_all = read_all_sequence(app, sink, view);
  // An error cleared by a later line, then a menu reply left standing.
  expect_same_ticks(app, read_all, sink, reporter, read_all_transfer_plan(),
                    {{10, {"E3\r\n", "VAB01000\r\n"}}, {20, {"MENU\r\n"}}});
  expect_same_ticks(app, read_all, sink, reporter, read_all_transfer_plan(), {{7, {"GN\r\n", "XYZ\r\n"}}});

  Operations ops(app, sink, reporter);
  TimedSequence set_all = set_all_sequence(ops, view);
  app.record.title[2].set("\xFA\x4A");  // no JIS form: the run ends
  expect_same_ticks(app, set_all, sink, reporter, set_all_transfer_plan(app), {});
  app.record.title[2].set("A");         // odd length: skipped
  app.record.alarm_hold_time.set("2");  // refused, the run goes on
  expect_same_ticks(app, set_all, sink, reporter, set_all_transfer_plan(app), {{40, {"E1\r\n"}}});
  expect_same_ticks(app, set_all, sink, reporter, set_all_transfer_plan(app), {{49, {"E0\r\n", "GO\r\n"}}});
}

}  // namespace
}  // namespace zanteq
