// zanteqctl's console on Windows: UTF-8 on the console (the user's code
// page given back however the program ends), Ctrl-C and Ctrl-Break, and
// wmain.
//
// Single-threaded: the Ctrl-C handler runs on a thread of its own and only
// sets the flag.
#include <windows.h>

#include "ctl/console.h"
#include "platform/windows/text_conversion.h"

namespace zanteq::ctl {

namespace {

std::atomic<int>* interrupt_flag = nullptr;
bool interrupted_once = false;

// The console's code page before ours: the console is the user's, and gets
// it back however the program ends.
UINT user_code_page = 0;

void restore_code_page() {
  if (user_code_page) SetConsoleOutputCP(user_code_page);
}

BOOL WINAPI on_console_event(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (interrupted_once) {  // the second one ends the program
    restore_code_page();
    return FALSE;
  }
  interrupted_once = true;
  if (interrupt_flag) interrupt_flag->store(1);
  return TRUE;
}

}  // namespace

bool stderr_is_terminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void watch_interrupt(std::atomic<int>& flag) {
  interrupt_flag = &flag;
  SetConsoleCtrlHandler(on_console_event, TRUE);
}

// The entry point's part of the console.
int run_with_console(int argc, wchar_t** argv) {
  user_code_page = GetConsoleOutputCP();
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(platform::wide_to_utf8(argv[i]));
  const int status = run_zanteqctl(args);
  restore_code_page();
  return status;
}

}  // namespace zanteq::ctl

int wmain(int argc, wchar_t** argv) { return zanteq::ctl::run_with_console(argc, argv); }
