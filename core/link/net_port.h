// Network ports named by URL: a unit behind a serial device server is
// reached as "tcp://host:port" (the socket carries the line's bytes, the
// server keeps its own line settings) or "rfc2217://host:port" (Telnet with
// COM-PORT-OPTION, so we set 9600 8E1 ourselves). The port combo, the INI
// file and zanteqctl's --port keep the URL form; the status bar and the
// messages name the server by its display form, "10.0.0.5:4001" or
// "[::1]:4001".
//
// Everything is checked here, before a socket exists, so that a typing
// mistake is named for what it is instead of surfacing as a failed name
// look-up: a host must be a host name, a dotted IPv4 address or an IPv6
// address in brackets; a port number is 1..65535 in decimal digits. An IPv6
// zone is taken as typed ("[fe80::1%eth0]", "[fe80::1%12]"), as the user
// knows it from the system; the URL escape "%25" for the '%' is not undone.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zanteq {

enum class NetScheme { tcp, rfc2217 };

struct NetAddress {
  std::string host;        // as it is looked up: no brackets, letters in lower case
  std::uint16_t port = 0;
  bool ipv6 = false;       // a literal IPv6 address (bracketed in the URL)

  bool operator==(const NetAddress& o) const { return host == o.host && port == o.port && ipv6 == o.ipv6; }
};

struct NetPort {
  NetScheme scheme = NetScheme::tcp;
  NetAddress address;

  bool operator==(const NetPort& o) const { return scheme == o.scheme && address == o.address; }
};

// Why a text is not a network port. `part` is the piece the error is about
// (the scheme, the host, the port text, the trailing junk), as typed.
struct NetPortError {
  enum Code {
    none,
    empty,                // nothing given
    not_a_url,            // no "scheme://"
    unknown_scheme,       // a scheme other than tcp and rfc2217
    missing_host,
    bad_host,             // not a host name, IPv4 or bracketed IPv6 address
    bad_ipv4,             // all numbers, but not four of 0..255 (without leading zeros)
    bad_ipv6,             // in brackets, but not an IPv6 address
    ipv6_needs_brackets,  // "::1:4001": the port could not be told from the address
    missing_port,
    bad_port,             // not decimal digits
    port_out_of_range,    // 0 or above 65535
    trailing_junk,        // anything after the port number ("/", "?x", " 2")
  } code = none;
  std::string part;
};

// Whether a port name is meant as a network port: it has a "scheme://". A
// serial port name ("COM3", "/dev/ttyUSB0") never has one.
bool is_net_port_url(std::string_view text);

// "tcp://host:port" or "rfc2217://host:port"; the scheme in any case,
// blanks around the whole text ignored. False with `error` set otherwise.
bool parse_net_port(std::string_view url, NetPort& out, NetPortError& error);

// The pieces on their own, for a dialog with a host field and a port
// field, and for the simulator's listening address.
bool parse_net_host(std::string_view host, NetAddress& out, NetPortError& error);  // sets host and ipv6
bool parse_net_port_number(std::string_view digits, std::uint16_t& port, NetPortError& error,
                           bool zero_allowed = false);
// "host:port" or "[v6]:port". Port 0 (any free port) only when allowed.
bool parse_net_address(std::string_view text, NetAddress& out, NetPortError& error,
                       bool zero_allowed = false);

// "10.0.0.5:4001", "[::1]:4001", "server.example:4001".
std::string net_address_text(const NetAddress& address);
// "tcp://10.0.0.5:4001", "rfc2217://[::1]:4001": what parse_net_port reads back.
std::string net_port_url(const NetPort& port);

// What is wrong, for a message: English for zanteqctl and the logs,
// Japanese for the program's boxes.
std::string net_port_error_text(const NetPortError& error);
std::string net_port_error_text_ja(const NetPortError& error);

}  // namespace zanteq
