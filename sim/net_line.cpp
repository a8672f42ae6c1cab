// The simulator's network port: listening, one client, raw or RFC 2217.
#include "sim/net_line.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zanteq::sim {

namespace {

std::string errno_text(const std::string& what) { return what + ": " + std::strerror(errno); }

std::uint16_t port_of(const sockaddr_storage& ss) {
  if (ss.ss_family == AF_INET6) {
    sockaddr_in6 a;
    std::memcpy(&a, &ss, sizeof a);
    return ntohs(a.sin6_port);
  }
  sockaddr_in a;
  std::memcpy(&a, &ss, sizeof a);
  return ntohs(a.sin_port);
}

std::string address_text(const sockaddr_storage& ss, socklen_t size) {
  char host[NI_MAXHOST] = "?";
  ::getnameinfo(reinterpret_cast<const sockaddr*>(&ss), size, host, sizeof host, nullptr, 0, NI_NUMERICHOST);
  NetAddress a;
  a.host = host;
  a.port = port_of(ss);
  a.ipv6 = ss.ss_family == AF_INET6;
  return net_address_text(a);
}

}  // namespace

NetLine::~NetLine() {
  if (client_ >= 0) ::close(client_);
  if (listen_ >= 0) ::close(listen_);
}

bool NetLine::listen(const NetAddress& address, bool rfc2217, std::string& error) {
  rfc2217_ = rfc2217;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | (address.ipv6 ? AI_NUMERICHOST : 0);
  addrinfo* found = nullptr;
  const std::string port = std::to_string(address.port);
  if (const int r = ::getaddrinfo(address.host.c_str(), port.c_str(), &hints, &found); r != 0) {
    error = "cannot listen on " + net_address_text(address) + ": " + ::gai_strerror(r);
    return false;
  }
  error = "cannot listen on " + net_address_text(address) + ": no address";
  for (addrinfo* a = found; a && listen_ < 0; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    const int on = 1;
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 && ::bind(fd, a->ai_addr, a->ai_addrlen) == 0 &&
        ::listen(fd, 4) == 0) {
      listen_ = fd;
    } else {
      error = errno_text("cannot listen on " + net_address_text(address));
      ::close(fd);
    }
  }
  ::freeaddrinfo(found);
  if (listen_ < 0) return false;

  sockaddr_storage ss{};
  socklen_t size = sizeof ss;
  if (::getsockname(listen_, reinterpret_cast<sockaddr*>(&ss), &size) != 0)
    return error = errno_text("getsockname"), false;
  bound_.scheme = rfc2217 ? NetScheme::rfc2217 : NetScheme::tcp;
  bound_.address = address;
  bound_.address.port = port_of(ss);
  error.clear();
  return true;
}

std::string NetLine::url() const { return net_port_url(bound_); }

std::string NetLine::accept_client() {
  sockaddr_storage ss{};
  socklen_t size = sizeof ss;
  const int fd = ::accept4(listen_, reinterpret_cast<sockaddr*>(&ss), &size, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return {};
  const std::string peer = address_text(ss, size);
  if (client_ >= 0) {
    ::close(fd);
    return "refused " + peer + ": " + peer_ + " is connected";
  }
  // Answers are a few bytes each and paced a byte at a time: without this
  // each would wait for the acknowledgement of the one before.
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  client_ = fd;
  peer_ = peer;
  pending_.clear();
  codec_ = Rfc2217Server();
  return "connected " + peer;
}

NetLine::Received NetLine::receive() {
  Received r;
  char buf[4096];
  while (client_ >= 0) {
    const ssize_t n = ::recv(client_, buf, sizeof buf, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    if (n <= 0) {
      r.closed = true;
      r.why = n == 0 ? "the client closed the connection" : std::strerror(errno);
      break;
    }
    if (!rfc2217_) {
      r.data.append(buf, static_cast<std::size_t>(n));
      continue;
    }
    Rfc2217Output out = codec_.feed(std::string_view(buf, static_cast<std::size_t>(n)));
    r.data += out.data;
    pending_ += out.send;
    for (Rfc2217Event& e : out.events) r.events.push_back(std::move(e));
  }
  return r;
}

void NetLine::send(std::string_view bytes) {
  if (client_ < 0) return;
  pending_ += rfc2217_ ? telnet_escape(bytes) : std::string(bytes);
}

bool NetLine::flush(std::string& why) {
  while (client_ >= 0 && !pending_.empty()) {
    const ssize_t n = ::send(client_, pending_.data(), pending_.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    if (n < 0) {
      why = std::strerror(errno);
      return false;
    }
    pending_.erase(0, static_cast<std::size_t>(n));
  }
  return true;
}

std::string NetLine::close_client(const std::string& why) {
  if (client_ < 0) return {};
  ::close(client_);
  client_ = -1;
  pending_.clear();
  return "closed " + peer_ + ": " + why;
}

}  // namespace zanteq::sim
