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
#include "core/link/port_link.h"
#include "win32/link/line_settings.h"
#include "win32/link/text_conversion.h"

namespace zanteq::win32 {

namespace {

constexpr DWORD queue_size = 2000;
constexpr DWORD read_interval_ms = 20;
constexpr DWORD write_timeout_ms = 1000;
constexpr DWORD retry_pause_ms = 100;   // after a failed read, so a broken port cannot spin
constexpr DWORD stop_wait_ms = 2000;    // at exit: the thread ends at once once woken
// While a read waits, the port is looked at this often: a pseudo-terminal
// whose far end has gone leaves the read pending under Wine, and a pulled
// adapter must still be noticed.
constexpr DWORD health_check_ms = 2000;

HANDLE manual_reset_event() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

// Configures an opened port. With `boxes`, each failing step shows its own
// error box and the next step is still tried (start-up); without, the first
// failure ends it. False when any step failed.
bool configure_port(HANDLE port, Reporter* boxes) {
  bool ok = true;
  const auto failed = [&](const char* text) {
    ok = false;
    if (boxes) boxes->show_error_box(text);
    return boxes == nullptr;  // stop at the first failure when nobody is told
  };
  if (!SetCommMask(port, EV_RXCHAR) && failed("Miss! Mask Set")) return false;
  if (!SetupComm(port, queue_size, queue_size) && failed("Miss! Buffer Set")) return false;

  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = read_interval_ms;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = 0;
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = write_timeout_ms;
  if (!SetCommTimeouts(port, &timeouts) && failed("Miss! Time Out Set")) return false;

  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  GetCommState(port, &dcb);  // fields not set below stay as the driver has them
  apply_line_settings(dcb);
  if (!SetCommState(port, &dcb) && failed("Miss! Set Comm State")) return false;
  return ok;
}

HANDLE open_by_name(int com_port) {
  // \\.\COMn reaches every port number; the bare name works only to COM9.
  const std::wstring name = L"\\\\.\\" + utf8_to_wide(port_name(com_port));
  return CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                     FILE_FLAG_OVERLAPPED, nullptr);
}

OpenFailure open_failure(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:      // Windows: another program has the port
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return OpenFailure::in_use;
    default:
      return OpenFailure::not_present;
  }
}

}  // namespace

void SerialPort::open_port(int com_port) {
  if (!stop_event_) stop_event_ = manual_reset_event();

  port_ = open_by_name(com_port);
  OpenFailure result = OpenFailure::none;
  if (port_ == INVALID_HANDLE_VALUE) {
    result = open_failure(GetLastError());
    reporter_.show_error_box("Miss! File Open");
  }
  // Every step runs and reports, also without a port, as the program has
  // always done at start-up.
  if (!configure_port(port_, &reporter_) && result == OpenFailure::none) result = OpenFailure::settings;
  ++generation_;
  link_.started(com_port, result);
  announce({});
}

OpenFailure SerialPort::open_quietly(int com_port) {
  const HANDLE port = open_by_name(com_port);
  if (port == INVALID_HANDLE_VALUE) return open_failure(GetLastError());
  if (!configure_port(port, nullptr)) {
    CloseHandle(port);
    return OpenFailure::settings;
  }
  port_ = port;
  ++generation_;
  if (!start_read_thread()) {
    close_port();
    return OpenFailure::settings;
  }
  return OpenFailure::none;
}

void SerialPort::switch_port(int com_port) {
  close_port();
  announce(link_.chosen(com_port, open_quietly(com_port)));
}

void SerialPort::port_lost(unsigned generation) {
  if (generation != generation_ || !is_open()) return;  // already closed or switched
  close_port();
  announce(link_.lost(app_.link));
}

void SerialPort::retry() {
  if (!link_.wants_retry()) return;
  const PortState before = link_.state();
  link_.retried(open_quietly(link_.com_port()));
  if (link_.state() != before) announce({});
}

void SerialPort::announce(const PortNotice& notice) {
  if (events_) {
    events_->link_changed(link_, notice);
  } else if (notice.shown()) {
    reporter_.show_warning_box(notice.text.c_str());
  }
}

void SerialPort::close_port() {
  if (thread_) {
    SetEvent(stop_event_);
    // The handle must not be closed under the thread: wait until it ended.
    // It only posts to the windows, never sends, so a plain wait cannot
    // deadlock; delivering sent messages here would let a device change
    // re-enter the interface dialog in the middle of a port switch.
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
    ResetEvent(stop_event_);
  }
  if (is_open()) {
    CancelIoEx(port_, nullptr);
    release_finished_writes(true);
    CloseHandle(port_);
    port_ = INVALID_HANDLE_VALUE;
  }
  ++generation_;  // a loss reported by the old thread is no longer ours
}

bool SerialPort::start_read_thread() {
  if (thread_) {
    if (WaitForSingleObject(thread_, 0) != WAIT_OBJECT_0) return true;  // still receiving
    // The thread of a start without a port, which ended at once.
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  thread_ = CreateThread(nullptr, 0, &SerialPort::read_thread_entry, this, 0, nullptr);
  return thread_ != nullptr;
}

void SerialPort::send_command(std::string_view text) {
  if (!link_.may_send()) {
    announce(link_.refuse_send(app_.link));
    return;
  }
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
    if (device_gone()) {
      close_port();
      announce(link_.lost(app_.link));
    }
  }
}

// A port whose device has gone fails every request, even this one that a
// working port always answers.
bool SerialPort::device_gone() {
  DWORD errors = 0;
  COMSTAT status{};
  return !ClearCommError(port_, &errors, &status);
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

DWORD WINAPI SerialPort::read_thread_entry(void* self) {
  static_cast<SerialPort*>(self)->read_thread();
  return 0;
}

// One read: the bytes received (possibly none), a failure, the stop event,
// or the device gone.
SerialPort::ReadResult SerialPort::read_once(OVERLAPPED& overlapped, char* buffer, DWORD size,
                                             DWORD& received) {
  received = 0;
  ResetEvent(overlapped.hEvent);
  if (!ReadFile(port_, buffer, size, nullptr, &overlapped) && GetLastError() != ERROR_IO_PENDING) {
    return ReadResult::failed;
  }
  const HANDLE waits[2] = {overlapped.hEvent, stop_event_};
  for (;;) {
    const DWORD woken = WaitForMultipleObjects(2, waits, FALSE, health_check_ms);
    if (woken == WAIT_OBJECT_0) break;
    const bool gone = woken == WAIT_TIMEOUT && device_gone();
    if (woken == WAIT_TIMEOUT && !gone) continue;  // a silent unit: keep waiting
    CancelIoEx(port_, &overlapped);
    GetOverlappedResult(port_, &overlapped, &received, TRUE);
    return gone ? ReadResult::gone : ReadResult::stopped;
  }
  return GetOverlappedResult(port_, &overlapped, &received, FALSE) ? ReadResult::data : ReadResult::failed;
}

void SerialPort::read_thread() {
  if (!is_open()) return;  // no port: end rather than retry a wait that fails at once

  const unsigned generation = generation_;
  OVERLAPPED overlapped{};
  overlapped.hEvent = manual_reset_event();
  if (!overlapped.hEvent) return;
  char buffer[line_buffer_size];
  const auto dispatch = [this](std::string_view line) {
    dispatch_reply(app_.link, app_.record, reporter_, line);
  };

  while (app_.link.receiving != 0) {
    DWORD received = 0;
    ReadResult result = read_once(overlapped, buffer, sizeof buffer, received);
    if (app_.link.receiving == 0 || result == ReadResult::stopped) break;
    if (result == ReadResult::failed || (result == ReadResult::data && received == 0)) {
      // Asking also clears the line errors, which are dropped without a word.
      if (device_gone()) result = ReadResult::gone;
    }
    if (result == ReadResult::gone) {
      // The interface thread closes the port and tells the user; nothing
      // more to read here, and no reason to spin.
      if (events_) events_->post_port_lost(generation);
      break;
    }
    if (result != ReadResult::data || received == 0) {
      // A port that fails at once must not spin.
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
    // Bounded: the process ends either way.
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
