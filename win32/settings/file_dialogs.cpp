// The platform side of the file commands: GetOpenFileNameW and
// GetSaveFileNameW, question boxes, and the platform layer's whole-file
// reads and safe replace, with the bytes as they are (the core's text
// already ends its lines in CR LF).
#include "win32/settings/file_dialogs.h"

#include <windows.h>
#include <commdlg.h>

#include <vector>

#include "win32/app/app.h"
#include "win32/app/main_window.h"
#include "win32/link/message_boxes.h"
#include "platform/files.h"
#include "platform/windows/text_conversion.h"

namespace zanteq::win32 {

using platform::utf8_to_wide;
using platform::wide_to_utf8;

namespace {

constexpr DWORD path_chars = 8192;
constexpr std::size_t largest_settings_file = 1 << 20;  // a real one is about 1 KB

// Filter pairs, each zero-terminated, the list ended by an empty string.
const wchar_t filter[] = L"データ(*.dat)\0*.dat\0すべて(*.*)\0*.*\0";

class Win32FilePlatform final : public FilePlatform {
 public:
  bool ask_yes_no(const char* text) override { return win32::ask_yes_no(text, "ZANTEQ"); }

  std::optional<std::string> choose_file(FileDialogMode mode) override {
    if (mode == FileDialogMode::open) return choose_path(main_window(), PathDialog::open, L"ファイルのオープン", filter);
    return choose_path(main_window(), PathDialog::save, L"ファイルの保存", filter);
  }

  bool file_exists(const std::string& path) override {
    const DWORD attributes = GetFileAttributesW(utf8_to_wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES;
  }

  bool confirm_replace(const std::string& path) override {
    const std::wstring text = utf8_to_wide(path) + L" は既に存在します。\n上書きしますか？";
    const int answer = MessageBoxW(main_window(), text.c_str(), L"ファイルの保存",
                                   MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
    return answer == IDYES;
  }

  std::optional<std::string> read_file(const std::string& path) override {
    std::string content, error;
    if (!platform::read_file(path, content, error, largest_settings_file)) return std::nullopt;
    return content;
  }

  bool replace_file(const std::string& path, const std::string& bytes) override {
    std::string error;
    return platform::replace_file(path, bytes, error);
  }

  void show_file_error(const std::string& text) override {
    show_warning_box(text.c_str());
  }

  void show_file_name(const std::string& path) override { show_main_window_file(path); }
};

}  // namespace

std::optional<std::string> choose_path(HWND owner, PathDialog kind, const wchar_t* title, const wchar_t* filter) {
  std::vector<wchar_t> path(path_chars, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = path_chars;
  dialog.lpstrTitle = title;
  BOOL chosen = FALSE;
  if (kind == PathDialog::open) {
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    chosen = GetOpenFileNameW(&dialog);
  } else {
    dialog.Flags = OFN_HIDEREADONLY | (kind == PathDialog::save ? OFN_OVERWRITEPROMPT : 0);
    chosen = GetSaveFileNameW(&dialog);
  }
  if (!chosen) return std::nullopt;
  return wide_to_utf8(path.data());
}

FileCommands& file_commands() {
  static Win32FilePlatform platform;
  static FileCommands commands{app_state(), platform, reporter()};
  return commands;
}

}  // namespace zanteq::win32
