// Reading and writing "zanteq.ini" with the private-profile functions.
#include "win32/app/interface_settings.h"

#include <shlobj.h>
#include <windows.h>

#include <string>

#include "win32/link/text_conversion.h"
#include "core/settings/ini_values.h"

namespace zanteq::win32 {

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

// The file of older installations: the bare name, which the profile
// functions look up in the Windows directory.
std::wstring legacy_ini_path() { return utf8_to_wide(ini_file_name); }

bool exists(const std::wstring& path) {
  return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring legacy_ini_full_path() {
  wchar_t windows[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::wstring(windows) + L"\\" + utf8_to_wide(ini_file_name);
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
  const std::wstring path = exists(user) ? user : legacy_ini_path();
  app.iface.com_port = checked_com_port(read_key(path, ini_key_com_port));
  app.link.rs_control = read_key(path, ini_key_rs_control);  // any non-zero value is RS-485
  app.iface.select_number = checked_select_number(read_key(path, ini_key_select_number));
}

void write_interface_setting(const char* key, int value) {
  const std::wstring folder = user_ini_folder();
  if (folder.empty()) return;  // no profile folder: nothing sensible to write to
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring user = user_ini_path();
  if (!exists(user)) {
    // Carry the keys of an older installation over, select_number included.
    const std::wstring legacy = legacy_ini_full_path();
    if (exists(legacy)) CopyFileW(legacy.c_str(), user.c_str(), TRUE);
  }
  WritePrivateProfileStringW(utf8_to_wide(ini_section).c_str(), utf8_to_wide(key).c_str(),
                             utf8_to_wide(int_to_ini(value)).c_str(), user.c_str());
}

}  // namespace zanteq::win32
