// zanteqctl's command line.
#include "ctl/options.h"

#include <algorithm>

#include "core/link/address_list.h"

namespace zanteq::ctl {

const char* const usage_text =
    "usage: zanteqctl [options] COMMAND [operands]\n"
    "\n"
    "commands:\n"
    "  ports                       list the serial ports of this machine\n"
    "  scan                        ask slave addresses 00..31 (RS-485), print those that answer\n"
    "  read -o FILE                read every setting of one unit into a settings file\n"
    "  write FILE                  send every setting of FILE to each unit of --address\n"
    "  diff FILE                   read one unit and print the fields that differ from FILE\n"
    "  send LINE...                send raw command lines and print each reply\n"
    "\n"
    "options:\n"
    "  --port P                    serial port (/dev/ttyUSB0, COM3)\n"
    "  --address LIST              RS-485 slave addresses: 3, 0-7,12 or all (one for read,\n"
    "                              diff and send); without it the line is RS-232C\n"
    "  --broadcast                 write or send once to every unit (address FF)\n"
    "  --timeout MS                wait for each reply at most MS ms (default 1000; scan 250)\n"
    "  --pace replies|fixed        next command when the reply is complete (default), or\n"
    "                              also no sooner than 400 ms (read) / 500 ms (write, send)\n"
    "  --log FILE                  append every line sent and received, with its time, and\n"
    "                              the port's events to FILE (UTF-8, as the program's log file)\n"
    "  --json                      one JSON object per unit on standard output\n"
    "  -o, --output FILE           the file read writes\n"
    "  -h, --help                  this text\n"
    "\n"
    "exit status: 0 every unit done, 1 a unit failed (diff: they differ),\n"
    "2 bad usage or a bad file (nothing sent), 3 the port cannot be opened\n";

namespace {

bool parse_number(const std::string& text, int low, int high, int& value) {
  if (text.empty() || text.size() > 6) return false;
  int n = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  if (n < low || n > high) return false;
  value = n;
  return true;
}

bool is_command(const std::string& word) {
  static const char* const commands[] = {"ports", "scan", "read", "write", "diff", "send"};
  return std::find_if(std::begin(commands), std::end(commands),
                      [&](const char* c) { return word == c; }) != std::end(commands);
}

}  // namespace

bool parse_address_list(const std::string& text, std::vector<int>& addresses, std::string& error) {
  if (zanteq::parse_address_list(text, addresses)) return true;
  error = "bad address \"" + text + "\" in --address: slave addresses are 0..31 (a list such as 3, 0-7,12 or all)";
  return false;
}

bool parse_options(const std::vector<std::string>& args, Options& options, std::string& error) {
  bool options_end = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::string value;
    bool has_inline_value = false;
    if (!options_end && arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
      value = arg.substr(arg.find('=') + 1);
      arg = arg.substr(0, arg.find('='));
      has_inline_value = true;
    }
    auto take_value = [&](std::string& out) {
      if (has_inline_value) {
        out = value;
        return true;
      }
      if (i + 1 >= args.size()) {
        error = "option " + arg + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };

    const bool is_switch = arg == "--help" || arg == "--broadcast" || arg == "--json";
    if (!options_end && has_inline_value && is_switch) {
      error = "option " + arg + " takes no value";
      return false;
    }
    if (!options_end && arg == "--") {
      options_end = true;
    } else if (!options_end && (arg == "-h" || arg == "--help")) {
      options.help = true;
    } else if (!options_end && arg == "--port") {
      if (!take_value(options.port)) return false;
    } else if (!options_end && arg == "--address") {
      std::string list;
      if (!take_value(list)) return false;
      if (!parse_address_list(list, options.addresses, error)) return false;
      options.has_address = true;
    } else if (!options_end && arg == "--broadcast") {
      options.broadcast = true;
    } else if (!options_end && arg == "--timeout") {
      std::string ms;
      if (!take_value(ms)) return false;
      if (!parse_number(ms, 1, 60000, options.timeout_ms)) {
        error = "--timeout takes milliseconds from 1 to 60000, not \"" + ms + "\"";
        return false;
      }
      options.timeout_given = true;
    } else if (!options_end && arg == "--pace") {
      std::string pace;
      if (!take_value(pace)) return false;
      if (pace == "fixed")
        options.pace = Pace::fixed;
      else if (pace == "replies")
        options.pace = Pace::replies;
      else
        return error = "--pace is replies or fixed, not \"" + pace + "\"", false;
    } else if (!options_end && arg == "--json") {
      options.json = true;
    } else if (!options_end && arg == "--log") {
      if (!take_value(options.log)) return false;
      if (options.log.empty()) return error = "--log needs a file name", false;
    } else if (!options_end && (arg == "-o" || arg == "--output")) {
      if (!take_value(options.output)) return false;
    } else if (!options_end && arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + arg;
      return false;
    } else if (options.command.empty()) {
      if (!is_command(arg)) return error = "unknown command \"" + arg + "\"", false;
      options.command = arg;
    } else {
      options.operands.push_back(args[i]);
    }
  }
  if (options.help) return true;
  if (options.command.empty()) return error = "no command given", false;

  const std::string& c = options.command;
  if (options.has_address && options.broadcast)
    return error = "--address and --broadcast exclude each other", false;
  if (options.broadcast && c != "write" && c != "send")
    return error = "--broadcast is for write and send only: nothing answers it", false;
  if (options.has_address && options.addresses.size() > 1 && (c == "read" || c == "diff" || c == "send"))
    return error = c + " works on one unit: give --address a single address", false;
  if (c != "ports" && options.port.empty()) return error = c + " needs --port", false;
  if ((c == "write" || c == "diff") && options.operands.size() != 1)
    return error = c + " takes one settings file", false;
  if ((c == "ports" || c == "scan" || c == "read") && !options.operands.empty())
    return error = c + " takes no operand (\"" + options.operands.front() + "\")", false;
  if (c == "read" && options.output.empty()) return error = "read needs -o FILE", false;
  if (c == "send" && options.operands.empty()) return error = "send needs at least one LINE", false;
  return true;
}

}  // namespace zanteq::ctl
