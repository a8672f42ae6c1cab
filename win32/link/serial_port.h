// The serial link to the unit: one port, opened once at start-up.
//
// Threads and ownership:
//  - the interface thread opens the port, sends (send_command), and stops
//    the link at exit; it owns the list of writes in flight. Each write owns
//    its bytes, its overlap record and its event until the write completes,
//    so a send returns at once without the bytes going out of scope.
//  - the receiving thread owns the read overlap record, the read buffer and
//    the line assembler (a send only tells it that a command goes out), and
//    runs the reply dispatch for every complete line (decoders included);
//    the boxes it raises wait for the interface thread to show them.
//  - shared between them: the port handle (read-only after opening), the
//    stop event, and the link values of AppState, which are atomics.
#pragma once

#include <windows.h>

#include <list>
#include <memory>
#include <string>
#include <string_view>

#include "core/link/line_assembler.h"
#include "core/link/reporter.h"
#include "core/settings/record.h"

namespace zanteq::win32 {

class SerialPort final : public CommandSink {
 public:
  SerialPort(AppState& app, Reporter& reporter) : app_(app), reporter_(reporter) {}
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens COM1..COM9 by com_port with the unit's line settings. Every step
  // is tried even after a failure, each failure with its own error box.
  void open_port(int com_port);

  // Starts the receiving thread; false when it cannot be created. With no
  // port the thread ends at once: there is nothing to wait for.
  bool start_read_thread();

  // Frames and writes one command without waiting (RS-485 address in front
  // when rs_control is set). Sets reply_pending even with no port, so the
  // reply watch reports "No Connect".
  void send_command(std::string_view text) override;

  // At exit: wakes the receiving thread, cancels what is in flight and
  // closes the port.
  void stop();

  bool is_open() const { return port_ != INVALID_HANDLE_VALUE; }

 private:
  struct Write {
    OVERLAPPED overlapped{};
    std::string bytes;
  };

  static DWORD WINAPI read_thread_entry(void* self);
  void read_thread();
  bool read_once(OVERLAPPED& overlapped, char* buffer, DWORD size, DWORD& received);
  void release_finished_writes(bool wait);
  void clear_line_errors();

  AppState& app_;
  Reporter& reporter_;
  HANDLE port_ = INVALID_HANDLE_VALUE;
  HANDLE stop_event_ = nullptr;  // set at exit; wakes the receiving thread
  HANDLE thread_ = nullptr;
  std::list<std::unique_ptr<Write>> writes_;  // interface thread only
  LineAssembler assembler_;                   // receiving thread
};

}  // namespace zanteq::win32
