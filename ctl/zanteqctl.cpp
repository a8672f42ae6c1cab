// zanteqctl: reads, writes, compares and scans ZANTEQ units from the
// command line, for scripted provisioning of a site. The commands are the
// core's plans (read-all, set-all from a settings file, the scan question,
// raw lines); every run goes through the transfer engine, driven from a
// blocking loop (core/link/transfer_loop.h) at the pace of the replies, so
// a run takes as long as the wire needs.
//
// Everything the user gives is checked before the port is opened: bad usage
// or a bad file ends with exit status 2 and nothing on the wire.
#include <cstdio>
#include <memory>

#include "core/bulk/bus_scan.h"
#include "core/bulk/read_all.h"
#include "core/bulk/set_all.h"
#include "core/bulk/transfer_plans.h"
#include "core/link/address_list.h"
#include "core/link/framing.h"
#include "core/link/transfer_loop.h"
#include "core/log/comm_log.h"
#include "core/log/log_file.h"
#include "core/log/log_format.h"
#include "core/settings/record_compare.h"
#include "core/settings/settings_fields.h"
#include "core/settings/settings_file.h"
#include "ctl/console.h"
#include "ctl/options.h"
#include "ctl/report.h"
#include "platform/files.h"
#include "platform/serial_line.h"
#include "platform/text.h"

namespace zanteq::ctl {

namespace {

constexpr int exit_done = 0;
constexpr int exit_failed = 1;
constexpr int exit_usage = 2;
constexpr int exit_port = 3;

std::atomic<int> interrupted{0};

void say(const char* format, const std::string& a = {}, const std::string& b = {}) {
  std::fprintf(stderr, format, a.c_str(), b.c_str());
}

int usage_error(const std::string& message) {
  std::fprintf(stderr, "zanteqctl: %s\n(zanteqctl --help shows the usage)\n", message.c_str());
  return exit_usage;
}

// The unit as the messages name it.
std::string label(const UnitTarget& target) {
  if (target.rs_control == 0) return "the unit";
  if (target.broadcast()) return "all units (broadcast)";
  return "unit " + target.name();
}

std::vector<UnitTarget> targets_of(const Options& options) {
  return unit_targets(options.has_address ? &options.addresses : nullptr, options.broadcast);
}

// A plan with the time-out of --timeout.
TransferPlan timed(TransferPlan plan, const Options& options) {
  plan.timeout_ms = options.timeout_ms;
  return plan;
}

// How a plan runs: at the pace of the replies, with --pace fixed no sooner
// than the program's period. A broadcast goes on the timer whatever this
// says (the engine's rule).
TransferPacing pacing_of(const Options& options, const TransferPlan& plan) {
  return TransferPacing{Pacing::replies, options.pace == Pace::fixed ? plan.timer_period_ms : 0};
}

// A settings file checked line by line and loaded over the factory values.
bool load_settings(const std::string& path, DeviceSettings& record) {
  std::string content, error;
  if (!platform::read_file(path, content, error)) {
    say("zanteqctl: cannot read %s: %s\n", path, error);
    return false;
  }
  if (const auto fault = read_settings_file(record, content)) {
    say("zanteqctl: %s: damaged settings file: %s\n", path + ":" + std::to_string(fault->line), fault->reason);
    return false;
  }
  if (const auto problem = check_settings_ranges(record)) {
    say("zanteqctl: %s: damaged settings file: %s\n", path + ":" + std::to_string(problem->line), problem->text);
    return false;
  }
  return true;
}

// A file named before anything is sent must be writable: a run whose
// result cannot be kept is not started.
bool writable_or_say(const std::string& path) {
  std::string error;
  if (platform::can_write_file(path, error)) return true;
  say("zanteqctl: cannot write %s: %s\n", path, error);
  return false;
}

// --log FILE: the communication log's rows, through the core's formatter,
// appended to FILE as they happen (taken after every step of a run, so a
// second Ctrl-C loses at most the last one). The first failure to write is
// said once; the units' work goes on.
class LogOutput {
 public:
  explicit LogOutput(const std::string& path) : path_(path) {
    if (path.empty()) return;
    store_ = std::make_unique<PathLogFileStore>(platform::file_path(path));
    writer_ = std::make_unique<LogFileWriter>(*store_);
  }
  ~LogOutput() { flush(); }

  CommLog* queue() { return writer_ ? &queue_ : nullptr; }

  void port(LogKind kind, const std::string& name, const std::string& reason = {}) {
    if (writer_) queue_.append(port_event(wall_clock_ms(), kind, name, reason));
  }

  void flush() {
    if (!writer_) return;
    const LogBatch batch = queue_.take_all();
    if (batch.events.empty() && batch.dropped == 0) return;
    if (writer_->append(rows_of(batch)) == LogFileWriter::Result::failed)
      say("zanteqctl: cannot write %s%s\n", path_, ": the log stops here");
  }

 private:
  std::string path_;
  CommLog queue_;
  std::unique_ptr<PathLogFileStore> store_;
  std::unique_ptr<LogFileWriter> writer_;
};

// The port that --port names. The one place a port is opened: a network
// transport goes beside the serial line here.
std::unique_ptr<SerialLine> open_port(const Options& options, LogOutput& log) {
  std::string error;
  std::unique_ptr<SerialLine> port = platform::open_serial_line(options.port, error);
  if (port) {
    log.port(LogKind::port_opened, options.port);
  } else {
    log.port(LogKind::port_failed, options.port, error);
    say("zanteqctl: cannot open %s: %s\n", options.port, error);
  }
  log.flush();
  return port;
}

// One open port, the loop that drives the engine over it, and the log.
class Session {
 public:
  Session(std::unique_ptr<SerialLine> port, const Options& options, LogOutput& log)
      : port_(std::move(port)),
        options_(options),
        log_(log),
        loop_(*port_, system_loop_clock(), log.queue()),
        progress_(stderr_is_terminal()) {
    loop_.watch_stop(&interrupted);
    reset_settings(scratch_);
  }
  ~Session() {
    loop_.take_waiting();  // lines that came after the last run, for the log
    log_.port(LogKind::port_closed, options_.port);
    log_.flush();
  }

  Progress& progress() { return progress_; }
  // Replies nobody keeps (a write's, a scan's) go into this record.
  DeviceSettings& scratch() { return scratch_.record; }

  // Runs `transfer` on one unit with progress, its data lines into `record`.
  LoopRun run(Transfer& transfer, const UnitTarget& target, const std::string& verb, DeviceSettings& record) {
    const std::string who = label(target);
    int shown = -1;
    loop_.after_each([&](const Transfer& t) {
      log_.flush();
      if (t.outcome().steps_done != shown) {
        shown = t.outcome().steps_done;
        progress_.show(who, verb, shown, static_cast<int>(t.plan().steps.size()));
      }
    });
    if (!stderr_is_terminal()) say("zanteqctl: %s: %s ...\n", who, verb);
    const LoopRun result = loop_.run(transfer, transfer_target(target), record);
    loop_.after_each(nullptr);
    progress_.clear();
    if (transfer.outcome().end == TransferEnd::line_failed)
      log_.port(LogKind::port_lost, options_.port, transfer.outcome().message);
    log_.flush();
    return result;
  }

  // A run without progress of its own (a scan question).
  LoopRun ask(Transfer& transfer, const UnitTarget& target, DeviceSettings& record) {
    loop_.after_each([this](const Transfer&) { log_.flush(); });
    const LoopRun result = loop_.run(transfer, transfer_target(target), record);
    if (transfer.outcome().end == TransferEnd::line_failed)
      log_.port(LogKind::port_lost, options_.port, transfer.outcome().message);
    log_.flush();
    return result;
  }

 private:
  std::unique_ptr<SerialLine> port_;
  const Options& options_;
  LogOutput& log_;
  TransferLoop loop_;
  Progress progress_;
  AppState scratch_;
};

// The account of one unit's run on standard error.
void report_unit(const UnitTarget& target, const std::string& done_text, UnitResult result,
                 const Transfer& transfer) {
  const std::string who = label(target);
  const TransferOutcome& outcome = transfer.outcome();
  switch (result) {
    case UnitResult::done:
      say("zanteqctl: %s: %s\n", who, done_text);
      break;
    case UnitResult::interrupted:
      say("zanteqctl: %s: %s\n", who,
          "interrupted after step " + std::to_string(outcome.steps_done) + " of " +
              std::to_string(outcome.step_count));
      break;
    case UnitResult::failed:
      if (const std::string failure = failure_text(transfer); !failure.empty()) say("zanteqctl: %s: %s\n", who, failure);
      break;
  }
  for (const std::string& note : run_notes(outcome)) say("zanteqctl: %s: %s\n", who, note);
}

int command_ports(const Options& options) {
  for (const std::string& line : platform::list_serial_ports()) {
    if (options.json)
      std::printf("%s\n", JsonObject().add("port", line.substr(0, line.find("  "))).add("description", line).text().c_str());
    else
      std::printf("%s\n", line.c_str());
  }
  return exit_done;
}

int command_scan(const Options& options) {
  if (!options.log.empty() && !writable_or_say(options.log)) return exit_usage;
  LogOutput log(options.log);
  auto port = open_port(options, log);
  if (!port) return exit_port;
  Session session(std::move(port), options, log);
  BusScan scan(options.has_address ? options.addresses : every_address(),
               options.timeout_given ? options.timeout_ms : scan_timeout_ms);
  Progress& progress = session.progress();

  while (!scan.finished()) {
    if (interrupted) {
      progress.clear();
      say("zanteqctl: scan interrupted before address %s%s\n", scan.next().name());
      return exit_failed;
    }
    progress.show("scan", label(scan.next()), static_cast<int>(scan.asked() + 1), static_cast<int>(scan.count()));
    session.ask(scan.question(), scan.next(), session.scratch());
    const ScannedAddress result = scan.take_answer();
    if (result.answer == ScanAnswer::line_failed) {
      progress.clear();
      say("zanteqctl: %s: %s\n", options.port, "the port failed: " + result.line);
      return exit_failed;
    }
    for (const std::string& line : result.foreign) {
      progress.clear();
      say("zanteqctl: asking %s, a reply came from another address: %s\n", label(result.target), line);
    }
    const bool answered = result.answer == ScanAnswer::answered;
    if (options.json) {
      progress.clear();
      std::printf("%s\n", JsonObject()
                              .add("command", "scan")
                              .add("unit", result.target.name())
                              .add("result", answered ? "answered" : "silent")
                              .text()
                              .c_str());
    } else if (answered) {
      progress.clear();
      std::printf("%s\n", result.target.name().c_str());
    }
    std::fflush(stdout);
  }
  progress.clear();
  return exit_done;
}

int command_read(const Options& options) {
  const UnitTarget target = targets_of(options).front();
  if (!writable_or_say(options.output)) return exit_usage;
  if (!options.log.empty() && !writable_or_say(options.log)) return exit_usage;
  LogOutput log(options.log);
  auto port = open_port(options, log);
  if (!port) return exit_port;
  Session session(std::move(port), options, log);
  AppState unit;
  reset_settings(unit);
  const TransferPlan plan = timed(read_all_transfer_plan(), options);
  Transfer transfer(plan, pacing_of(options, plan));
  const LoopRun run = session.run(transfer, target, "read", unit.record);
  UnitResult result = unit_result(transfer);

  std::string error;
  const bool saved =
      result == UnitResult::done && platform::replace_file(options.output, format_settings_file(unit.record), error);
  if (result == UnitResult::done && !saved) {
    say("zanteqctl: cannot write %s: %s\n", options.output, error);
    result = UnitResult::failed;
  }
  report_unit(target, "read into " + options.output, result, transfer);
  if (!saved) say("zanteqctl: %s not written\n", options.output);
  if (options.json) {
    JsonObject o = unit_object("read", target.name(), result, transfer, run);
    if (saved) o.add("file", options.output);
    if (!saved && !error.empty()) o.add("reason", "cannot write " + options.output + ": " + error);
    std::printf("%s\n", o.text().c_str());
  }
  return result == UnitResult::done ? exit_done : exit_failed;
}

// Why the value of a refused step cannot be sent, for the line it names.
std::string refusal_text(const TransferStep& step) {
  const SettingsLine line = settings_line(step.file_line);
  const std::string where = " (line " + std::to_string(step.file_line) + ") cannot be sent: ";
  if (line.field && line.field->kind == FieldKind::title)
    return "the title of ch.0" + std::to_string(line.index + 1) + where +
           "it holds a character with no JIS X 0208 form, or a single-byte character";
  if (line.field && line.field->kind == FieldKind::hold_time)
    return settings_file_line_name(step.file_line) + where + "it must be 3 seconds or more";
  return settings_file_line_name(step.file_line) + where + (step.refusal ? step.refusal->text : std::string());
}

// The set-all plan of a file; false, with every refusal named by its own
// line of the file, when a step would be refused.
bool plan_file(const std::string& path, TransferPlan& plan) {
  AppState app;
  reset_settings(app);
  if (!load_settings(path, app.record)) return false;
  plan = set_all_transfer_plan(app);
  bool ok = true;
  for (const TransferStep& step : plan.steps) {
    if (!step.refusal) continue;
    ok = false;
    say("zanteqctl: %s: %s\n", path, refusal_text(step));
  }
  return ok;
}

int command_write(const Options& options) {
  TransferPlan plan;
  if (!plan_file(options.operands.front(), plan)) return exit_usage;
  plan.timeout_ms = options.timeout_ms;
  if (!options.log.empty() && !writable_or_say(options.log)) return exit_usage;
  LogOutput log(options.log);
  auto port = open_port(options, log);
  if (!port) return exit_port;
  Session session(std::move(port), options, log);
  // One engine for every unit, started again for the next.
  Transfer transfer(plan, pacing_of(options, plan));

  int status = exit_done;
  bool port_failed = false;
  for (const UnitTarget& target : targets_of(options)) {
    if (interrupted || port_failed) {
      say("zanteqctl: %s: %s\n", label(target),
          port_failed ? "not started (the port failed)" : "not started (interrupted)");
      if (options.json)
        std::printf("%s\n", JsonObject().add("command", "write").add("unit", target.name()).add("result", "not started").text().c_str());
      status = exit_failed;
      continue;
    }
    const LoopRun run = session.run(transfer, target, "write", session.scratch());
    const UnitResult result = unit_result(transfer);
    const std::string done_count = std::to_string(transfer.outcome().steps_done);
    report_unit(target,
                target.broadcast()
                    ? "sent (" + done_count + " commands; nothing answers a broadcast, check the units with diff)"
                    : "written (" + done_count + " commands)",
                result, transfer);
    if (result != UnitResult::done) status = exit_failed;
    port_failed = transfer.outcome().end == TransferEnd::line_failed;
    if (options.json) std::printf("%s\n", unit_object("write", target.name(), result, transfer, run).text().c_str());
    std::fflush(stdout);
  }
  return status;
}

// A value of the comparison for the console: a text in UTF-8 and quoted.
std::string shown_text(const std::string& bytes) {
  std::string text;
  return platform::cp932_to_utf8(bytes, text) ? text : printable_line(bytes);
}

std::string shown_value(const FieldDifference& d, const std::string& value) {
  return d.text ? "\"" + shown_text(value) + "\"" : value;
}

int command_diff(const Options& options) {
  AppState wanted;
  reset_settings(wanted);
  if (!load_settings(options.operands.front(), wanted.record)) return exit_usage;
  if (!options.log.empty() && !writable_or_say(options.log)) return exit_usage;
  const UnitTarget target = targets_of(options).front();
  LogOutput log(options.log);
  auto port = open_port(options, log);
  if (!port) return exit_port;
  Session session(std::move(port), options, log);
  AppState unit;
  reset_settings(unit);
  const TransferPlan plan = timed(read_all_transfer_plan(), options);
  Transfer transfer(plan, pacing_of(options, plan));
  const LoopRun run = session.run(transfer, target, "read", unit.record);
  const UnitResult result = unit_result(transfer);
  if (result != UnitResult::done) {
    report_unit(target, "", result, transfer);
    if (options.json) std::printf("%s\n", unit_object("diff", target.name(), result, transfer, run).text().c_str());
    return exit_failed;
  }

  std::vector<JsonObject> differences;
  for (const FieldDifference& d : compare_records(unit.record, wanted.record)) {
    differences.push_back(JsonObject()
                              .add("field", d.name)
                              .add("line", static_cast<long long>(d.line))
                              .add("unit", d.text ? shown_text(d.unit) : d.unit)
                              .add("file", d.text ? shown_text(d.file) : d.file));
    if (!options.json)
      std::printf("%s: unit %s, file %s\n", d.name.c_str(), shown_value(d, d.unit).c_str(),
                  shown_value(d, d.file).c_str());
  }
  for (const std::string& note : run_notes(transfer.outcome())) say("zanteqctl: %s: %s\n", label(target), note);
  if (options.json) {
    JsonObject o = unit_object("diff", target.name(), result, transfer, run);
    o.add("same", differences.empty()).add_objects("differences", differences);
    std::printf("%s\n", o.text().c_str());
  }
  return differences.empty() ? exit_done : exit_failed;
}

int command_send(const Options& options) {
  std::vector<std::string> lines;
  for (const std::string& operand : options.operands) {
    std::string line = operand;
    if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) line.resize(line.size() - 2);
    bool printable = !line.empty();
    for (const char c : line) printable = printable && c >= 0x20 && c < 0x7F;
    if (!printable) return usage_error("send takes printable ASCII command lines, not \"" + printable_line(operand) + "\"");
    if (line.size() + 2 > max_command_length) return usage_error("the line \"" + line + "\" is too long");
    lines.push_back(line);
  }
  if (!options.log.empty() && !writable_or_say(options.log)) return exit_usage;
  const UnitTarget target = targets_of(options).front();
  LogOutput log(options.log);
  auto port = open_port(options, log);
  if (!port) return exit_port;
  Session session(std::move(port), options, log);
  const TransferPlan plan = timed(raw_lines_transfer_plan(lines), options);
  Transfer transfer(plan, pacing_of(options, plan));
  AppState unit;
  reset_settings(unit);
  const LoopRun run = session.ask(transfer, target, unit.record);
  const TransferOutcome& outcome = transfer.outcome();

  int status = exit_done;
  std::vector<JsonObject> replies;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const StepReport& step = outcome.steps[i];
    if (step.state == StepReport::not_reached) break;
    JsonObject entry;
    entry.add("line", lines[i]);
    std::string reason;
    if (step.state == StepReport::answered) {
      // The reply as the unit meant it, without the address.
      const std::string text = target.rs_control != 0 && step.reply.size() >= 2 ? step.reply.substr(2) : step.reply;
      if (!options.json) std::printf("%s\n", text.c_str());
      entry.add("reply", text);
      // The box the program shows for such a reply outside a run.
      const char* box = step.reply_class == ReplyClass::not_applied
                            ? "Mode Error"
                            : reply_box_text(classify_reply(text + "\r\n", ReplyContext{}));
      if (box) entry.add("message", box);
      if (box && reply_aborts(step.reply_class)) reason = "reply " + text + " (" + box + ")";
    } else if (step.state == StepReport::unanswered) {
      reason = "no reply within " + std::to_string(plan.timeout_ms) + " ms";
    }
    if (!reason.empty()) {
      say("zanteqctl: %s: %s\n", label(target), lines[i] + ": " + reason);
      entry.add("reason", reason);
      status = exit_failed;
    }
    replies.push_back(entry);
  }
  std::fflush(stdout);
  if (outcome.end == TransferEnd::stopped) {
    say("zanteqctl: %s: %s\n", label(target), "interrupted after line " + std::to_string(outcome.steps_done));
    status = exit_failed;
  } else if (outcome.end != TransferEnd::completed) {
    say("zanteqctl: %s: %s\n", label(target), failure_text(transfer));
    status = exit_failed;
  }
  for (const std::string& note : run_notes(outcome)) say("zanteqctl: %s: %s\n", label(target), note);
  if (options.json) {
    std::printf("%s\n", JsonObject()
                            .add("command", "send")
                            .add("unit", target.name())
                            .add("result", status == exit_done ? "done" : "failed")
                            .add("elapsed_ms", run.elapsed_ms)
                            .add("bytes_sent", static_cast<long long>(run.bytes_sent))
                            .add("bytes_received", static_cast<long long>(run.bytes_received))
                            .add_objects("replies", replies)
                            .text()
                            .c_str());
  }
  return status;
}

}  // namespace

int run_zanteqctl(const std::vector<std::string>& args) {
  Options options;
  std::string error;
  if (!parse_options(args, options, error)) return usage_error(error);
  if (options.help) {
    std::fputs(usage_text, stdout);
    return exit_done;
  }
  watch_interrupt(interrupted);
  const std::string& c = options.command;
  if (c == "ports") return command_ports(options);
  if (c == "scan") return command_scan(options);
  if (c == "read") return command_read(options);
  if (c == "write") return command_write(options);
  if (c == "diff") return command_diff(options);
  return command_send(options);
}

}  // namespace zanteq::ctl
