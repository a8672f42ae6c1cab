// zanteqctl's command line: options may stand before or after the command
// word; everything is checked before the port is opened, so bad usage never
// puts a byte on the wire.
#pragma once

#include <string>
#include <vector>

namespace zanteq::ctl {

enum class Pace {
  replies,  // the next command as soon as the reply is complete
  fixed,    // and no sooner than the program's period: 400 ms (read), 500 ms (write, send)
};

struct Options {
  std::string command;                // ports, scan, read, write, diff, send
  std::vector<std::string> operands;  // FILE, or the LINEs of send
  std::string port;
  bool has_address = false;
  std::vector<int> addresses;         // from --address, in the order given
  bool broadcast = false;
  int timeout_ms = 1000;
  bool timeout_given = false;
  Pace pace = Pace::replies;
  bool json = false;
  std::string output;                 // read -o FILE
  std::string log;                    // --log FILE: the communication log, appended
  bool help = false;
};

// Fills `options`; false with a message for the user on bad usage.
bool parse_options(const std::vector<std::string>& args, Options& options, std::string& error);

// "3", "0-7,12", "all" (00..31): the addresses in the order given, each
// once. False with a message for anything outside 0..31 or malformed.
bool parse_address_list(const std::string& text, std::vector<int>& addresses, std::string& error);

extern const char* const usage_text;

}  // namespace zanteq::ctl
