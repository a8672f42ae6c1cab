// zanteqctl: reads, writes, compares and scans ZANTEQ units from the
// command line, for scripted provisioning of a site. The commands are the
// core's (read_all_command, plan_set_all, the settings file); the pacing
// waits for each reply instead of a timer, so a run takes as long as the
// wire needs.
//
// Everything the user gives is checked before the port is opened: bad usage
// or a bad file ends with exit status 2 and nothing on the wire.
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "core/bulk/bus_scan.h"
#include "core/bulk/read_all.h"
#include "core/bulk/set_all.h"
#include "core/link/address_list.h"
#include "core/link/framing.h"
#include "core/settings/record_compare.h"
#include "core/settings/settings_file.h"
#include "ctl/console.h"
#include "ctl/options.h"
#include "ctl/report.h"
#include "platform/files.h"
#include "platform/serial_line.h"
#include "platform/text.h"

namespace zanteq::ctl {

namespace {

using Clock = std::chrono::steady_clock;

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

// One open port and the state the core's exchange works on.
class Session {
 public:
  Session(std::unique_ptr<SerialLine> port, const Options& options)
      : port_(std::move(port)),
        options_(options),
        exchange_(*port_, app_.link, app_.record),
        progress_(stderr_is_terminal()) {
    reset_settings(app_);
  }

  AppState& app() { return app_; }
  Exchange& exchange() { return exchange_; }
  Progress& progress() { return progress_; }

  // Runs `commands` on one unit with progress; fills the byte counts and
  // the elapsed time.
  UnitOutcome run(const UnitTarget& target, const std::string& verb, const std::vector<std::string>& commands,
                  Expect expect, int period_ms) {
    aim_at(app_.link, target);
    RunSettings settings;
    settings.timeout_ms = options_.timeout_ms;
    settings.pace = target.broadcast() ? Pace::fixed : options_.pace;
    settings.period_ms = period_ms;
    settings.stop = &interrupted;
    settings.progress = [&](int done, int count) { progress_.show(label(target), verb, done, count); };
    if (progress_terminal())
      progress_.show(label(target), verb, 0, static_cast<int>(commands.size()));
    else
      say("zanteqctl: %s: %s ...\n", label(target), verb);

    const std::size_t sent = exchange_.bytes_sent(), received = exchange_.bytes_received();
    const auto start = Clock::now();
    UnitOutcome outcome = run_unit(exchange_, app_.link, commands, expect, settings);
    last_elapsed_ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    last_sent = exchange_.bytes_sent() - sent;
    last_received = exchange_.bytes_received() - received;
    progress_.clear();
    return outcome;
  }

  bool progress_terminal() const { return stderr_is_terminal(); }

  long long last_elapsed_ms = 0;
  std::size_t last_sent = 0;
  std::size_t last_received = 0;

 private:
  std::unique_ptr<SerialLine> port_;
  const Options& options_;
  AppState app_;
  Exchange exchange_;
  Progress progress_;
};

// The account of one unit's run on standard error.
void report_unit(const UnitTarget& target, const std::string& done_text, const UnitOutcome& outcome,
                 int timeout_ms) {
  const std::string who = label(target);
  switch (outcome.state) {
    case UnitOutcome::done:
      say("zanteqctl: %s: %s\n", who, done_text);
      break;
    case UnitOutcome::interrupted:
      say("zanteqctl: %s: %s\n", who,
          "interrupted after step " + std::to_string(outcome.steps_done) + " of " +
              std::to_string(outcome.step_count));
      break;
    case UnitOutcome::failed:
      if (outcome.failed_step > 0) {
        say("zanteqctl: %s: %s\n", who,
            "failed at step " + std::to_string(outcome.failed_step) + " of " +
                std::to_string(outcome.step_count) + " (" + outcome.command +
                "): " + describe_failure(outcome.reply, timeout_ms));
      }
      for (const std::string& u : outcome.unexpected)
        say("zanteqctl: %s: unexpected reply at %s\n", who, u);
      break;
  }
}

std::vector<std::string> read_commands() {
  std::vector<std::string> commands;
  for (int step = 1; step <= read_all_step_count; ++step) commands.push_back(read_all_command(step));
  return commands;
}

std::unique_ptr<SerialLine> open_port_or_say(const Options& options) {
  std::string error;
  std::unique_ptr<SerialLine> port = platform::open_serial_line(options.port, error);
  if (!port) say("zanteqctl: cannot open %s: %s\n", options.port, error);
  return port;
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
  auto port = open_port_or_say(options);
  if (!port) return exit_port;
  Session session(std::move(port), options);
  BusScan scan(session.exchange(), session.app().link, options.has_address ? options.addresses : every_address(),
               options.timeout_given ? options.timeout_ms : bus_scan_timeout_ms);
  Progress& progress = session.progress();

  while (!scan.finished()) {
    if (interrupted) {
      progress.clear();
      say("zanteqctl: scan interrupted before address %s%s\n", scan.next().name());
      return exit_failed;
    }
    progress.show("scan", label(scan.next()), static_cast<int>(scan.asked() + 1), static_cast<int>(scan.count()));
    const ScannedAddress result = scan.ask_next();
    if (result.answer == ScanAnswer::line_failed) {
      progress.clear();
      say("zanteqctl: %s: %s\n", options.port, "the port failed: " + result.line);
      return exit_failed;
    }
    if (result.answer == ScanAnswer::other_address) {
      progress.clear();
      say("zanteqctl: asking %s, a reply came from another address: %s\n", label(result.target),
          printable_reply(result.line));
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
  std::string unwritable;
  if (!platform::can_write_file(options.output, unwritable)) {
    say("zanteqctl: cannot write %s: %s\n", options.output, unwritable);
    return exit_usage;
  }
  auto port = open_port_or_say(options);
  if (!port) return exit_port;
  Session session(std::move(port), options);
  const UnitOutcome outcome =
      session.run(target, "read", read_commands(), Expect::data_line, read_all_plan.period_ms);

  UnitOutcome reported = outcome;
  std::string error;
  const bool saved = outcome.state == UnitOutcome::done &&
                     platform::replace_file(options.output, format_settings_file(session.app().record), error);
  if (outcome.state == UnitOutcome::done && !saved) {
    say("zanteqctl: cannot write %s: %s\n", options.output, error);
    reported.state = UnitOutcome::failed;
  }
  report_unit(target, "read into " + options.output, reported, options.timeout_ms);
  if (!saved) say("zanteqctl: %s not written\n", options.output);
  if (options.json) {
    JsonObject o = unit_object("read", target.name(), reported, session.last_elapsed_ms, session.last_sent,
                               session.last_received, options.timeout_ms);
    if (saved) o.add("file", options.output);
    if (outcome.state == UnitOutcome::done && !saved) o.add("reason", "cannot write " + options.output + ": " + error);
    std::printf("%s\n", o.text().c_str());
  }
  return reported.state == UnitOutcome::done ? exit_done : exit_failed;
}

// The set-all commands of a file, or exit status 2 with every refusal named.
bool plan_file(const std::string& path, std::vector<std::string>& commands) {
  AppState app;
  reset_settings(app);
  if (!load_settings(path, app.record)) return false;
  bool ok = true;
  const std::vector<PlannedStep> plan = plan_set_all(app);
  for (std::size_t i = 0; i < plan.size(); ++i) {
    const PlannedStep& step = plan[i];
    if (!step.command.empty()) {
      commands.push_back(step.command);
      continue;
    }
    ok = false;
    if (i < static_cast<std::size_t>(channel_count)) {
      say("zanteqctl: %s: %s\n", path,
          "the title of ch.0" + std::to_string(step.channel + 1) + " (line " +
              std::to_string(62 + step.channel) +
              ") cannot be sent: it holds a character with no JIS X 0208 form, or a single-byte character");
    } else {
      say("zanteqctl: %s: %s\n", path, "alarm_hold_time (line 3) cannot be sent: it must be 3 seconds or more");
    }
  }
  return ok;
}

int command_write(const Options& options) {
  std::vector<std::string> commands;
  if (!plan_file(options.operands.front(), commands)) return exit_usage;
  auto port = open_port_or_say(options);
  if (!port) return exit_port;
  Session session(std::move(port), options);

  int result = exit_done;
  bool port_failed = false;
  for (const UnitTarget& target : targets_of(options)) {
    if (interrupted || port_failed) {
      say("zanteqctl: %s: %s\n", label(target),
          port_failed ? "not started (the port failed)" : "not started (interrupted)");
      if (options.json)
        std::printf("%s\n", JsonObject().add("command", "write").add("unit", target.name()).add("result", "not started").text().c_str());
      result = exit_failed;
      continue;
    }
    const UnitOutcome outcome =
        session.run(target, "write", commands, Expect::accepted, set_all_plan.period_ms);
    report_unit(target,
                target.broadcast() ? "sent (" + std::to_string(outcome.steps_done) +
                                " commands; nothing answers a broadcast, check the units with diff)"
                          : "written (" + std::to_string(outcome.steps_done) + " commands)",
                outcome, options.timeout_ms);
    if (outcome.state != UnitOutcome::done) result = exit_failed;
    port_failed = outcome.failed_step > 0 && outcome.reply.kind == ReplyKind::line_failed;
    if (options.json)
      std::printf("%s\n", unit_object("write", target.name(), outcome, session.last_elapsed_ms, session.last_sent,
                                      session.last_received, options.timeout_ms)
                              .text()
                              .c_str());
    std::fflush(stdout);
  }
  return result;
}

// A value of the comparison for the console: a text in UTF-8 and quoted.
std::string shown_text(const std::string& bytes) {
  std::string text;
  return platform::cp932_to_utf8(bytes, text) ? text : printable_reply(bytes);
}

std::string shown_value(const FieldDifference& d, const std::string& value) {
  return d.text ? "\"" + shown_text(value) + "\"" : value;
}

int command_diff(const Options& options) {
  AppState wanted;
  reset_settings(wanted);
  if (!load_settings(options.operands.front(), wanted.record)) return exit_usage;
  const UnitTarget target = targets_of(options).front();
  auto port = open_port_or_say(options);
  if (!port) return exit_port;
  Session session(std::move(port), options);
  const UnitOutcome outcome =
      session.run(target, "read", read_commands(), Expect::data_line, read_all_plan.period_ms);
  if (outcome.state != UnitOutcome::done) {
    report_unit(target, "", outcome, options.timeout_ms);
    if (options.json)
      std::printf("%s\n", unit_object("diff", target.name(), outcome, session.last_elapsed_ms, session.last_sent,
                                      session.last_received, options.timeout_ms)
                              .text()
                              .c_str());
    return exit_failed;
  }

  std::vector<JsonObject> differences;
  for (const FieldDifference& d : compare_records(session.app().record, wanted.record)) {
    differences.push_back(JsonObject()
                              .add("field", d.name)
                              .add("line", static_cast<long long>(d.line))
                              .add("unit", d.text ? shown_text(d.unit) : d.unit)
                              .add("file", d.text ? shown_text(d.file) : d.file));
    if (!options.json)
      std::printf("%s: unit %s, file %s\n", d.name.c_str(), shown_value(d, d.unit).c_str(),
                  shown_value(d, d.file).c_str());
  }
  if (options.json) {
    JsonObject o = unit_object("diff", target.name(), outcome, session.last_elapsed_ms, session.last_sent,
                               session.last_received, options.timeout_ms);
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
    if (!printable) return usage_error("send takes printable ASCII command lines, not \"" + printable_reply(operand) + "\"");
    if (line.size() + 2 > max_command_length) return usage_error("the line \"" + line + "\" is too long");
    lines.push_back(line + "\r\n");
  }
  const UnitTarget target = targets_of(options).front();
  auto port = open_port_or_say(options);
  if (!port) return exit_port;
  Session session(std::move(port), options);
  aim_at(session.app().link, target);

  int result = exit_done;
  std::vector<JsonObject> replies;
  const auto start = Clock::now();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (interrupted) {
      say("zanteqctl: %s: %s\n", label(target), "interrupted after line " + std::to_string(i));
      result = exit_failed;
      break;
    }
    if (i > 0 && target.broadcast())
      std::this_thread::sleep_for(std::chrono::milliseconds(set_all_plan.period_ms));
    const std::string shown = printable_reply(lines[i]);
    const Reply reply = session.exchange().ask(lines[i], options.timeout_ms);
    JsonObject entry;
    entry.add("line", shown);
    if (reply.kind == ReplyKind::answered || reply.kind == ReplyKind::refused) {
      if (!options.json) std::printf("%s\n", printable_reply(reply.text).c_str());
      entry.add("reply", printable_reply(reply.text));
      if (!reply.message.empty()) entry.add("message", reply.message);
    }
    if (reply.kind != ReplyKind::answered && reply.kind != ReplyKind::not_awaited) {
      say("zanteqctl: %s: %s\n", label(target), shown + ": " + describe_failure(reply, options.timeout_ms));
      entry.add("reason", describe_failure(reply, options.timeout_ms));
      result = exit_failed;
    }
    replies.push_back(entry);
    std::fflush(stdout);
    if (reply.kind == ReplyKind::line_failed) break;
  }
  if (options.json) {
    const long long elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    std::printf("%s\n", JsonObject()
                            .add("command", "send")
                            .add("unit", target.name())
                            .add("result", result == exit_done ? "done" : "failed")
                            .add("elapsed_ms", elapsed)
                            .add_objects("replies", replies)
                            .text()
                            .c_str());
  }
  return result;
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
