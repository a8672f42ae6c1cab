// Command line of zanteq-sim.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/link/net_port.h"

namespace zanteq::sim {

struct StartupAction {
  enum Kind { set, state_file, script_file, control } kind;
  std::string text;  // the command, the file path or the control line
};

struct Options {
  // The line the unit is on: a fresh pseudo-terminal, or a listening
  // socket that carries the line's bytes (as a device server in raw TCP
  // mode) or speaks RFC 2217.
  enum class Transport { terminal, tcp, rfc2217 } transport = Transport::terminal;  // --tcp, --rfc2217
  NetAddress listen;         // their address; port 0: any free port

  std::string path_file;     // --path-file
  std::string link;          // --link
  std::string log;           // --log
  std::string rx_raw;        // --rx-raw
  std::string state_out;     // --state-out
  std::string control;       // --control
  double time_limit = 0;     // --time-limit, seconds; 0 = none
  bool rs485 = false;        // --rs485 ADDR[,ADDR|FIRST-LAST]...
  std::vector<int> addresses;  // ascending, each once; RS-485 only
  bool pace = false;         // --pace
  std::string version = "1.00";  // --unit-version
  std::vector<StartupAction> startup;  // --set, --state, --script, --fault, --reply-delay in order
  bool help = false;
};

// False with `error` set on a bad command line.
bool parse_options(int argc, const char* const* argv, Options& out, std::string& error);

extern const char usage_text[];

}  // namespace zanteq::sim
