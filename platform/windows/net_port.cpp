// The network port on Windows: one non-blocking TCP socket whose events
// (bytes in, room to write, the end) signal one event object, raw or RFC
// 2217 through the core's NetStream.
//
// Threads: the connecting thread owns everything until connect_net_port
// returns. Then the receiving thread owns the stream's parsing and the
// bytes received (under read_mutex_, which a wait_sent on the receiving
// thread's side may borrow); the sending thread only adds to the outgoing
// queues. The queues, the pause flag, the error text and the end are
// shared under out_mutex_ (gone_ is an atomic, for the cheap look). Either
// thread writes what the socket takes: the sender at once, the receiver
// when the socket says it has room again, or when the server lets our
// output go on.
#include <winsock2.h>
#include <ws2tcpip.h>
// mstcpip.h needs the Winsock types first.
#include <mstcpip.h>

#include "platform/windows/net_port.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <mutex>

#include "platform/windows/system_error.h"

namespace zanteq::platform {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int write_timeout_ms = 1000;  // as the COM port's
constexpr DWORD retry_pause_ms = 100;  // after a failed wait

DWORD remaining(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<DWORD>(left) : 0;
}

Clock::time_point after(int ms) { return Clock::now() + std::chrono::milliseconds(ms); }

NetFailure failure_of(int code) {
  switch (code) {
    case WSAECONNREFUSED: return NetFailure::refused;
    case WSAETIMEDOUT: return NetFailure::timed_out;
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH:
    case WSAENETDOWN:
    case WSAEHOSTDOWN:
    case WSAEADDRNOTAVAIL: return NetFailure::unreachable;
    case WSAECONNRESET:
    case WSAECONNABORTED: return NetFailure::reset;
    default: return NetFailure::failed;
  }
}

// A connection that was up and ended: Windows ends one whose keep-alive
// went unanswered with a time-out or a network reset.
NetFailure lost_failure(int code) {
  if (code == WSAETIMEDOUT || code == WSAENETRESET) return NetFailure::silent;
  const NetFailure failure = failure_of(code);
  return failure == NetFailure::refused ? NetFailure::reset : failure;
}

std::string reason_of(NetFailure failure, int code) {
  const std::string text = net_failure_text(failure);
  return failure == NetFailure::failed || failure == NetFailure::not_found
             ? text + ": " + system_reason(static_cast<DWORD>(code))
             : text;
}

bool winsock_ready() {
  static const bool ready = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;  // for the process's lifetime
  }();
  return ready;
}

// Commands are a few bytes each: without NODELAY each would wait for the
// acknowledgement of the one before. Keep-alive finds a server that went
// away without a word (a device server switched off, a VPN gone).
void tune(SOCKET s) {
  const BOOL on = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  tcp_keepalive keepalive{};
  keepalive.onoff = 1;
  keepalive.keepalivetime = 5000;
  keepalive.keepaliveinterval = 2000;
  DWORD size = 0;
  WSAIoctl(s, SIO_KEEPALIVE_VALS, &keepalive, sizeof keepalive, nullptr, 0, &size, nullptr, nullptr);
}

class NetSocketPort final : public Port {
 public:
  NetSocketPort(SOCKET s, WSAEVENT event, HANDLE stop, NetScheme scheme, NetNotes notes)
      : socket_(s), event_(event), stop_(stop), stream_(scheme), notes_(std::move(notes)) {}
  NetSocketPort(const NetSocketPort&) = delete;
  NetSocketPort& operator=(const NetSocketPort&) = delete;
  ~NetSocketPort() override {
    closesocket(socket_);
    WSACloseEvent(event_);
    CloseHandle(stop_);
  }

  // The opening: the RFC 2217 offer out, its answers awaited. False when
  // the connection ended meanwhile or `cancel` was set (`cancelled`).
  bool start(HANDLE cancel, bool& cancelled) {
    {
      std::lock_guard<std::mutex> lock(out_mutex_);
      answers_ = stream_.start();
      flush_locked();
    }
    const auto deadline = after(net_negotiation_wait_ms);
    while (!stream_.settled() && !gone_) {
      const DWORD left = remaining(deadline);
      if (left == 0) {
        for (const Rfc2217Event& e : stream_.stop_waiting()) note(e);
        break;
      }
      const HANDLE waits[2] = {event_, cancel};
      const DWORD woken = WaitForMultipleObjects(cancel ? 2 : 1, waits, FALSE, left);
      if (woken == WAIT_OBJECT_0 + 1) return !(cancelled = true);
      if (woken == WAIT_OBJECT_0) pump();
    }
    return !gone_;
  }

  bool send(std::string bytes) override {
    std::lock_guard<std::mutex> lock(out_mutex_);
    if (gone_) return false;
    data_out_ += stream_.encode(bytes);  // encode looks at nothing the receiver changes
    return flush_locked();
  }

  bool wait_sent() override {
    const auto deadline = after(write_timeout_ms);
    for (;;) {
      {
        std::lock_guard<std::mutex> lock(out_mutex_);
        if (gone_) return false;
        flush_locked();
        if (answers_.empty() && data_out_.empty()) return true;
        if (remaining(deadline) == 0)
          return fail_locked(held_ ? "writing timed out (the server holds our output: FLOWCONTROL-SUSPEND)"
                                   : "writing timed out (the server takes no more bytes)");
      }
      // Room to write, or the server letting us go on, is seen by reading
      // the socket's events: here, unless a receive does that meanwhile.
      std::unique_lock<std::mutex> reading(read_mutex_, std::try_to_lock);
      if (!reading) {
        Sleep(10);
        continue;
      }
      if (WaitForSingleObject(event_, std::min<DWORD>(remaining(deadline), 50)) == WAIT_OBJECT_0) pump();
    }
  }

  Received receive(char* buffer, std::size_t size, int timeout_ms, std::size_t& received) override {
    received = 0;
    std::lock_guard<std::mutex> reading(read_mutex_);
    const auto deadline = after(timeout_ms > 0 ? timeout_ms : 0);
    for (;;) {
      if (WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0) return Received::stopped;
      if (!data_in_.empty()) {
        received = std::min(size, data_in_.size());
        data_in_.copy(buffer, received);
        data_in_.erase(0, received);
        return Received::bytes;
      }
      if (gone_) return Received::gone;
      const HANDLE waits[2] = {event_, stop_};
      const DWORD woken =
          WaitForMultipleObjects(2, waits, FALSE, timeout_ms == wait_forever ? INFINITE : remaining(deadline));
      if (woken == WAIT_OBJECT_0 + 1) return Received::stopped;
      if (woken == WAIT_TIMEOUT) return Received::nothing;
      if (woken != WAIT_OBJECT_0) {
        fail(system_reason(GetLastError()));
        return WaitForSingleObject(stop_, retry_pause_ms) == WAIT_OBJECT_0 ? Received::stopped : Received::failed;
      }
      pump();
    }
  }

  void stop_receiving() override { SetEvent(stop_); }

  bool gone() override { return gone_; }

  std::string error() const override {
    std::lock_guard<std::mutex> lock(out_mutex_);
    return error_;
  }

  NetFailure net_failure() const override {
    std::lock_guard<std::mutex> lock(out_mutex_);
    return failure_;
  }

 private:
  // Takes the socket's events: every byte that came, the end, room to write.
  void pump() {
    WSANETWORKEVENTS happened{};
    if (WSAEnumNetworkEvents(socket_, event_, &happened) != 0) {
      lost(WSAGetLastError());
      return;
    }
    if (happened.lNetworkEvents & (FD_READ | FD_CLOSE)) read_all();
    if (happened.lNetworkEvents & FD_CLOSE) {
      const int code = happened.iErrorCode[FD_CLOSE_BIT];
      if (code == 0) ended(NetFailure::closed, net_failure_text(NetFailure::closed));
      else lost(code);
    }
    if (happened.lNetworkEvents & FD_WRITE) {
      std::lock_guard<std::mutex> lock(out_mutex_);
      flush_locked();
    }
  }

  void read_all() {
    char buffer[4096];
    for (;;) {
      const int n = recv(socket_, buffer, sizeof buffer, 0);
      if (n > 0) {
        take(std::string_view(buffer, static_cast<std::size_t>(n)));
        continue;
      }
      if (n == 0) {
        ended(NetFailure::closed, net_failure_text(NetFailure::closed));
      } else if (const int code = WSAGetLastError(); code != WSAEWOULDBLOCK) {
        lost(code);
      }
      return;
    }
  }

  void take(std::string_view bytes) {
    Rfc2217Output in = stream_.feed(bytes);
    data_in_ += in.data;
    for (const Rfc2217Event& e : in.events) note(e);
    std::lock_guard<std::mutex> lock(out_mutex_);
    held_ = stream_.held();
    answers_ += in.send;
    flush_locked();
  }

  // Writes what the socket takes now: the server's answers first, then the
  // unit's commands unless the server holds them. False once the
  // connection has ended.
  bool flush_locked() {
    if (gone_) return false;
    const auto push = [this](std::string& queue) {
      while (!queue.empty()) {
        const int n = ::send(socket_, queue.data(), static_cast<int>(std::min<std::size_t>(queue.size(), INT_MAX)), 0);
        if (n == SOCKET_ERROR) {
          const int code = WSAGetLastError();
          return code == WSAEWOULDBLOCK || lost_locked(code);  // the rest when there is room
        }
        queue.erase(0, static_cast<std::size_t>(n));
      }
      return true;
    };
    if (!push(answers_)) return false;
    if (!answers_.empty() || held_) return true;
    return push(data_out_);
  }

  void note(const Rfc2217Event& e) {
    if (notes_) notes_(e);
  }

  void lost(int code) {
    std::lock_guard<std::mutex> lock(out_mutex_);
    lost_locked(code);
  }
  bool lost_locked(int code) {
    const NetFailure failure = lost_failure(code);
    return ended_locked(failure, reason_of(failure, code));
  }
  void ended(NetFailure failure, const std::string& reason) {
    std::lock_guard<std::mutex> lock(out_mutex_);
    ended_locked(failure, reason);
  }
  // The first end is the one told.
  bool ended_locked(NetFailure failure, const std::string& reason) {
    if (!gone_) {
      failure_ = failure;
      error_ = reason;
      gone_ = true;
    }
    return false;
  }
  bool fail_locked(const std::string& text) {
    error_ = text;
    return false;
  }
  void fail(const std::string& text) {
    std::lock_guard<std::mutex> lock(out_mutex_);
    fail_locked(text);
  }

  const SOCKET socket_;
  const WSAEVENT event_;  // FD_READ, FD_WRITE, FD_CLOSE
  const HANDLE stop_;     // manual reset: set once, for good
  NetStream stream_;      // parsing: the reading side
  NetNotes notes_;
  std::mutex read_mutex_;
  std::string data_in_;   // line bytes not yet received (read_mutex_)

  mutable std::mutex out_mutex_;
  std::string answers_;   // the server's negotiation answered
  std::string data_out_;  // the unit's commands
  bool held_ = false;     // FLOWCONTROL-SUSPEND in force
  std::atomic<bool> gone_{false};
  NetFailure failure_ = NetFailure::none;
  std::string error_;
};

// One address within the deadline; INVALID_SOCKET with the failure's code.
SOCKET connect_to(const addrinfo& a, WSAEVENT event, HANDLE cancel, Clock::time_point deadline, int& code,
                  bool& cancelled) {
  const SOCKET s = socket(a.ai_family, a.ai_socktype, a.ai_protocol);
  if (s == INVALID_SOCKET) {
    code = WSAGetLastError();
    return s;
  }
  SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  WSAResetEvent(event);
  code = 0;
  if (WSAEventSelect(s, event, FD_CONNECT) != 0) {
    code = WSAGetLastError();
  } else if (connect(s, a.ai_addr, static_cast<int>(a.ai_addrlen)) != 0 &&
             (code = WSAGetLastError()) == WSAEWOULDBLOCK) {
    const HANDLE waits[2] = {event, cancel};
    const DWORD woken = WaitForMultipleObjects(cancel ? 2 : 1, waits, FALSE, remaining(deadline));
    WSANETWORKEVENTS happened{};
    if (woken == WAIT_OBJECT_0 + 1) {
      cancelled = true;
      code = WSAEINTR;
    } else if (woken != WAIT_OBJECT_0) {
      code = WSAETIMEDOUT;
    } else if (WSAEnumNetworkEvents(s, event, &happened) != 0) {
      code = WSAGetLastError();
    } else {
      code = (happened.lNetworkEvents & FD_CONNECT) ? happened.iErrorCode[FD_CONNECT_BIT] : WSAETIMEDOUT;
    }
  }
  if (code == 0) return s;
  closesocket(s);
  return INVALID_SOCKET;
}

}  // namespace

NetPortOpening connect_net_port(const NetPort& port, NetNotes notes, HANDLE cancel) {
  NetPortOpening opening;
  const auto fail = [&](NetFailure failure, int code) {
    opening.failure = failure;
    opening.reason = reason_of(failure, code);
    return std::move(opening);
  };
  if (!winsock_ready()) return fail(NetFailure::failed, WSASYSNOTREADY);
  const auto deadline = after(net_connect_timeout_ms);

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_NUMERICSERV | (port.address.ipv6 ? AI_NUMERICHOST : 0);
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port.address.port);
  if (getaddrinfo(port.address.host.c_str(), service.c_str(), &hints, &found) != 0) {
    const int code = WSAGetLastError();
    const bool unknown = code == WSAHOST_NOT_FOUND || code == WSANO_DATA || code == WSATRY_AGAIN || code == 0;
    return fail(unknown ? NetFailure::not_found : NetFailure::failed, code);
  }

  const WSAEVENT event = WSACreateEvent();
  if (event == WSA_INVALID_EVENT) {
    freeaddrinfo(found);
    return fail(NetFailure::failed, WSAGetLastError());
  }
  // The first address's failure is the one told: it is the one the name
  // stands for first ("localhost" as ::1 before 127.0.0.1).
  SOCKET s = INVALID_SOCKET;
  int first_code = 0;
  for (const addrinfo* a = found; a && s == INVALID_SOCKET && !opening.cancelled && remaining(deadline) > 0;
       a = a->ai_next) {
    int code = 0;
    s = connect_to(*a, event, cancel, deadline, code, opening.cancelled);
    if (s == INVALID_SOCKET && first_code == 0) first_code = code;
  }
  freeaddrinfo(found);

  const HANDLE stop = s != INVALID_SOCKET ? CreateEventW(nullptr, TRUE, FALSE, nullptr) : nullptr;
  if (s == INVALID_SOCKET || !stop ||
      WSAEventSelect(s, event, FD_READ | FD_WRITE | FD_CLOSE) != 0) {
    const int code = s == INVALID_SOCKET ? (first_code ? first_code : WSAETIMEDOUT) : WSAGetLastError();
    if (s != INVALID_SOCKET) closesocket(s);
    if (stop) CloseHandle(stop);
    WSACloseEvent(event);
    if (opening.cancelled) {
      opening.reason = "cancelled";
      return opening;
    }
    return fail(failure_of(code), code);
  }
  tune(s);
  auto connected = std::make_unique<NetSocketPort>(s, event, stop, port.scheme, std::move(notes));
  if (!connected->start(cancel, opening.cancelled)) {
    opening.failure = opening.cancelled ? NetFailure::none : connected->net_failure();
    opening.reason = opening.cancelled ? "cancelled" : connected->error();
    return opening;
  }
  opening.port = std::move(connected);
  return opening;
}

}  // namespace zanteq::platform
