// zanteqctl's platform side on Windows: the COM port opened for synchronous
// I/O, each read bounded by COMMTIMEOUTS (a total time-out for the wait and
// a 20 ms interval that ends the read once a reply has stopped coming), the
// port list from the registry and SetupAPI, UTF-8 on the console.
//
// Single-threaded: the Ctrl-C handler runs on a thread of its own and only
// sets the flag.
#include <windows.h>
#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "core/link/exchange.h"
#include "ctl/port.h"

namespace zanteq::ctl {

namespace {

constexpr DWORD queue_size = 2000;
constexpr DWORD read_interval_ms = 20;
constexpr DWORD write_timeout_ms = 1000;

std::wstring to_wide(const std::string& text, UINT code_page = CP_UTF8) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string to_utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string text(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr,
                      nullptr);
  return text;
}

std::string system_reason(DWORD code) {
  if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION) return "in use by another program";
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason = text ? to_utf8(text) : "error " + std::to_string(code);
  if (text) LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.'))
    reason.pop_back();
  return reason;
}

void apply_line_settings(DCB& dcb) {
  dcb.BaudRate = CBR_9600;
  dcb.ByteSize = 8;
  dcb.Parity = EVENPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fParity = FALSE;  // parity generated on sending, not checked on receiving
  dcb.fBinary = TRUE;
  dcb.fOutxCtsFlow = TRUE;
  dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
  dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
  dcb.fOutX = TRUE;
  dcb.fInX = TRUE;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.XonLim = 256;
  dcb.XoffLim = 256;
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

BOOL WINAPI on_console_event(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (interrupted_once) return FALSE;  // the second one ends the program
  interrupted_once = true;
  if (interrupt_flag) interrupt_flag->store(1);
  return TRUE;
}

// COMn friendly names by port name, where SetupAPI knows them (it knows
// none under Wine).
std::map<std::string, std::string> friendly_names() {
  std::map<std::string, std::string> names;
  HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return names;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
    wchar_t friendly[256] = {};
    if (!SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_FRIENDLYNAME, nullptr,
                                           reinterpret_cast<BYTE*>(friendly), sizeof friendly, nullptr))
      continue;
    HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) continue;
    wchar_t port[64] = {};
    DWORD size = sizeof port - sizeof(wchar_t);
    if (RegQueryValueExW(key, L"PortName", nullptr, nullptr, reinterpret_cast<BYTE*>(port), &size) ==
        ERROR_SUCCESS)
      names[to_utf8(port)] = to_utf8(friendly);
    RegCloseKey(key);
  }
  SetupDiDestroyDeviceInfoList(set);
  return names;
}

int com_number(const std::string& name) {
  return name.size() > 3 && name.compare(0, 3, "COM") == 0 ? std::atoi(name.c_str() + 3) : 0;
}

}  // namespace

std::unique_ptr<SerialLine> open_serial_port(const std::string& name, std::string& error) {
  std::string device = name;
  if (device.rfind("\\\\.\\", 0) != 0) device = "\\\\.\\" + device;  // COM10 and above need it
  HANDLE port = CreateFileW(to_wide(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    error = system_reason(GetLastError());
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
  std::vector<std::string> ports;
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) ==
      ERROR_SUCCESS) {
    for (DWORD i = 0;; ++i) {
      wchar_t value_name[256];
      DWORD name_size = 256;
      wchar_t data[64] = {};
      DWORD data_size = sizeof data - sizeof(wchar_t);
      DWORD type = 0;
      const LONG r = RegEnumValueW(key, i, value_name, &name_size, nullptr, &type,
                                   reinterpret_cast<BYTE*>(data), &data_size);
      if (r != ERROR_SUCCESS) break;
      if (type == REG_SZ) ports.push_back(to_utf8(data));
    }
    RegCloseKey(key);
  }
  std::sort(ports.begin(), ports.end(), [](const std::string& a, const std::string& b) {
    return com_number(a) != com_number(b) ? com_number(a) < com_number(b) : a < b;
  });
  ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
  const std::map<std::string, std::string> names = friendly_names();
  std::vector<std::string> lines;
  for (const std::string& port : ports) {
    const auto named = names.find(port);
    lines.push_back(named == names.end() ? port : port + "  " + named->second);
  }
  return lines;
}

bool read_whole_file(const std::string& path, std::string& content, std::string& error) {
  FILE* file = _wfopen(to_wide(path).c_str(), L"rb");
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

bool write_whole_file(const std::string& path, const std::string& content, std::string& error) {
  FILE* file = _wfopen(to_wide(path).c_str(), L"wb");
  if (!file) return error = system_reason(GetLastError()), false;
  const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) error = "write error";
  return written && closed;
}

bool can_write_file(const std::string& path, std::string& error) {
  const std::wstring wide = to_wide(path);
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
  return to_utf8(to_wide(text, 932));
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
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(zanteq::ctl::to_utf8(argv[i]));
  return zanteq::ctl::run_zanteqctl(args);
}
