// zanteqctl's platform side on Windows: the COM port opened for synchronous
// I/O, each read bounded by COMMTIMEOUTS (a total time-out for the wait and
// a 20 ms interval that ends the read once a reply has stopped coming), the
// port list and the text conversions of the Windows program, UTF-8 on the
// console.
//
// Single-threaded: the Ctrl-C handler runs on a thread of its own and only
// sets the flag.
#include <windows.h>

#include <cstdio>

#include "core/link/exchange.h"
#include "core/link/port_link.h"
#include "ctl/port.h"
#include "win32/link/line_settings.h"
#include "win32/link/port_enum.h"
#include "win32/link/text_conversion.h"

namespace zanteq::ctl {

namespace {

constexpr DWORD queue_size = 2000;
constexpr DWORD read_interval_ms = 20;
constexpr DWORD write_timeout_ms = 1000;

using win32::apply_line_settings;
using win32::utf8_to_wide;
using win32::wide_to_utf8;

std::string system_reason(DWORD code) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason = text ? wide_to_utf8(text) : "error " + std::to_string(code);
  if (text) LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.'))
    reason.pop_back();
  return reason;
}

class WindowsPort : public SerialLine {
 public:
  explicit WindowsPort(HANDLE port) : port_(port) {}
  ~WindowsPort() override {
    PurgeComm(port_, PURGE_RXCLEAR);
    CloseHandle(port_);
  }

  bool write_all(std::string_view bytes) override {
    while (!bytes.empty()) {
      DWORD written = 0;
      if (!WriteFile(port_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        return fail(GetLastError());
      if (written == 0) {
        error_ = "writing timed out (the handshake holds the line)";
        return false;
      }
      bytes.remove_prefix(written);
    }
    return true;
  }

  long read_some(char* buffer, std::size_t size, int timeout_ms) override {
    if (!set_read_timeout(timeout_ms)) return -1;
    DWORD received = 0;
    if (!ReadFile(port_, buffer, static_cast<DWORD>(size), &received, nullptr)) {
      const DWORD code = GetLastError();
      DWORD errors = 0;
      ClearCommError(port_, &errors, nullptr);  // line errors are dropped, as the program does
      fail(code);
      return -1;
    }
    return static_cast<long>(received);
  }

  std::string error() const override { return error_; }

 private:
  // A total time-out bounds the wait; with 0 the read takes only what is
  // already there.
  bool set_read_timeout(int timeout_ms) {
    if (timeout_ms == current_timeout_) return true;
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = timeout_ms == 0 ? MAXDWORD : read_interval_ms;
    t.ReadTotalTimeoutMultiplier = 0;
    t.ReadTotalTimeoutConstant = static_cast<DWORD>(timeout_ms);
    t.WriteTotalTimeoutMultiplier = 0;
    t.WriteTotalTimeoutConstant = write_timeout_ms;
    if (!SetCommTimeouts(port_, &t)) return fail(GetLastError());
    current_timeout_ = timeout_ms;
    return true;
  }
  bool fail(DWORD code) {
    error_ = system_reason(code);
    return false;
  }

  HANDLE port_;
  int current_timeout_ = -1;
  std::string error_;
};

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

std::unique_ptr<SerialLine> open_serial_port(const std::string& name, std::string& error) {
  std::string device = name;
  if (device.rfind("\\\\.\\", 0) != 0) device = "\\\\.\\" + device;  // COM10 and above need it
  HANDLE port = CreateFileW(utf8_to_wide(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    // A port that another program holds answers "access denied".
    const DWORD code = GetLastError();
    error = code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION ? "in use by another program"
                                                                            : system_reason(code);
    return nullptr;
  }
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!SetupComm(port, queue_size, queue_size) || !GetCommState(port, &dcb)) {
    error = "not a serial port: " + system_reason(GetLastError());
    CloseHandle(port);
    return nullptr;
  }
  apply_line_settings(dcb);
  if (!SetCommState(port, &dcb)) {
    // Under Wine on a pseudo-terminal the call fails when the parity did
    // not take (a pty has none), though the rest did; 8 bits at 9600 must hold.
    const DWORD code = GetLastError();
    DCB now{};
    now.DCBlength = sizeof now;
    if (!GetCommState(port, &now) || now.BaudRate != CBR_9600 || now.ByteSize != 8) {
      error = "the line settings were refused: " + system_reason(code);
      CloseHandle(port);
      return nullptr;
    }
  }
  PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR);
  return std::make_unique<WindowsPort>(port);
}

std::vector<std::string> list_serial_ports() {
  // The interface dialog's list, by the names --port takes: "COM12  USB Serial Port".
  std::vector<std::string> lines;
  for (const PortListEntry& entry : port_list(win32::present_ports(), -1)) {
    const std::size_t description = entry.text.find("  ");
    lines.push_back(port_name(entry.com_port) +
                    (description == std::string::npos ? std::string() : entry.text.substr(description)));
  }
  return lines;
}

bool read_whole_file(const std::string& path, std::string& content, std::string& error) {
  FILE* file = _wfopen(utf8_to_wide(path).c_str(), L"rb");
  if (!file) return error = system_reason(GetLastError()), false;
  content.clear();
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, n);
  const bool ok = !std::ferror(file);
  std::fclose(file);
  if (!ok) error = "read error";
  return ok;
}

// Written beside the target, flushed, then moved over it in one step: a
// write that fails (a full disk, a pulled stick) leaves the old file whole.
// A read-only file stays as it is (MoveFileEx alone would replace it).
bool write_whole_file(const std::string& path, const std::string& content, std::string& error) {
  const std::wstring target = utf8_to_wide(path);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    return error = system_reason(ERROR_ACCESS_DENIED), false;
  // A name of its own: CREATE_NEW never opens a file that is already there.
  const std::wstring temporary = target + L".zanteqctl-" + std::to_wstring(GetCurrentProcessId());
  const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return error = system_reason(GetLastError()), false;
  DWORD written = 0;
  const bool ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                  written == content.size() && FlushFileBuffers(file);
  const DWORD code = ok ? ERROR_SUCCESS : GetLastError();
  CloseHandle(file);
  if (ok && MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  error = system_reason(ok ? GetLastError() : code);
  DeleteFileW(temporary.c_str());
  return false;
}

bool can_write_file(const std::string& path, std::string& error) {
  const std::wstring wide = utf8_to_wide(path);
  const bool existed = GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
  FILE* file = _wfopen(wide.c_str(), L"ab");
  if (!file) return error = system_reason(GetLastError()), false;
  std::fclose(file);
  if (!existed) DeleteFileW(wide.c_str());
  return true;
}

std::string cp932_to_utf8(std::string_view bytes) {
  const std::string text(bytes);
  if (text.empty()) return text;
  const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0);
  if (n <= 0) return printable_reply(bytes);  // not code page 932
  return wide_to_utf8(win32::cp932_to_wide(text));
}

bool stderr_is_terminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void watch_interrupt(std::atomic<int>& flag) {
  interrupt_flag = &flag;
  SetConsoleCtrlHandler(on_console_event, TRUE);
}

}  // namespace zanteq::ctl

int wmain(int argc, wchar_t** argv) {
  zanteq::ctl::user_code_page = GetConsoleOutputCP();
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(zanteq::win32::wide_to_utf8(argv[i]));
  const int status = zanteq::ctl::run_zanteqctl(args);
  zanteq::ctl::restore_code_page();
  return status;
}
