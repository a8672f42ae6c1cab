// zanteqctl's console on Linux and other POSIX systems: the terminal test,
// SIGINT and SIGTERM, and main.
#include <signal.h>
#include <unistd.h>

#include "ctl/console.h"

namespace zanteq::ctl {

namespace {

std::atomic<int>* interrupt_flag = nullptr;

void on_interrupt(int) {
  if (interrupt_flag) interrupt_flag->store(1);
}

}  // namespace

bool stderr_is_terminal() { return ::isatty(STDERR_FILENO) != 0; }

void watch_interrupt(std::atomic<int>& flag) {
  interrupt_flag = &flag;
  struct sigaction action {};
  action.sa_handler = on_interrupt;
  action.sa_flags = SA_RESETHAND;  // a second Ctrl-C ends the program at once
  ::sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

}  // namespace zanteq::ctl

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return zanteq::ctl::run_zanteqctl(args);
}
