// The simulator's network port, in place of its pseudo-terminal: a
// listening TCP socket and at most one client, as a serial device server
// offers the unit's line. Raw, the socket carries the line's bytes; with
// RFC 2217 the bytes go through the core's server codec, which answers the
// client's negotiation and settings and undoes (and does) the IAC doubling.
//
// Owned by the simulator's one thread; every socket is non-blocking and
// serviced from its poll loop. A second client while one is connected is
// closed at once, so it knows; a client that goes away leaves the port
// listening for the next. The listening socket has SO_REUSEADDR, so a
// simulator stopped while a client was connected can be started again on
// the same port at once (a client that reconnects after the server came
// back is the case to test).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/link/net_port.h"
#include "core/link/rfc2217.h"

namespace zanteq::sim {

class NetLine {
 public:
  NetLine() = default;
  NetLine(const NetLine&) = delete;
  NetLine& operator=(const NetLine&) = delete;
  ~NetLine();

  // Binds and listens on `address` (port 0: a free one). False with `error`.
  bool listen(const NetAddress& address, bool rfc2217, std::string& error);
  // What a client connects to, with the port actually used: "tcp://127.0.0.1:40123".
  std::string url() const;

  int listen_fd() const { return listen_; }
  int client_fd() const { return client_; }
  bool connected() const { return client_ >= 0; }

  // Takes a waiting connection, or closes it at once while a client is
  // connected. The text for the log ("connected 127.0.0.1:53144"); empty
  // when nothing was waiting.
  std::string accept_client();

  struct Received {
    std::string data;                  // the line's bytes
    std::vector<Rfc2217Event> events;  // RFC 2217: the client's negotiation and settings
    bool closed = false;               // the client went away after `data`
    std::string why;
  };
  // Everything the client has sent by now. Negotiation answers are queued.
  Received receive();

  // Line bytes for the client, queued; dropped while nobody is connected,
  // as a device server drops what the unit sends then.
  void send(std::string_view bytes);
  // Writes what is queued, as far as the socket takes it. False when the
  // client went away (`why` says how).
  bool flush(std::string& why);
  bool wants_write() const { return client_ >= 0 && !pending_.empty(); }

  // Closes the client's connection; the text for the log.
  std::string close_client(const std::string& why);

 private:
  bool rfc2217_ = false;
  NetPort bound_;
  int listen_ = -1;
  int client_ = -1;
  std::string peer_;     // the client's address, for the log
  std::string pending_;  // bytes for the client not written yet
  Rfc2217Server codec_;  // fresh for each client
};

}  // namespace zanteq::sim
