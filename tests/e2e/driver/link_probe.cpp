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
//   transfer read|write ADDRESS [stop-after N]
//                          one run at the reply pace through the TransferRunner, as
//                          a unit list makes it: read-all into a record of the
//                          probe's own, or set-all of a factory record, to ADDRESS
//                          (stop() once step N went out); waits for its end
//   outcome END STEPS      the last run ended so (completed, unit_error, silent,
//                          stopped, line_failed) with STEPS steps done
//   brightness unit|program CH VALUE
//                          brightness of channel CH in the run's record or in the
//                          program's record (which no run touches)
//   stop                   stop the link: must return within a second
#include <windows.h>

#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "core/bulk/transfer_plans.h"
#include "core/link/dispatch.h"
#include "win32/link/serial_port.h"
#include "win32/link/transfer_runner.h"
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

const char* const end_names[] = {"completed", "unit_error", "silent", "refused", "not_sent", "stopped", "line_failed"};

constexpr UINT_PTR transfer_timer = 1;

// The window a unit list's runs belong to: a message-only window whose
// procedure hands the runner its posted lines and its timer.
LRESULT CALLBACK transfer_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* runner = reinterpret_cast<zanteq::win32::TransferRunner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (runner && message == zanteq::win32::message_transfer_lines) {
    runner->on_lines();
    return 0;
  }
  if (runner && message == WM_TIMER && wparam == transfer_timer) {
    runner->on_timer();
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// What a unit list does with a run: notes its steps and boxes, shows none.
class TransferNotes final : public zanteq::win32::TransferClient {
 public:
  int stop_after = 0;
  zanteq::win32::TransferRunner* runner = nullptr;
  bool done = false;
  zanteq::TransferOutcome outcome;

  void transfer_step(int step) override {
    if (step == stop_after && runner) runner->stop();
  }
  void transfer_box(const zanteq::TransferBox& box, bool refusal) override {
    say("     run box%s \"%s\" (not shown)", refusal ? " (refusal)" : "", box.text.c_str());
  }
  void transfer_done(const zanteq::TransferOutcome& ended) override {
    outcome = ended;
    done = true;
  }
};

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
    if (command == "transfer") return transfer(word(w, 1, ""), static_cast<int>(number(w, 2, 0)), w, f);
    if (command == "outcome") return outcome(word(w, 1, ""), static_cast<int>(number(w, 2, 0)), f);
    if (command == "brightness") return brightness(word(w, 1, ""), static_cast<int>(number(w, 2, 1)),
                                                   static_cast<int>(number(w, 3, 0)), f);
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

  void transfer(const std::string& kind, int address, const std::vector<std::string>& w, Failure& f) {
    if (!window_) {
      WNDCLASSW window_class{};
      window_class.lpfnWndProc = transfer_window_proc;
      window_class.hInstance = GetModuleHandleW(nullptr);
      window_class.lpszClassName = L"ZanteqProbeTransfer";
      RegisterClassW(&window_class);
      window_ = CreateWindowW(L"ZanteqProbeTransfer", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              window_class.hInstance, nullptr);
      runner_ = std::make_unique<zanteq::win32::TransferRunner>(window_, transfer_timer, port_, notes_);
      SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(runner_.get()));
      notes_.runner = runner_.get();
    }
    zanteq::TransferPlan plan;
    if (kind == "read") {
      plan = zanteq::read_all_transfer_plan();
    } else if (kind == "write") {
      zanteq::reset_settings(factory_);
      plan = zanteq::set_all_transfer_plan(factory_);
    } else {
      f = {exit_fail, "transfer read or write, not '" + kind + "'"};
      return;
    }
    notes_.stop_after = word(w, 3, "") == "stop-after" ? static_cast<int>(number(w, 4, 0)) : 0;
    notes_.done = false;
    zanteq::reset_settings(unit_);
    const zanteq::TransferTarget target{app_.link.rs_control, address};
    if (!runner_->start(std::move(plan), zanteq::TransferPacing{zanteq::Pacing::replies, 0}, target, unit_.record)) {
      f = {exit_fail, "the run did not start"};
      return;
    }
    const ULONGLONG end = GetTickCount64() + 30000;
    MSG message;
    while (!notes_.done && GetTickCount64() < end) {
      if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
      } else {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      }
    }
    if (!notes_.done) {
      runner_->abandon();
      f = {exit_fail, "the run did not end within 30 s"};
      return;
    }
    const zanteq::TransferOutcome& o = notes_.outcome;
    say("     %s, %d of %d steps", end_names[static_cast<int>(o.end)], o.steps_done, o.step_count);
  }

  void outcome(const std::string& end, int steps, Failure& f) {
    const zanteq::TransferOutcome& o = notes_.outcome;
    if (end_names[static_cast<int>(o.end)] != end || o.steps_done != steps) {
      f = {exit_fail, std::string("the run ended ") + end_names[static_cast<int>(o.end)] + " with " +
                          std::to_string(o.steps_done) + " steps done"};
    }
  }

  void brightness(const std::string& whose, int channel, int expected, Failure& f) {
    const zanteq::DeviceSettings& record = whose == "unit" ? unit_.record : app_.record;
    const int seen = record.brightness[(channel - 1) & 3];
    if (seen != expected) f = {exit_fail, "the " + whose + " record holds brightness " + std::to_string(seen)};
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
  // The runs' side: their window, runner and records.
  HWND window_ = nullptr;
  TransferNotes notes_;
  std::unique_ptr<zanteq::win32::TransferRunner> runner_;
  zanteq::AppState unit_;     // the record a read decodes into
  zanteq::AppState factory_;  // the record a write sends
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
