// zanteq-sim: a ZANTEQ unit on a pseudo-terminal, for running and testing
// ZANTEQ Setup without a unit on the desk. See sim/README.md.
#include <cstdio>
#include <string>

#include "sim/options.h"
#include "sim/server.h"

int main(int argc, char** argv) {
  zanteq::sim::Options options;
  std::string error;
  if (!zanteq::sim::parse_options(argc, argv, options, error)) {
    std::fprintf(stderr, "zanteq-sim: %s\n%s", error.c_str(), zanteq::sim::usage_text);
    return 2;
  }
  if (options.help) {
    std::fputs(zanteq::sim::usage_text, stdout);
    return 0;
  }
  return zanteq::sim::run_simulator(options);
}
