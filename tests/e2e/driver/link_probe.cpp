// Link probe of the end-to-end tests: the program's own serial link (port,
// line settings, overlapped writes, the receiving thread, line assembly,
// reply dispatch and the reply watch) driven by a script against the
// simulator, without the windows around it. Boxes are recorded instead of
// shown, so a scenario can expect them in order.
//
//   zanteq-link-probe.exe <script>
//
// Commands (same script form as the UI driver, see tests/e2e/README.md):
//   open N                 open_port for com_port N and start the receiving thread
//   interface 0|1          rs_control
//   address N              slave_address (32 = broadcast)
//   send TEXT              send_command
//   box KIND TEXT [MS] [EARLIEST]
//                          the next box is KIND (success, error, warning) with TEXT,
//                          within MS (default 5000) but not before EARLIEST ms,
//                          while the 300 ms watch ticks
//   nobox MS               no box for MS while the watch ticks
//   pending 0|1            reply_pending
//   idle-cpu MS PERCENT    the probe uses at most PERCENT of one core over MS
//   stop                   stop the link: must return within a second
#include <windows.h>

#include <deque>
#include <mutex>
#include <string>

#include "core/link/dispatch.h"
#include "win32/link/serial_port.h"
#include "tests/e2e/driver/script.h"

namespace {

using namespace e2e;

constexpr DWORD tick_ms = 300;

struct RecordedBox {
  std::string kind;
  std::string text;
};

// Boxes come from the receiving thread (error replies) and from the watch.
class RecordingReporter final : public zanteq::Reporter {
 public:
  void show_success_box(const char* text) override { record("success", text); }
  void show_error_box(const char* text) override { record("error", text); }
  void show_warning_box(const char* text) override { record("warning", text); }

  bool take(RecordedBox& box) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (boxes_.empty()) return false;
    box = boxes_.front();
    boxes_.pop_front();
    return true;
  }

 private:
  void record(const char* kind, const char* text) {
    say("     box %s \"%s\"", kind, shown(std::string(text)).c_str());
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.push_back({kind, text});
  }

  std::mutex mutex_;
  std::deque<RecordedBox> boxes_;
};

ULONGLONG process_cpu_100ns() {
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  const auto value = [](FILETIME t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return value(kernel) + value(user);
}

class Probe {
 public:
  void step(const std::vector<std::string>& w, Failure& f) {
    const std::string& command = w[0];
    if (command == "open") return open(static_cast<int>(number(w, 1, 0)));
    if (command == "interface") {
      app_.link.rs_control = static_cast<int>(number(w, 1, 0));
      return;
    }
    if (command == "address") {
      app_.link.slave_address = static_cast<int>(number(w, 1, 0));
      return;
    }
    if (command == "send") return port_.send_command(word(w, 1, ""));
    if (command == "box") return box(word(w, 1, ""), word(w, 2, ""), number(w, 3, 5000), number(w, 4, 0), f);
    if (command == "nobox") return no_box(number(w, 1, 1000), f);
    if (command == "pending") return pending(static_cast<int>(number(w, 1, 0)), f);
    if (command == "idle-cpu") return idle_cpu(number(w, 1, 10000), number(w, 2, 1), f);
    if (command == "stop") return stop(f);
    f = {exit_fail, "unknown command '" + command + "'"};
  }

  void end() { port_.stop(); }

 private:
  void open(int com_port) {
    zanteq::reset_settings(app_);
    app_.link.receiving = 1;
    port_.open_port(com_port);
    if (!port_.start_read_thread()) reporter_.show_warning_box("error creating read thread");
  }

  // The main timer's work: one watch tick every 300 ms.
  void tick_for(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
      const ULONGLONG next = next_tick_;
      const ULONGLONG now = GetTickCount64();
      if (now >= next) {
        zanteq::reply_tick(app_.link, reporter_);
        next_tick_ = now + tick_ms;
      }
      Sleep(10);
    }
  }

  void box(const std::string& kind, const std::string& text, unsigned long timeout, unsigned long earliest,
           Failure& f) {
    RecordedBox seen;
    const ULONGLONG start = GetTickCount64();
    while (!reporter_.take(seen)) {
      if (GetTickCount64() - start > timeout) {
        f = {exit_fail, "no box " + kind + " \"" + shown(text) + "\""};
        return;
      }
      tick_for(20);
    }
    const ULONGLONG after = GetTickCount64() - start;
    say("     after %llu ms", static_cast<unsigned long long>(after));
    if (seen.kind != kind || seen.text != text) {
      f = {exit_fail, "the box is " + seen.kind + " \"" + shown(seen.text) + "\""};
    } else if (after < earliest) {
      f = {exit_fail, "the box came too early"};
    }
  }

  void no_box(unsigned long ms, Failure& f) {
    tick_for(ms);
    RecordedBox seen;
    if (reporter_.take(seen)) f = {exit_fail, "unexpected box " + seen.kind + " \"" + shown(seen.text) + "\""};
  }

  void pending(int expected, Failure& f) {
    if (app_.link.reply_pending != expected) {
      f = {exit_fail, "reply_pending is " + std::to_string(app_.link.reply_pending.load())};
    }
  }

  // Measured without ticking: the receiving thread alone.
  void idle_cpu(unsigned long ms, unsigned long percent, Failure& f) {
    const ULONGLONG cpu_before = process_cpu_100ns();
    const ULONGLONG wall_before = GetTickCount64();
    Sleep(ms);
    const double cpu_ms = (process_cpu_100ns() - cpu_before) / 10000.0;
    const double wall_ms = static_cast<double>(GetTickCount64() - wall_before);
    const double used = 100.0 * cpu_ms / wall_ms;
    say("     %.2f %% of one core over %.0f ms", used, wall_ms);
    if (used > static_cast<double>(percent)) f = {exit_fail, "the idle link is busy"};
  }

  void stop(Failure& f) {
    const ULONGLONG start = GetTickCount64();
    port_.stop();
    const ULONGLONG took = GetTickCount64() - start;
    say("     stopped in %llu ms", static_cast<unsigned long long>(took));
    if (took > 1000) f = {exit_fail, "stopping the link took too long"};
  }

  zanteq::AppState app_;
  RecordingReporter reporter_;
  zanteq::win32::SerialPort port_{app_, reporter_};
  ULONGLONG next_tick_ = 0;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    say("usage: zanteq-link-probe.exe <script>");
    return exit_fail;
  }
  const std::vector<std::string> lines = read_lines(argv[1]);
  if (lines.empty()) {
    say("FAIL: cannot read the script %s", utf8(argv[1]).c_str());
    return exit_fail;
  }
  static Probe probe;
  const int code = run_script(
      lines, [](const std::vector<std::string>& words, Failure& f) { probe.step(words, f); }, [] {});
  probe.end();
  return code;
}
