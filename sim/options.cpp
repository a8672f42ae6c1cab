// Command line of zanteq-sim.
#include "sim/options.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "core/link/address_list.h"

namespace zanteq::sim {

const char usage_text[] =
    "usage: zanteq-sim [options]\n"
    "A ZANTEQ unit on a fresh pseudo-terminal, or on a network port. Prints the\n"
    "terminal's path (or the port's URL) on the first line of standard output\n"
    "once it is ready to serve.\n"
    "\n"
    "  --tcp HOST:PORT      serve on a TCP port instead, raw (the socket carries the\n"
    "                       line's bytes); port 0 picks a free one; one client at a time\n"
    "  --rfc2217 HOST:PORT  the same, speaking RFC 2217 (Telnet COM-PORT-OPTION)\n"
    "  --path-file FILE     also write the path (and a newline) to FILE when ready\n"
    "  --link PATH          also make PATH a symlink to the terminal when ready\n"
    "  --log FILE           wire log: one line per event, RX/TX with timestamps\n"
    "  --rx-raw FILE        every received command byte, exactly, nothing else\n"
    "  --time-limit SEC     stop by itself after SEC seconds\n"
    "  --rs232c             take lines without an address (the default)\n"
    "  --rs485 ADDRS        RS-485 units with these slave addresses (0..31) on one\n"
    "                       line: 5, 0-7,12 or all\n"
    "  --set COMMAND        apply a set command before serving, e.g. VAB01100\n"
    "  --state FILE         apply the set commands in FILE before serving\n"
    "  --state-out FILE     write the unit's state as set commands at exit and on 'dump'\n"
    "                       (on a bus of several units: FILE.NN for unit NN)\n"
    "  --control FIFO       create FIFO and read control commands from it while running\n"
    "  --script FILE        run the control commands in FILE before serving\n"
    "  --fault LINE         run one control command before serving, e.g. 'status E3 next'\n"
    "  --reply-delay MS     answer every line MS milliseconds late\n"
    "  --pace               send at the real 9600 baud 8E1 rate (1.15 ms a byte)\n"
    "  --unit-version XXXX  the four characters of the VN reply (default 1.00)\n"
    "  --help               this text\n"
    "\n"
    "Stops cleanly on SIGINT, SIGTERM or SIGHUP, on the control command 'quit',\n"
    "or at the time limit. See sim/README.md for the control commands.\n";

namespace {

bool parse_number(std::string_view text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const std::string s(text);
  out = std::strtod(s.c_str(), &end);
  return end && *end == '\0' && out >= 0;
}

}  // namespace

bool parse_options(int argc, const char* const* argv, Options& out, std::string& error) {
  out = Options{};
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) {
        error = std::string(arg) + " needs a value";
        return false;
      }
      into = argv[++i];
      return true;
    };
    std::string v;
    if (arg == "--help" || arg == "-h") {
      out.help = true;
    } else if (arg == "--path-file") {
      if (!value(out.path_file)) return false;
    } else if (arg == "--tcp" || arg == "--rfc2217") {
      if (!value(v)) return false;
      if (out.transport != Options::Transport::terminal) {
        error = "--tcp and --rfc2217 go one at a time";
        return false;
      }
      NetPortError bad;
      if (!parse_net_address(v, out.listen, bad, true)) {
        error = std::string(arg) + " " + v + ": " + net_port_error_text(bad);
        return false;
      }
      out.transport = arg == "--tcp" ? Options::Transport::tcp : Options::Transport::rfc2217;
    } else if (arg == "--link") {
      if (!value(out.link)) return false;
    } else if (arg == "--log") {
      if (!value(out.log)) return false;
    } else if (arg == "--rx-raw") {
      if (!value(out.rx_raw)) return false;
    } else if (arg == "--state-out") {
      if (!value(out.state_out)) return false;
    } else if (arg == "--control") {
      if (!value(out.control)) return false;
    } else if (arg == "--time-limit") {
      if (!value(v)) return false;
      if (!parse_number(v, out.time_limit) || out.time_limit <= 0 || out.time_limit > 86400 * 7) {
        error = "--time-limit needs a number of seconds above 0";
        return false;
      }
    } else if (arg == "--rs232c") {
      out.rs485 = false;
      out.addresses.clear();
    } else if (arg == "--rs485") {
      if (!value(v)) return false;
      if (!parse_address_list(v, out.addresses)) {
        error = "--rs485 needs slave addresses 0..31: 5, 0-7,12 or all";
        return false;
      }
      std::sort(out.addresses.begin(), out.addresses.end());  // the units in address order
      out.rs485 = true;
    } else if (arg == "--set") {
      if (!value(v)) return false;
      out.startup.push_back({StartupAction::set, v});
    } else if (arg == "--state") {
      if (!value(v)) return false;
      out.startup.push_back({StartupAction::state_file, v});
    } else if (arg == "--script") {
      if (!value(v)) return false;
      out.startup.push_back({StartupAction::script_file, v});
    } else if (arg == "--fault") {
      if (!value(v)) return false;
      out.startup.push_back({StartupAction::control, v});
    } else if (arg == "--reply-delay") {
      if (!value(v)) return false;
      out.startup.push_back({StartupAction::control, "delay " + v + " always"});
    } else if (arg == "--pace") {
      out.pace = true;
    } else if (arg == "--unit-version") {
      if (!value(out.version)) return false;
      if (out.version.size() != 4) {
        error = "--unit-version needs exactly four characters";
        return false;
      }
      for (char c : out.version)
        if (c < 0x21 || c > 0x7E) {
          error = "--unit-version needs printable ASCII characters";
          return false;
        }
    } else {
      error = "unknown option " + std::string(arg);
      return false;
    }
  }
  if (out.transport != Options::Transport::terminal && !out.link.empty()) {
    error = "--link names a terminal, and a network port has none (use --path-file)";
    return false;
  }
  return true;
}

}  // namespace zanteq::sim
