// The window side of a transfer at the pace of the replies: one run of the
// transfer engine (core/link/transfer.h) driven from a window of the
// program, so that each command goes out as soon as the unit has answered
// the one before.
//
// What it does, and what it leaves to its caller:
//  - the line: while the run goes it holds the serial link's hand-off
//    (SerialPort::begin_transfer), so every complete line goes to this run
//    and to nothing else; the receiving thread posts message_transfer_lines
//    to the window as soon as a line's LF is in, and the window hands the
//    message to on_lines();
//  - the time: a one-shot timer on the window (the caller names its id)
//    serves the engine's wake-ups (a command's time-out, a minimum period);
//    the window hands WM_TIMER of that id to on_timer();
//  - sending: each command the engine frames goes out through the serial
//    port; a port that is not there or goes away ends the run with the
//    link's one box (said by SerialPort), never with a "No Connect" after it;
//  - the record: the caller names the record the replies decode into, at
//    each start (the program's, or one of its own per unit);
//  - what the user sees: nothing here. The caller's TransferClient hears of
//    each step, each box the engine asks for and the end, and decides what
//    to show: the program's bulk dialogs move their bar and show the boxes
//    runs have always shown; a unit list keeps a row per unit and shows no
//    box at all.
//
// A unit list works units one after another with one runner: start() the
// next unit from transfer_done() or later, each with its own plan, target
// and record; stop() finishes the command on the wire first (its reply or
// its time-out), abandon() ends at once when the window goes away.
//
//     TransferRunner runner(dialog, TIMER_UNITS, serial_port(), client);
//     runner.start(read_all_transfer_plan(), {Pacing::replies, 0}, {1, 3}, unit_record);
//     // dialog procedure:
//     case message_transfer_lines: runner.on_lines(); return TRUE;
//     case WM_TIMER: if (wparam == TIMER_UNITS) runner.on_timer(); return TRUE;
//     case WM_DESTROY: runner.abandon(); return FALSE;
//
// Re-entry: a client that shows a box modally (a refusal holds the run at
// its step) runs a message loop inside the runner's call; lines and timer
// ticks that come meanwhile wait until it returns. Keep the runner in the
// window's state and abandon it at WM_DESTROY. The client may end the
// dialog from its calls; should the runner go with it, it touches nothing
// more on the way out.
//
// Lines that wait when a command goes out came before it and cannot be its
// answer (a late or doubled answer to the one before): they are dropped, as
// a blocking caller drops the input waiting before it writes.
//
// Threads: the interface thread only (the hand-off takes the receiving
// thread's lines).
#pragma once

#include <windows.h>

#include <memory>
#include <optional>

#include "core/link/transfer.h"
#include "core/settings/record.h"

namespace zanteq::win32 {

class SerialPort;

// Posted to the window that runs a transfer when its lines wait.
constexpr UINT message_transfer_lines = WM_APP + 16;

// What a run tells the window that started it. Interface thread.
class TransferClient {
 public:
  virtual ~TransferClient() = default;
  // Step 1.. went out, or was refused before sending: the run's progress.
  virtual void transfer_step(int step) = 0;
  // A box the engine asks for now. `refusal`: a step refused before
  // sending (a hold time below 3 s, a title without JIS form); the run
  // holds at that step until this returns, so a client that shows it
  // modally holds the run while it is open. Otherwise an error or menu
  // reply, "No Connect" or "Success"; the run does not wait for these.
  virtual void transfer_box(const TransferBox& box, bool refusal) = 0;
  // The run is over: outcome() says how (describe_transfer_end), and the
  // line is the dispatch's again.
  virtual void transfer_done(const TransferOutcome& outcome) = 0;
};

class TransferRunner {
 public:
  TransferRunner(HWND window, UINT_PTR timer_id, SerialPort& port, TransferClient& client);
  ~TransferRunner();
  TransferRunner(const TransferRunner&) = delete;
  TransferRunner& operator=(const TransferRunner&) = delete;

  // Starts a run: false (and nothing happens) while this or another run
  // holds the line. Replies decode into `record`, which must live until
  // the run is over. The first command goes out before this returns; a
  // run that ends at once (no port) has told its client already.
  bool start(TransferPlan plan, TransferPacing pacing, TransferTarget target, DeviceSettings& record);

  // The window's message_transfer_lines and WM_TIMER of `timer_id`.
  void on_lines();
  void on_timer();

  // Ends the run once the command on the wire is finished (its reply or
  // its time-out); the client hears of the end as usual.
  void stop();
  // Ends the run at once and tells the client nothing more (the window is
  // going away). The line goes back to the dispatch, so the answer to a
  // command still on the wire is dispatched as any other line.
  void abandon();

  bool running() const { return running_; }
  // The engine of the last run (its step, its outcome); nullptr before
  // the first start.
  const Transfer* transfer() const { return transfer_ ? &*transfer_ : nullptr; }

 private:
  void act(TransferAction action);
  bool send(std::string bytes);
  void serve_waiting();
  void feed_lines();
  void wake_if_due();
  TransferAction port_failed();
  void arm_timer(TransferTime wake_at);
  void disarm_timer();
  void finish();
  static TransferTime now();

  const HWND window_;
  const UINT_PTR timer_id_;
  SerialPort& port_;
  TransferClient& client_;
  std::optional<Transfer> transfer_;
  DeviceSettings* record_ = nullptr;
  bool running_ = false;
  bool holds_line_ = false;
  bool timer_armed_ = false;
  TransferTime armed_for_{0};
  unsigned run_ = 0;       // counts the starts
  int reported_step_ = 0;  // the last step told to the client
  bool busy_ = false;      // inside act(): a box may be open
  bool waiting_ = false;   // lines or a tick came while busy
  bool stop_waiting_ = false;  // stop() came while busy
  bool port_gone_ = false;     // the port went under the run: said by the link once the run has ended
  // Gone when the runner is: a call into the client that ends with the
  // runner destroyed must not touch it any more.
  std::shared_ptr<char> life_ = std::make_shared<char>();
};

}  // namespace zanteq::win32
