// Deliberate faults for the soak's own tests, linked only into
// zanteq-soak-faulty.exe (the program's objects and this file; never
// installed, never packaged). Each test of the soak runs a short soak
// against this build with one fault chosen by ZANTEQ_SOAK_FAULT and passes
// only if the soak reports the measure that fault must break:
//
//   crash          the program dies after a few seconds        (alive)
//   hang           the main thread holds 2.5 s every 3 s        (answers within 1 s)
//   leak-memory    2 MB more memory in use every second         (memory)
//   leak-threads   two more threads every second, never ending  (threads)
//   leak-files     two more files open every second             (file descriptors)
//   box            a box that comes back each time it is closed (no box left open)
//
// Nothing here runs without the variable. The faults start from a thread of
// their own made before WinMain, once the main window is there.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

HWND own_main_window() {
  struct Search {
    HWND found;
  } search{nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (pid == GetCurrentProcessId() && std::wcscmp(name, L"ZANTEQ") == 0) {
          reinterpret_cast<Search*>(param)->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

constexpr UINT message_hold = WM_APP + 0x3F00;
WNDPROC program_procedure = nullptr;

// The main window's procedure, with one message more: hold the thread.
LRESULT CALLBACK holding_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == message_hold) {
    Sleep(2500);
    return 0;
  }
  return CallWindowProcW(program_procedure, window, message, wparam, lparam);
}

DWORD WINAPI forever(void*) {
  Sleep(INFINITE);
  return 0;
}

DWORD WINAPI run_fault(void* name) {
  const std::string fault = static_cast<const char*>(name);
  HWND main = nullptr;
  while (!(main = own_main_window())) Sleep(100);
  Sleep(1000);
  if (fault == "crash") {
    Sleep(3000);
    *static_cast<volatile int*>(nullptr) = 1;
  } else if (fault == "hang") {
    program_procedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(holding_procedure)));
    for (;;) {
      PostMessageW(main, message_hold, 0, 0);
      Sleep(3000);
    }
  } else if (fault == "leak-memory") {
    for (;;) {
      const std::size_t size = 1 << 20;
      char* block = static_cast<char*>(std::malloc(size));
      if (block) std::memset(block, 0x5A, size);  // touched, so it is resident
      Sleep(500);
    }
  } else if (fault == "leak-threads") {
    for (;;) {
      if (const HANDLE thread = CreateThread(nullptr, 0, forever, nullptr, 0, nullptr)) CloseHandle(thread);
      Sleep(500);
    }
  } else if (fault == "leak-files") {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    for (;;) {
      const HANDLE file = CreateFileW(self, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      char byte = 0;
      DWORD read = 0;
      if (file != INVALID_HANDLE_VALUE) ReadFile(file, &byte, 1, &read, nullptr);  // the process now holds its descriptor
      Sleep(500);
    }
  } else if (fault == "box") {
    for (;;) MessageBoxW(main, L"わざと開いたままの箱", L"Soak", MB_OK);
  }
  return 0;
}

struct Start {
  Start() {
    const char* fault = std::getenv("ZANTEQ_SOAK_FAULT");
    if (fault && *fault) {
      static std::string name;
      name = fault;
      if (const HANDLE thread = CreateThread(nullptr, 0, run_fault, name.data(), 0, nullptr)) CloseHandle(thread);
    }
  }
} start;

}  // namespace
