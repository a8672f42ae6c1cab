// A network port's connection as every transport carries it, without I/O:
// raw TCP passes the line's bytes as they are; RFC 2217 goes through the
// client codec (core/link/rfc2217.h). The transports (the POSIX socket
// line of zanteqctl, the Winsock port of both Windows programs) own the
// socket and the clocks and do this:
//
//   NetStream stream(port.scheme);
//   connect (net_connect_timeout_ms at most), then send(stream.start());
//   until stream.settled() or net_negotiation_wait_ms have passed, read and
//   feed (below); if it never settled: note each of stream.stop_waiting();
//   on every read:  Rfc2217Output in = stream.feed(bytes);
//                   send(in.send) at once; in.data is the unit's bytes;
//                   note each of in.events (net_note_text for the log)
//   on every command: send(stream.encode(line)), but not while held():
//                   the server asked us to pause (FLOWCONTROL-SUSPEND), as
//                   an XOFF holds a COM port's output.
//
// What a failed or ended connection was is one NetFailure, told in the
// user's words by the texts below.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/link/net_port.h"
#include "core/link/rfc2217.h"

namespace zanteq {

// A server that takes this long to accept is taken as not there: the user
// hears at once rather than after the system's own minute or more.
constexpr int net_connect_timeout_ms = 3000;
// How long the first command waits for the RFC 2217 line settings to be
// answered.
constexpr int net_negotiation_wait_ms = 1000;

enum class NetFailure {
  none,
  not_found,    // the host name is not known
  refused,      // nothing listens on that port (or a server that takes one client has one)
  timed_out,    // no answer to the connection within net_connect_timeout_ms
  unreachable,  // no route to the network or host
  closed,       // the server ended the connection
  reset,        // the connection was reset (the server restarted, a device between gave up)
  silent,       // the server stopped answering on a connection that was up
  failed,       // anything else: the system's words say what
};

// Why, for zanteqctl and its log ("the connection was refused: nothing
// listens on that port"), and for the program's boxes and log (Japanese).
std::string net_failure_text(NetFailure failure);
std::string net_failure_text_ja(NetFailure failure);

class NetStream {
 public:
  explicit NetStream(NetScheme scheme) : rfc2217_(scheme == NetScheme::rfc2217) {}

  bool rfc2217() const { return rfc2217_; }

  // What goes out right after connecting; empty for raw TCP.
  std::string start() { return rfc2217_ ? codec_.start() : std::string(); }
  Rfc2217Output feed(std::string_view bytes);
  // A command as it goes on the connection (0xFF doubled for RFC 2217).
  std::string encode(std::string_view line) const;

  // Whether commands may go out without waiting for the negotiation.
  bool settled() const { return !rfc2217_ || codec_.settled(); }
  // The negotiation has not settled in time; the transport goes on.
  std::vector<Rfc2217Event> stop_waiting() { return rfc2217_ ? codec_.stop_waiting().events : std::vector<Rfc2217Event>{}; }

  // The server has asked us to pause sending and not yet to go on.
  bool held() const { return held_; }

 private:
  bool rfc2217_;
  bool held_ = false;
  Rfc2217Client codec_;
};

// A note of the connection for the communication log, in Japanese:
// "RFC 2217: サーバーの確認 SET-BAUDRATE 9600".
std::string net_note_text(const Rfc2217Event& event);
// Whether the user should hear of it beyond the log: the server refuses
// the line settings or binary transmission, answers another value than
// the one asked, or answers nothing.
bool net_note_warns(const Rfc2217Event& event);

}  // namespace zanteq
