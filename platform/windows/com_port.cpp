// The COM port: opened overlapped with the unit's line settings, sending
// without waiting, receiving in one blocking overlapped ReadFile.
//
// A receive waits in an overlapped read of one byte, which completes the
// moment a byte is in, and then takes whatever else the driver's queue
// holds by then with a read of exactly that much, which completes at once.
// So a reply line is handed on as soon as its LF is in, not after a quiet
// spell (a read interval time-out of 20 ms would add 20 ms to every reply,
// about a second to a read-all at the reply pace). Without a time-out of
// its own (wait_forever, the Windows program's receiving thread) the wait
// costs nothing while the unit is silent, on Windows as under Wine, where
// a WaitCommEvent loop on a pseudo-terminal wakes every few milliseconds.
// With one (zanteqctl), the read's total time-out ends it. While a read
// waits, the port is asked for its status every 2 s: under Wine a read on a
// pseudo-terminal whose far end has closed stays pending, and only the
// status request fails, as it does for a pulled adapter.
//
// Threads: the sending thread owns the writes in flight, the receiving
// thread the read's overlap record; the stop event and the handle are
// shared, and the error text is kept under a lock.
#include "platform/windows/com_port.h"

#include <windows.h>

#include <algorithm>
#include <list>
#include <mutex>
#include <utility>

#include "platform/windows/system_error.h"
#include "platform/windows/text_conversion.h"

namespace zanteq::platform {

namespace {

constexpr DWORD queue_size = 2000;
constexpr DWORD read_interval_ms = 20;
constexpr DWORD write_timeout_ms = 1000;
constexpr DWORD health_check_ms = 2000;
constexpr DWORD retry_pause_ms = 100;  // after a failed read

HANDLE manual_reset_event() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

COMMTIMEOUTS timeouts_for(int timeout_ms) {
  COMMTIMEOUTS t{};
  // Reads ask for one byte or for what the driver holds, so they complete
  // by their count; the interval only ends a read that a driver's count
  // promised more than it gives. A total of 0 means none.
  t.ReadIntervalTimeout = read_interval_ms;
  t.ReadTotalTimeoutMultiplier = 0;
  t.ReadTotalTimeoutConstant = timeout_ms > 0 ? static_cast<DWORD>(timeout_ms) : 0;
  t.WriteTotalTimeoutMultiplier = 0;
  t.WriteTotalTimeoutConstant = write_timeout_ms;
  return t;
}

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

bool set_line_settings(HANDLE port) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port, &dcb)) return false;  // fields not set here stay as the driver has them
  apply_line_settings(dcb);
  if (SetCommState(port, &dcb)) return true;
  const DWORD code = GetLastError();
  DCB now{};
  now.DCBlength = sizeof now;
  if (GetCommState(port, &now) && now.BaudRate == CBR_9600 && now.ByteSize == 8) return true;
  SetLastError(code);
  return false;
}

// Windows completes a read or write that ran into its time-out with fewer
// bytes; Wine fails it with a time-out error.
bool timed_out(DWORD code) { return code == ERROR_TIMEOUT || code == ERROR_SEM_TIMEOUT; }

OpenFailure open_failure(DWORD code) {
  switch (code) {
    case ERROR_ACCESS_DENIED:  // Windows: another program has the port
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return OpenFailure::in_use;
    default:
      return OpenFailure::not_present;
  }
}

class ComPort final : public Port {
 public:
  ComPort(HANDLE handle, HANDLE stop, HANDLE read_event) : handle_(handle), stop_(stop) {
    read_.hEvent = read_event;
  }
  ComPort(const ComPort&) = delete;
  ComPort& operator=(const ComPort&) = delete;

  ~ComPort() override {
    CancelIoEx(handle_, nullptr);
    release_writes(true);
    PurgeComm(handle_, PURGE_RXCLEAR);
    CloseHandle(handle_);
    CloseHandle(read_.hEvent);
    CloseHandle(stop_);
  }

  bool send(std::string bytes) override {
    release_writes(false);
    auto write = std::make_unique<Write>();
    write->bytes = std::move(bytes);
    write->overlapped.hEvent = manual_reset_event();
    if (!write->overlapped.hEvent) return fail(GetLastError());
    if (WriteFile(handle_, write->bytes.data(), static_cast<DWORD>(write->bytes.size()), nullptr,
                  &write->overlapped) ||
        GetLastError() == ERROR_IO_PENDING) {
      writes_.push_back(std::move(write));  // kept until the write has completed
      return true;
    }
    const DWORD code = GetLastError();
    CloseHandle(write->overlapped.hEvent);  // never started: nothing refers to the bytes
    return fail(code);
  }

  bool wait_sent() override {
    bool all_out = true;
    for (const std::unique_ptr<Write>& write : writes_) {
      DWORD sent = 0;
      const bool completed = GetOverlappedResult(handle_, &write->overlapped, &sent, TRUE) != 0;
      const DWORD code = completed ? ERROR_SUCCESS : GetLastError();
      if (!completed && !timed_out(code)) {
        all_out = fail(code);
      } else if (!completed || sent < write->bytes.size()) {
        all_out = fail("writing timed out (the handshake holds the line)");
      }
      CloseHandle(write->overlapped.hEvent);
    }
    writes_.clear();
    return all_out;
  }

  Received receive(char* buffer, std::size_t size, int timeout_ms, std::size_t& received) override {
    received = 0;
    if (WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0) return Received::stopped;
    if (size == 0) return Received::nothing;
    // The first read asks for one byte, so it completes the moment a byte
    // is in (the interval time-out never comes into it) and costs nothing
    // while the unit is silent.
    std::size_t first = 1;
    if (timeout_ms == 0) {
      // Only what is there: Wine leaves an overlapped read that should
      // return at once pending, so the driver's queue is asked first.
      std::size_t queued = 0;
      if (!queued_bytes(queued)) return went_away();
      if (queued == 0) return Received::nothing;
      first = std::min(size, queued);
    }
    if (!set_read_timeout(timeout_ms)) return after_failure(GetLastError());
    DWORD got = 0;
    const Received result = read(buffer, first, timeout_ms, got);
    if (result != Received::bytes) return result;
    // What came with it waits in the driver's queue: a read of exactly that
    // much completes at once. A failure here leaves it to the next call.
    std::size_t queued = 0;
    const std::size_t more = queued_bytes(queued) ? std::min(size - got, queued) : 0;
    DWORD extra = 0;
    if (more > 0 && read(buffer + got, more, timeout_ms, extra) == Received::bytes) got += extra;
    received = got;
    return Received::bytes;
  }

  void stop_receiving() override { SetEvent(stop_); }

  // A port whose device has gone fails every request, even this one that a
  // working port always answers; asking also clears the line errors, which
  // are dropped without a word.
  bool gone() override {
    DWORD errors = 0;
    COMSTAT status{};
    return !ClearCommError(handle_, &errors, &status);
  }

  std::string error() const override {
    std::lock_guard<std::mutex> lock(error_mutex_);
    return error_;
  }

 private:
  struct Write {
    OVERLAPPED overlapped{};
    std::string bytes;
  };

  bool fail(const std::string& text) {
    std::lock_guard<std::mutex> lock(error_mutex_);
    error_ = text;
    return false;
  }
  bool fail(DWORD code) { return fail(system_reason(code)); }

  Received went_away() {
    fail("the port's device has gone (the adapter was pulled)");
    return Received::gone;
  }

  Received paused(Received result) {
    return WaitForSingleObject(stop_, retry_pause_ms) == WAIT_OBJECT_0 ? Received::stopped : result;
  }

  Received after_failure(DWORD code) {
    fail(code);
    return gone() ? went_away() : paused(Received::failed);
  }

  // One overlapped read of up to `count` bytes, waited for together with
  // the stop event and a look at the port every 2 s.
  Received read(char* buffer, std::size_t count, int timeout_ms, DWORD& got) {
    got = 0;
    ResetEvent(read_.hEvent);
    if (!ReadFile(handle_, buffer, static_cast<DWORD>(count), nullptr, &read_) && GetLastError() != ERROR_IO_PENDING)
      return after_failure(GetLastError());

    const HANDLE waits[2] = {read_.hEvent, stop_};
    for (;;) {
      const DWORD woken = WaitForMultipleObjects(2, waits, FALSE, health_check_ms);
      if (woken == WAIT_OBJECT_0) break;
      const bool device_gone = woken == WAIT_TIMEOUT && gone();
      if (woken == WAIT_TIMEOUT && !device_gone) continue;  // a silent unit: keep waiting
      DWORD dropped = 0;
      CancelIoEx(handle_, &read_);
      GetOverlappedResult(handle_, &read_, &dropped, TRUE);
      return device_gone ? went_away() : Received::stopped;
    }
    if (!GetOverlappedResult(handle_, &read_, &got, FALSE)) {
      const DWORD code = GetLastError();
      if (!timed_out(code)) return after_failure(code);
      got = static_cast<DWORD>(read_.InternalHigh);  // what came before the time-out
    }
    if (got > 0) return Received::bytes;
    if (timeout_ms != wait_forever) return Received::nothing;
    // A read without a time-out that ends with nothing is no silent unit.
    return gone() ? went_away() : paused(Received::nothing);
  }

  // Bytes waiting in the driver's queue; false when the port cannot say
  // (its device has gone).
  bool queued_bytes(std::size_t& queued) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle_, &errors, &status)) return false;
    queued = status.cbInQue;
    return true;
  }

  bool set_read_timeout(int timeout_ms) {
    if (timeout_ms == current_timeout_) return true;
    COMMTIMEOUTS t = timeouts_for(timeout_ms);
    if (!SetCommTimeouts(handle_, &t)) return false;
    current_timeout_ = timeout_ms;
    return true;
  }

  // Finished writes are let go at the next send; `wait` lets go of all.
  void release_writes(bool wait) {
    for (auto it = writes_.begin(); it != writes_.end();) {
      Write& write = **it;
      if (!wait && !HasOverlappedIoCompleted(&write.overlapped)) {
        ++it;
        continue;
      }
      DWORD sent = 0;
      GetOverlappedResult(handle_, &write.overlapped, &sent, TRUE);
      CloseHandle(write.overlapped.hEvent);
      it = writes_.erase(it);
    }
  }

  HANDLE handle_;
  HANDLE stop_;                             // manual reset: set once, for good
  OVERLAPPED read_{};                       // receiving thread
  int current_timeout_ = wait_forever - 1;  // the first receive sets its own
  std::list<std::unique_ptr<Write>> writes_;  // sending thread
  mutable std::mutex error_mutex_;
  std::string error_;
};

}  // namespace

ComPortOpening open_com_port(std::string_view name, const std::function<void(ComPortStep)>& each_failed_step) {
  ComPortOpening opening;
  const bool every_step = static_cast<bool>(each_failed_step);
  const auto step_failed = [&](ComPortStep step, OpenFailure failure, DWORD code) {
    if (opening.failure == OpenFailure::none) {
      opening.failure = failure;
      opening.reason = system_reason(code);
    }
    if (every_step) each_failed_step(step);
  };

  // \\.\COMn reaches every port number; the bare name works only to COM9.
  std::string device(name);
  if (device.rfind("\\\\.\\", 0) != 0) device = "\\\\.\\" + device;
  const HANDLE handle = CreateFileW(utf8_to_wide(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    step_failed(ComPortStep::open, open_failure(code), code);
    if (every_step) {
      for (ComPortStep step : {ComPortStep::event_mask, ComPortStep::queues, ComPortStep::timeouts,
                               ComPortStep::line_settings})
        each_failed_step(step);
    }
    return opening;
  }

  struct Step {
    ComPortStep step;
    bool (*run)(HANDLE);
  };
  static constexpr Step steps[] = {
      {ComPortStep::event_mask, [](HANDLE port) { return SetCommMask(port, EV_RXCHAR) != 0; }},
      {ComPortStep::queues, [](HANDLE port) { return SetupComm(port, queue_size, queue_size) != 0; }},
      {ComPortStep::timeouts,
       [](HANDLE port) {
         COMMTIMEOUTS timeouts = timeouts_for(wait_forever);
         return SetCommTimeouts(port, &timeouts) != 0;
       }},
      {ComPortStep::line_settings, set_line_settings},
  };
  for (const Step& s : steps) {
    if (s.run(handle)) continue;
    step_failed(s.step, OpenFailure::settings, GetLastError());
    if (!every_step) break;
  }

  const HANDLE stop = manual_reset_event();
  const HANDLE read_event = manual_reset_event();
  const bool usable = stop && read_event && (every_step || opening.failure == OpenFailure::none);
  if (!usable) {
    if (opening.failure == OpenFailure::none) {
      opening.failure = OpenFailure::settings;
      opening.reason = system_reason(GetLastError());
    }
    if (stop) CloseHandle(stop);
    if (read_event) CloseHandle(read_event);
    CloseHandle(handle);
    return opening;
  }
  PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
  opening.port = std::make_unique<ComPort>(handle, stop, read_event);
  return opening;
}

}  // namespace zanteq::platform
