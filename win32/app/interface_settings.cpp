// Reading and writing "zanteq.ini" with the private-profile functions.
#include "win32/app/interface_settings.h"

#include <shlobj.h>
#include <windows.h>

#include <string>

#include "win32/link/message_boxes.h"
#include "platform/windows/text_conversion.h"
#include "core/settings/ini_values.h"

namespace zanteq::win32 {

using platform::utf8_to_wide;
using platform::wide_to_utf8;

namespace {

constexpr DWORD value_buffer_chars = 10;  // at most 9 characters of a value are used

std::wstring user_ini_folder() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    return {};
  }
  return std::wstring(folder) + L"\\ZANTEQ";
}

std::wstring user_ini_path() {
  const std::wstring folder = user_ini_folder();
  return folder.empty() ? std::wstring() : folder + L"\\" + utf8_to_wide(ini_file_name);
}

bool exists(const std::wstring& path) {
  return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The file an older program left (its VirtualStore copy first, then the
// Windows folder), or nothing.
std::wstring older_ini_path() {
  wchar_t local[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local))) local[0] = L'\0';
  wchar_t windows[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) windows[0] = L'\0';
  for (const std::string& place : older_ini_places(wide_to_utf8(local), wide_to_utf8(windows))) {
    const std::wstring path = utf8_to_wide(place);
    if (exists(path)) return path;
  }
  return {};
}

int read_key(const std::wstring& path, const char* key) {
  wchar_t value[value_buffer_chars] = {};
  GetPrivateProfileStringW(utf8_to_wide(ini_section).c_str(), utf8_to_wide(key).c_str(),
                           utf8_to_wide(ini_default_text).c_str(), value, value_buffer_chars,
                           path.c_str());
  return ini_to_int(wide_to_utf8(value));
}

}  // namespace

void read_interface_settings(AppState& app) {
  const std::wstring user = user_ini_path();
  const std::wstring older = exists(user) ? std::wstring() : older_ini_path();
  // No file at all: every key reads "0".
  const std::wstring path = !older.empty() ? older : !user.empty() ? user : utf8_to_wide(ini_file_name);
  app.iface.com_port = checked_com_port(read_key(path, ini_key_com_port));
  app.link.rs_control = read_key(path, ini_key_rs_control);  // any non-zero value is RS-485
  app.iface.select_number = checked_select_number(read_key(path, ini_key_select_number));
  app.iface.transfer_pace = checked_transfer_pace(read_key(path, ini_key_transfer_pace));
}

void write_interface_setting(const char* key, int value) {
  const std::wstring folder = user_ini_folder();
  const std::wstring user = user_ini_path();
  bool written = false;
  if (!folder.empty()) {
    CreateDirectoryW(folder.c_str(), nullptr);
    if (!exists(user)) {
      // Carry the keys of an older installation over, select_number included.
      const std::wstring older = older_ini_path();
      if (!older.empty()) CopyFileW(older.c_str(), user.c_str(), TRUE);
    }
    written = WritePrivateProfileStringW(utf8_to_wide(ini_section).c_str(), utf8_to_wide(key).c_str(),
                                         utf8_to_wide(int_to_ini(value)).c_str(), user.c_str()) != FALSE;
  }
  // Said once: the dialog writes on every change, and the choice still
  // holds in memory until the program ends.
  static bool told = false;
  if (written || told) return;
  told = true;
  const std::wstring where = user.empty() ? L"%APPDATA%\\ZANTEQ\\" + utf8_to_wide(ini_file_name) : user;
  show_warning_box(ini_write_failed_text(wide_to_utf8(where)).c_str());
}

}  // namespace zanteq::win32
