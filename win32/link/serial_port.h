// The link to the unit: one port at a time, a COM port or a network port
// (a unit behind a serial device server), opened at start-up and again
// whenever the user chooses another port or a pulled adapter or a server
// that went away comes back.
//
// Threads and ownership:
//  - the interface thread opens, switches and closes the port, sends
//    (send_command; the port keeps the bytes until they are out, so a send
//    returns at once), keeps the link state (PortLink) and stops the link
//    at exit.
//  - the receiving thread receives from the port, owns the read buffer and
//    the line assembler (a send only tells it that a command goes out), and
//    runs the reply dispatch for every complete line (decoders included);
//    the boxes it raises wait for the interface thread to show them. While
//    a transfer holds the line (begin_transfer), each complete line goes to
//    the transfer through the hand-off instead, and nothing else sees it.
//  - shared between them: the port (changed only while no receiving thread
//    runs; the receiving thread only receives, and is stopped through it),
//    the generation counter and the link values of AppState, which are
//    atomics. A receiving thread that finds the device gone says so through
//    LinkEvents::post_port_lost and ends; the interface thread then closes
//    the port (port_lost).
//  - a network port is connected on a thread of its own, one attempt at a
//    time (the interface thread never waits on the network): it hands the
//    connection over in the attempt's slot and posts
//    LinkEvents::post_connected; the interface thread takes it
//    (connect_ended) and starts the receiving thread on it. An attempt
//    that is no longer wanted (another port chosen, the program ending) is
//    cancelled and forgotten; what it connected is closed with it.
//
// The communication log (core/log/comm_log.h) hears the port's events: the
// interface thread appends the port opened, closed, lost, back or failing
// to open (with the reason a server could not be reached or went away);
// the connecting and receiving threads append what an RFC 2217 server
// says of the line. Appending never waits for the log's reader.
//
// The port itself (opening, line settings, overlapped I/O) is the platform
// layer's (platform/windows/com_port.h); this is the program's link over it.
//
// The communication log (core/log/comm_log.h) hears everything from here,
// from start-up: the interface thread appends each line sent (framed, the
// RS-485 address kept), the port opened, closed, lost, back or failing to
// open, and a command left unanswered; the receiving thread appends each
// line received and what the line assembly throws away. Appending never
// waits for the log's reader.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "core/link/line_assembler.h"
#include "core/link/line_handoff.h"
#include "core/link/port_link.h"
#include "core/link/reporter.h"
#include "core/log/comm_log.h"
#include "core/settings/record.h"
#include "platform/windows/net_port.h"
#include "platform/windows/port.h"

namespace zanteq::win32 {

// What the link tells the program about the port.
class LinkEvents {
 public:
  virtual ~LinkEvents() = default;
  // Receiving thread: the device went away. Hand `generation` over to the
  // interface thread (which calls SerialPort::port_lost) and return at once.
  virtual void post_port_lost(unsigned generation) = 0;
  // Connecting thread: the attempt `attempt` has ended. Hand it over to
  // the interface thread (which calls SerialPort::connect_ended) and return
  // at once.
  virtual void post_connected(unsigned attempt) = 0;
  // Interface thread: the state may have changed; show it, and show the
  // notice when it has a text.
  virtual void link_changed(const PortLink& link, const PortNotice& notice) = 0;
};

class SerialPort final : public CommandSink {
 public:
  SerialPort(AppState& app, Reporter& reporter) : app_(app), reporter_(reporter) {}
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Before open_port: who hears about the link state (nobody by default).
  void set_events(LinkEvents* events) { events_ = events; }
  // Before open_port: the communication log (none by default).
  void set_log(CommLog* log) { log_ = log; }

  // Start-up: opens COM1..COM256 by com_port with the unit's line settings.
  // Every step is tried even after a failure, each failure with its own
  // error box. A network port starts connecting instead; a server that
  // cannot be reached is said in one box when the attempt ends.
  void open_port(const LinkPort& port);

  // The user chose a port: the open one is closed (receiving thread ended,
  // I/O cancelled, a connection under way cancelled), the new one opened
  // with the same line settings and its receiving thread started, or its
  // server connected. A port that cannot be used is said once.
  void switch_port(const LinkPort& port);

  // Interface thread, after LinkEvents::post_connected: takes the
  // attempt's connection (a stale attempt is ignored) and starts receiving
  // on it, or says once that the server cannot be reached.
  void connect_ended(unsigned attempt);

  // Interface thread, after LinkEvents::post_port_lost: closes the port and
  // says once that it is gone. A stale generation (the port has been
  // switched since) is ignored.
  void port_lost(unsigned generation);

  // Interface thread, now and then and when a device arrives: reopens the
  // port quietly while it is gone or held elsewhere, or starts a quiet
  // attempt to reach the server again.
  void retry();

  const PortLink& link() const { return link_; }

  // Starts the receiving thread of the open port; false when it cannot be
  // created. With no port none is started (there is nothing to wait for):
  // the port opened later gets its own.
  bool start_read_thread();

  // Frames and writes one command without waiting (RS-485 address in front
  // when rs_control is set). While the port is gone nothing is sent and a
  // box says so at once; a running timed sequence stops as on an error
  // reply. After start-up without a port the same holds. While a transfer
  // holds the line nothing is sent either (its answer would be taken for
  // the transfer's): a beep says the button did nothing.
  void send_command(std::string_view text) override;

  // Interface thread, for the communication log: the reply watch gave up
  // on the last command ("No Connect"); the row tells how long ago it went
  // out.
  void note_unanswered();
  // A transfer at the reply pace gave up on a command after its time-out
  // of `waited_ms`.
  void note_unanswered(int waited_ms);

  // The transfers at the pace of the replies (TransferRunner), interface
  // thread. begin_transfer gives the line to one transfer: every complete
  // line goes to it alone (`wake` runs on the receiving thread when lines
  // wait, take_transfer_lines hands them over), and the reply watch stops
  // waiting for an earlier command, whose answer would now go to the
  // transfer; the transfer's own time-out watches the line. False while
  // another transfer holds the line. end_transfer gives the lines back to
  // the dispatch. A port closed under a transfer wakes it (Taken's
  // `interrupted`).
  bool begin_transfer(LineHandOff::Wake wake);
  void end_transfer();
  LineHandOff::Taken take_transfer_lines();
  // Writes a transfer's framed bytes as they are. False when nothing went
  // out because the port is not there or has just gone; the link has then
  // said so in its one box, as for a 設定 button.
  bool send_transfer(std::string bytes);
  // Whether the port under a transfer has gone (closed, or its device
  // gone): a transfer asks before it takes a silent unit for "No Connect".
  // close_lost_port then closes a port whose device has gone and says so
  // once, as when the receiving thread finds it gone; the transfer calls it
  // after its own end, so the box comes last.
  bool transfer_port_gone();
  // Whether a transfer holds the line now.
  bool transfer_holds_line() const { return transfer_lines_.is_open(); }
  void close_lost_port();

  // At exit: wakes the receiving thread, cancels what is in flight and
  // closes the port.
  void stop();

  bool is_open() const { return port_ != nullptr; }

 private:
  // One attempt to connect to a server: its thread fills the slot and
  // posts; whoever still holds the attempt then takes the slot.
  struct NetAttempt {
    unsigned id = 0;
    NetPort port;
    HANDLE cancel = nullptr;  // manual reset: the attempt is no longer wanted
    std::mutex mutex;
    platform::NetPortOpening opening;  // guarded by mutex
    ~NetAttempt() {
      if (cancel) CloseHandle(cancel);
    }
  };

  static DWORD WINAPI read_thread_entry(void* self);
  struct ConnectJob {
    SerialPort* self;
    std::shared_ptr<NetAttempt> attempt;
  };
  static DWORD WINAPI connect_thread_entry(void* job);
  void read_thread();
  OpenFailure open_quietly(int com_port, std::string& reason);
  void begin_connecting(const LinkPort& port);
  bool start_connecting(const NetPort& port);
  void cancel_connecting();
  void close_port();
  void lose_port();
  void announce(const PortNotice& notice);
  bool write(std::string bytes);
  void log(LogEvent event) {
    if (log_) log_->append(std::move(event));
  }
  // A port event of the port in use now.
  void log_port(LogKind kind, const std::string& reason = {});

  AppState& app_;
  Reporter& reporter_;
  LinkEvents* events_ = nullptr;
  CommLog* log_ = nullptr;
  ULONGLONG last_sent_tick_ = 0;   // interface thread: when the last command went out
  PortLink link_;                  // interface thread only
  std::unique_ptr<platform::Port> port_;
  HANDLE thread_ = nullptr;
  std::atomic<unsigned> generation_{0};  // one per opened port
  LineAssembler assembler_;              // receiving thread
  LineHandOff transfer_lines_;           // offered by the receiving thread
  std::shared_ptr<NetAttempt> attempt_;  // interface thread: the attempt under way
  HANDLE connect_thread_ = nullptr;      // its thread, waited for at exit
  unsigned attempts_ = 0;
};

}  // namespace zanteq::win32
