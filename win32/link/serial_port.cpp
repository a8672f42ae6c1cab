// Serial port, sending and the receiving thread.
//
// The receiving thread blocks in an overlapped ReadFile until bytes arrive:
// with a read interval time-out of 20 ms and no total time-out the read
// completes once bytes have come and the line has been quiet for 20 ms. It
// costs nothing while the unit is silent, on Windows as under Wine, where a
// WaitCommEvent loop on a pseudo-terminal wakes every few milliseconds.
#include "win32/link/serial_port.h"

#include "core/link/dispatch.h"
#include "core/link/framing.h"
#include "win32/link/text_conversion.h"
#include "core/app/app_shell.h"

namespace zanteq::win32 {

namespace {

constexpr DWORD queue_size = 2000;
constexpr DWORD read_interval_ms = 20;
constexpr DWORD write_timeout_ms = 1000;
constexpr DWORD retry_pause_ms = 100;   // after a failed read, so a broken port cannot spin
constexpr DWORD stop_wait_ms = 2000;    // the thread may sit in an error box at exit

HANDLE manual_reset_event() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

void apply_line_settings(DCB& dcb) {
  dcb.BaudRate = CBR_9600;
  dcb.ByteSize = 8;
  dcb.Parity = EVENPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fParity = FALSE;  // parity generated on sending, not checked on receiving
  dcb.fBinary = TRUE;
  dcb.fOutxCtsFlow = TRUE;
  dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
  dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
  dcb.fOutX = TRUE;
  dcb.fInX = TRUE;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.XonLim = 256;
  dcb.XoffLim = 256;
}

}  // namespace

void SerialPort::open_port(int com_port) {
  stop_event_ = manual_reset_event();

  const std::wstring name = L"\\\\.\\" + utf8_to_wide(port_name(com_port));
  port_ = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                      FILE_FLAG_OVERLAPPED, nullptr);
  if (port_ == INVALID_HANDLE_VALUE) reporter_.show_error_box("Miss! File Open");

  if (!SetCommMask(port_, EV_RXCHAR)) reporter_.show_error_box("Miss! Mask Set");
  if (!SetupComm(port_, queue_size, queue_size)) reporter_.show_error_box("Miss! Buffer Set");

  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = read_interval_ms;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = 0;
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = write_timeout_ms;
  if (!SetCommTimeouts(port_, &timeouts)) reporter_.show_error_box("Miss! Time Out Set");

  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  GetCommState(port_, &dcb);  // fields not set below stay as the driver has them
  apply_line_settings(dcb);
  if (!SetCommState(port_, &dcb)) reporter_.show_error_box("Miss! Set Comm State");
}

bool SerialPort::start_read_thread() {
  thread_ = CreateThread(nullptr, 0, &SerialPort::read_thread_entry, this, 0, nullptr);
  return thread_ != nullptr;
}

void SerialPort::send_command(std::string_view text) {
  std::string bytes = prepare_send(app_.link, text);
  if (bytes.empty() || !is_open()) return;

  release_finished_writes(false);
  assembler_.command_sent();
  auto write = std::make_unique<Write>();
  write->bytes = std::move(bytes);
  write->overlapped.hEvent = manual_reset_event();
  if (!write->overlapped.hEvent) return;
  const BOOL done = WriteFile(port_, write->bytes.data(), static_cast<DWORD>(write->bytes.size()),
                              nullptr, &write->overlapped);
  if (done || GetLastError() == ERROR_IO_PENDING) {
    writes_.push_back(std::move(write));  // kept until the write has completed
  } else {
    CloseHandle(write->overlapped.hEvent);  // never started: nothing refers to the bytes
  }
}

void SerialPort::release_finished_writes(bool wait) {
  for (auto it = writes_.begin(); it != writes_.end();) {
    Write& write = **it;
    DWORD sent = 0;
    if (!wait && !HasOverlappedIoCompleted(&write.overlapped)) {
      ++it;
      continue;
    }
    GetOverlappedResult(port_, &write.overlapped, &sent, TRUE);
    CloseHandle(write.overlapped.hEvent);
    it = writes_.erase(it);
  }
}

void SerialPort::clear_line_errors() {
  DWORD errors = 0;
  COMSTAT status{};
  ClearCommError(port_, &errors, &status);  // line errors are dropped without a message
}

DWORD WINAPI SerialPort::read_thread_entry(void* self) {
  static_cast<SerialPort*>(self)->read_thread();
  return 0;
}

// One read: true with the bytes received (possibly none), false on failure
// or when the link is being stopped.
bool SerialPort::read_once(OVERLAPPED& overlapped, char* buffer, DWORD size, DWORD& received) {
  received = 0;
  ResetEvent(overlapped.hEvent);
  if (!ReadFile(port_, buffer, size, nullptr, &overlapped) && GetLastError() != ERROR_IO_PENDING) {
    return false;
  }
  const HANDLE waits[2] = {overlapped.hEvent, stop_event_};
  if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
    CancelIoEx(port_, &overlapped);
    GetOverlappedResult(port_, &overlapped, &received, TRUE);
    return false;
  }
  return GetOverlappedResult(port_, &overlapped, &received, FALSE) != FALSE;
}

void SerialPort::read_thread() {
  if (!is_open()) return;  // no port: end rather than retry a wait that fails at once

  OVERLAPPED overlapped{};
  overlapped.hEvent = manual_reset_event();
  if (!overlapped.hEvent) return;
  char buffer[line_buffer_size];
  const auto dispatch = [this](std::string_view line) {
    dispatch_reply(app_.link, app_.record, reporter_, line);
  };

  while (app_.link.receiving != 0) {
    DWORD received = 0;
    const bool ok = read_once(overlapped, buffer, sizeof buffer, received);
    if (app_.link.receiving == 0) break;
    if (!ok || received == 0) {
      if (!ok) clear_line_errors();
      // A port that fails at once (a pulled USB adapter) must not spin.
      if (WaitForSingleObject(stop_event_, retry_pause_ms) == WAIT_OBJECT_0) break;
      continue;
    }
    assembler_.feed(buffer, received, dispatch);
  }

  PurgeComm(port_, PURGE_RXCLEAR);
  CloseHandle(overlapped.hEvent);
}

void SerialPort::stop() {
  app_.link.receiving = 0;
  if (stop_event_) SetEvent(stop_event_);

  bool thread_ended = true;
  if (thread_) {
    // The thread may be showing an error box; the process ends either way.
    thread_ended = WaitForSingleObject(thread_, stop_wait_ms) == WAIT_OBJECT_0;
    if (thread_ended) {
      CloseHandle(thread_);
      thread_ = nullptr;
    }
  }
  if (!is_open()) return;
  CancelIoEx(port_, nullptr);
  release_finished_writes(true);
  if (thread_ended) {
    CloseHandle(port_);
    port_ = INVALID_HANDLE_VALUE;
  }
}

}  // namespace zanteq::win32
