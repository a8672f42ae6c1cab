// The serial link to the unit: one port at a time, opened at start-up and
// again whenever the user chooses another port or a pulled adapter comes
// back.
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
//
// The port itself (opening, line settings, overlapped I/O) is the platform
// layer's (platform/windows/com_port.h); this is the program's link over it.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "core/link/line_assembler.h"
#include "core/link/line_handoff.h"
#include "core/link/port_link.h"
#include "core/link/reporter.h"
#include "core/settings/record.h"
#include "platform/windows/port.h"

namespace zanteq::win32 {

// What the link tells the program about the port.
class LinkEvents {
 public:
  virtual ~LinkEvents() = default;
  // Receiving thread: the device went away. Hand `generation` over to the
  // interface thread (which calls SerialPort::port_lost) and return at once.
  virtual void post_port_lost(unsigned generation) = 0;
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

  // Start-up: opens COM1..COM256 by com_port with the unit's line settings.
  // Every step is tried even after a failure, each failure with its own
  // error box.
  void open_port(int com_port);

  // The user chose a port: the open one is closed (receiving thread ended,
  // I/O cancelled), the new one opened with the same line settings and its
  // receiving thread started. A port that cannot be used is said once.
  void switch_port(int com_port);

  // Interface thread, after LinkEvents::post_port_lost: closes the port and
  // says once that it is gone. A stale generation (the port has been
  // switched since) is ignored.
  void port_lost(unsigned generation);

  // Interface thread, now and then and when a device arrives: reopens the
  // port quietly while it is gone or held elsewhere.
  void retry();

  const PortLink& link() const { return link_; }

  // Starts the receiving thread; false when it cannot be created. With no
  // port the thread ends at once: there is nothing to wait for.
  bool start_read_thread();

  // Frames and writes one command without waiting (RS-485 address in front
  // when rs_control is set). While the port is gone nothing is sent and a
  // box says so at once; a running timed sequence stops as on an error
  // reply. After start-up without a port the same holds. While a transfer
  // holds the line nothing is sent either (its answer would be taken for
  // the transfer's): a beep says the button did nothing.
  void send_command(std::string_view text) override;

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
  void close_lost_port();

  // At exit: wakes the receiving thread, cancels what is in flight and
  // closes the port.
  void stop();

  bool is_open() const { return port_ != nullptr; }

 private:
  static DWORD WINAPI read_thread_entry(void* self);
  void read_thread();
  OpenFailure open_quietly(int com_port);
  void close_port();
  void announce(const PortNotice& notice);
  bool write(std::string bytes);

  AppState& app_;
  Reporter& reporter_;
  LinkEvents* events_ = nullptr;
  PortLink link_;                  // interface thread only
  std::unique_ptr<platform::Port> port_;
  HANDLE thread_ = nullptr;
  std::atomic<unsigned> generation_{0};  // one per opened port
  LineAssembler assembler_;              // receiving thread
  LineHandOff transfer_lines_;           // offered by the receiving thread
};

}  // namespace zanteq::win32
