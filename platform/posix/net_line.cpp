// A network port on Linux and other POSIX systems: a non-blocking TCP
// socket driven with poll, raw or RFC 2217 through the core's NetStream.
// Owned by the one thread that uses the line.
#include "platform/net_line.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace zanteq::platform {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int write_timeout_ms = 1000;  // as the serial port's

int remaining(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

Clock::time_point after(int ms) { return Clock::now() + std::chrono::milliseconds(ms); }

NetFailure failure_of(int code) {
  switch (code) {
    case ECONNREFUSED: return NetFailure::refused;
    case ETIMEDOUT: return NetFailure::timed_out;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EHOSTDOWN:
    case EADDRNOTAVAIL: return NetFailure::unreachable;
    case ECONNRESET:
    case ECONNABORTED:
    case EPIPE: return NetFailure::reset;
    default: return NetFailure::failed;
  }
}

// The failure in words, with the system's own where ours say little.
std::string reason_of(NetFailure failure, const std::string& detail) {
  const std::string text = net_failure_text(failure);
  return failure == NetFailure::failed || failure == NetFailure::not_found ? text + ": " + detail : text;
}

// A connection that was up and ended: a keep-alive that went unanswered
// is a server gone silent, not a connection attempt that timed out.
NetFailure lost_failure(int code) {
  const NetFailure failure = failure_of(code);
  return failure == NetFailure::timed_out ? NetFailure::silent
         : failure == NetFailure::refused ? NetFailure::reset
                                          : failure;
}

void set_option(int fd, int level, int name, int value) { ::setsockopt(fd, level, name, &value, sizeof value); }

// Commands are a few bytes each: without NODELAY each would wait for the
// acknowledgement of the one before. Keep-alive finds a server that went
// away without a word (a device server switched off, a VPN gone) within
// about 15 s, and the user time-out does the same for bytes left
// unacknowledged.
void tune(int fd) {
  set_option(fd, IPPROTO_TCP, TCP_NODELAY, 1);
  set_option(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
#ifdef TCP_KEEPIDLE
  set_option(fd, IPPROTO_TCP, TCP_KEEPIDLE, 5);
  set_option(fd, IPPROTO_TCP, TCP_KEEPINTVL, 2);
  set_option(fd, IPPROTO_TCP, TCP_KEEPCNT, 5);
#endif
#ifdef TCP_USER_TIMEOUT
  set_option(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, 15000);
#endif
}

class NetLine final : public SerialLine {
 public:
  NetLine(int fd, NetScheme scheme, NetNotes notes) : fd_(fd), stream_(scheme), notes_(std::move(notes)) {}
  NetLine(const NetLine&) = delete;
  NetLine& operator=(const NetLine&) = delete;
  ~NetLine() override { ::close(fd_); }

  // Sends the opening and waits for the negotiation to settle.
  bool start() {
    const auto deadline = after(net_negotiation_wait_ms);
    if (!send_all(stream_.start(), deadline)) return false;
    while (!stream_.settled()) {
      if (remaining(deadline) == 0) {
        for (const Rfc2217Event& e : stream_.stop_waiting()) note(e);
        break;
      }
      if (!pump(remaining(deadline))) return false;
    }
    return true;
  }

  bool write_all(std::string_view bytes) override {
    const auto deadline = after(write_timeout_ms);
    while (stream_.held()) {
      if (remaining(deadline) == 0) {
        error_ = "writing timed out (the server holds our output: FLOWCONTROL-SUSPEND)";
        return false;  // the connection itself is fine
      }
      if (!pump(remaining(deadline))) return false;
    }
    return send_all(stream_.encode(bytes), deadline);
  }

  long read_some(char* buffer, std::size_t size, int timeout_ms) override {
    const auto deadline = after(timeout_ms > 0 ? timeout_ms : 0);
    while (data_.empty()) {
      if (!pump(remaining(deadline))) return -1;
      if (data_.empty() && remaining(deadline) == 0) return 0;
    }
    const std::size_t n = std::min(size, data_.size());
    data_.copy(buffer, n);
    data_.erase(0, n);
    return static_cast<long>(n);
  }

  std::string error() const override { return error_; }
  NetFailure failure() const { return failure_; }

 private:
  // Waits up to `timeout_ms` for bytes and takes what came: line bytes
  // into data_, answers out at once, notes told. False when the connection
  // ended or failed (error_ says why).
  bool pump(int timeout_ms) {
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeout_ms);
    if (ready < 0) return errno == EINTR || lost(errno);  // Ctrl-C: the caller looks at its flag
    if (ready == 0) return true;
    char buffer[4096];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n == 0) return fail(NetFailure::closed, net_failure_text(NetFailure::closed));
    if (n < 0) return errno == EAGAIN || errno == EINTR || lost(errno);
    Rfc2217Output in = stream_.feed(std::string_view(buffer, static_cast<std::size_t>(n)));
    data_ += in.data;
    for (const Rfc2217Event& e : in.events) note(e);
    return in.send.empty() || send_all(in.send, after(write_timeout_ms));
  }

  bool send_all(std::string_view bytes, Clock::time_point deadline) {
    while (!bytes.empty()) {
      const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n > 0) {
        bytes.remove_prefix(static_cast<std::size_t>(n));
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) return lost(errno);
      pollfd p{fd_, POLLOUT, 0};
      if (remaining(deadline) == 0 || (::poll(&p, 1, remaining(deadline)) == 0 && remaining(deadline) == 0))
        return fail(NetFailure::silent, "writing timed out (the server takes no more bytes)");
    }
    return true;
  }

  void note(const Rfc2217Event& e) {
    if (notes_) notes_(e);
  }

  bool fail(NetFailure failure, const std::string& text) {
    failure_ = failure;
    error_ = text;
    return false;
  }
  bool lost(int code) {
    const NetFailure failure = lost_failure(code);
    return fail(failure, reason_of(failure, std::strerror(code)));
  }

  int fd_;
  NetStream stream_;
  NetNotes notes_;
  std::string data_;  // line bytes not yet read
  NetFailure failure_ = NetFailure::none;
  std::string error_;
};

// One address, within the deadline: the connected socket, or -1 with the failure.
int connect_to(const addrinfo& a, Clock::time_point deadline, NetFailure& failure, std::string& detail) {
  const int fd = ::socket(a.ai_family, a.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a.ai_protocol);
  if (fd < 0) {
    failure = NetFailure::failed;
    detail = std::strerror(errno);
    return -1;
  }
  int code = ::connect(fd, a.ai_addr, a.ai_addrlen) == 0 ? 0 : errno;
  if (code == EINPROGRESS || code == EINTR) {
    pollfd p{fd, POLLOUT, 0};
    int ready;
    while ((ready = ::poll(&p, 1, remaining(deadline))) < 0 && errno == EINTR) {
    }
    socklen_t size = sizeof code;
    if (ready == 0) code = ETIMEDOUT;
    else if (ready < 0 || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &code, &size) != 0) code = errno;
  }
  if (code == 0) return fd;
  ::close(fd);
  failure = failure_of(code);
  detail = std::strerror(code);
  return -1;
}

}  // namespace

NetLineOpening open_net_line(const NetPort& port, NetNotes notes) {
  NetLineOpening opening;
  const auto deadline = after(net_connect_timeout_ms);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV | (port.address.ipv6 ? AI_NUMERICHOST : 0);
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port.address.port);
  if (const int r = ::getaddrinfo(port.address.host.c_str(), service.c_str(), &hints, &found); r != 0) {
    opening.failure = r == EAI_SYSTEM ? NetFailure::failed : NetFailure::not_found;
    opening.reason = reason_of(opening.failure, r == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(r));
    return opening;
  }
  // The first address's failure is the one told: it is the one the name
  // stands for first ("localhost" as ::1 before 127.0.0.1).
  int fd = -1;
  std::string detail;
  for (const addrinfo* a = found; a && fd < 0 && remaining(deadline) > 0; a = a->ai_next) {
    NetFailure failure = NetFailure::none;
    std::string why;
    fd = connect_to(*a, deadline, failure, why);
    if (fd < 0 && opening.failure == NetFailure::none) {
      opening.failure = failure;
      detail = why;
    }
  }
  ::freeaddrinfo(found);
  if (fd < 0) {
    if (opening.failure == NetFailure::none) opening.failure = NetFailure::timed_out;
    opening.reason = reason_of(opening.failure, detail);
    return opening;
  }
  tune(fd);
  auto line = std::make_unique<NetLine>(fd, port.scheme, std::move(notes));
  if (!line->start()) {
    opening.failure = line->failure();
    opening.reason = line->error();
    return opening;
  }
  opening.failure = NetFailure::none;
  opening.line = std::move(line);
  return opening;
}

}  // namespace zanteq::platform
