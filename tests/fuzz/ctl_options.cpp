// Fuzz target: zanteqctl's command line, the input's zero bytes parting
// the arguments.
//
// Checked besides the sanitizers:
//  - bad usage always says why;
//  - a command line taken is one zanteqctl can carry out: a known command,
//    a port unless it lists ports, --address and --broadcast not together,
//    one address for the one-unit commands, addresses 0..31, a time-out of
//    1..60000 ms;
//  - what was taken, written as a command line of its own, is taken again
//    as the same options.
#include <algorithm>
#include <string>
#include <vector>

#include "ctl/options.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using zanteq::ctl::Options;

bool same(const Options& a, const Options& b) {
  return a.command == b.command && a.operands == b.operands && a.port == b.port &&
         a.has_address == b.has_address && a.addresses == b.addresses && a.broadcast == b.broadcast &&
         a.timeout_ms == b.timeout_ms && a.timeout_given == b.timeout_given && a.pace == b.pace &&
         a.json == b.json && a.output == b.output && a.log == b.log && a.help == b.help;
}

std::vector<std::string> written(const Options& o) {
  std::vector<std::string> args;
  if (o.help) args.push_back("--help");
  if (!o.port.empty()) args.insert(args.end(), {"--port", o.port});
  if (o.has_address) {
    std::string list;
    for (int a : o.addresses) list += (list.empty() ? "" : ",") + std::to_string(a);
    args.insert(args.end(), {"--address", list});
  }
  if (o.broadcast) args.push_back("--broadcast");
  if (o.timeout_given) args.insert(args.end(), {"--timeout", std::to_string(o.timeout_ms)});
  if (o.pace == zanteq::ctl::Pace::fixed) args.insert(args.end(), {"--pace", "fixed"});
  if (o.json) args.push_back("--json");
  if (!o.output.empty()) args.push_back("--output=" + o.output);
  if (!o.log.empty()) args.push_back("--log=" + o.log);
  args.push_back("--");
  if (!o.command.empty()) args.push_back(o.command);
  args.insert(args.end(), o.operands.begin(), o.operands.end());
  return args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args;
  while (!input.empty() && args.size() < 64) {
    const std::size_t end = std::min(input.find('\0'), input.size());
    args.emplace_back(input.substr(0, end));
    input.remove_prefix(std::min(end + 1, input.size()));
  }

  Options options;
  std::string error;
  if (!zanteq::ctl::parse_options(args, options, error)) {
    FUZZ_CHECK(!error.empty(), "bad usage without a message");
    return 0;
  }
  if (!options.help) {
    const std::string& c = options.command;
    FUZZ_CHECK(c == "ports" || c == "scan" || c == "read" || c == "write" || c == "diff" || c == "send",
               "an unknown command taken");
    FUZZ_CHECK(c == "ports" || !options.port.empty(), "a command taken without a port");
    FUZZ_CHECK(!(options.has_address && options.broadcast), "--address taken with --broadcast");
    FUZZ_CHECK(options.has_address == !options.addresses.empty(), "--address taken without an address");
    FUZZ_CHECK(options.addresses.size() <= 1 || (c != "read" && c != "diff" && c != "send"),
               "several addresses taken for a one-unit command");
  }
  for (int a : options.addresses) FUZZ_CHECK(a >= 0 && a <= 31, "an address outside 0..31 taken");
  FUZZ_CHECK(options.timeout_ms >= 1 && options.timeout_ms <= 60000, "a time-out outside 1..60000 ms taken");

  Options again;
  FUZZ_CHECK(zanteq::ctl::parse_options(written(options), again, error), "the options written out are refused");
  FUZZ_CHECK(same(again, options), "the options written out read otherwise");
  return 0;
}
