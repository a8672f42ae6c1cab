// The platform side of the file commands: GetOpenFileNameW and
// GetSaveFileNameW, question boxes, whole-file reads in binary, and the
// steps of a save (a new file beside the target, written and flushed, then
// moved over it) with the bytes as they are (the core's text already ends
// its lines in CR LF).
#include "win32/settings/file_dialogs.h"

#include <windows.h>
#include <commdlg.h>

#include <cstdio>
#include <vector>

#include "win32/app/app.h"
#include "win32/app/main_window.h"
#include "win32/link/message_boxes.h"
#include "win32/link/text_conversion.h"

namespace zanteq::win32 {

namespace {

constexpr DWORD path_chars = 8192;
constexpr std::size_t largest_settings_file = 1 << 20;  // a real one is about 1 KB

// Filter pairs, each zero-terminated, the list ended by an empty string.
const wchar_t filter[] = L"データ(*.dat)\0*.dat\0すべて(*.*)\0*.*\0";

class Win32FilePlatform final : public FilePlatform {
 public:
  bool ask_yes_no(const char* text) override { return win32::ask_yes_no(text, "ZANTEQ"); }

  std::optional<std::string> choose_file(FileDialogMode mode) override {
    std::vector<wchar_t> path(path_chars, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = main_window();
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = path_chars;
    BOOL chosen = FALSE;
    if (mode == FileDialogMode::open) {
      dialog.lpstrTitle = L"ファイルのオープン";
      dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
      chosen = GetOpenFileNameW(&dialog);
    } else {
      dialog.lpstrTitle = L"ファイルの保存";
      dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
      chosen = GetSaveFileNameW(&dialog);
    }
    if (!chosen) return std::nullopt;
    return wide_to_utf8(path.data());
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
    FILE* file = _wfopen(utf8_to_wide(path).c_str(), L"rb");
    if (!file) return std::nullopt;
    std::string content;
    char chunk[4096];
    std::size_t got = 0;
    while (content.size() < largest_settings_file && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
      content.append(chunk, got);
    }
    std::fclose(file);
    return content;
  }

  std::optional<std::string> create_file_beside(const std::string& target) override {
    const std::wstring wide_target = utf8_to_wide(target);
    const std::size_t slash = wide_target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"." : wide_target.substr(0, slash + 1);
    wchar_t fresh[MAX_PATH] = {};
    if (GetTempFileNameW(folder.c_str(), L"ztq", 0, fresh) == 0) return std::nullopt;
    return wide_to_utf8(fresh);
  }

  bool write_and_flush(const std::string& path, const std::string& bytes) override {
    const HANDLE file = CreateFileW(utf8_to_wide(path).c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool all_written = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                             written == bytes.size();
    // A full disk or a lost share may only show when the cache is written out.
    const bool flushed = all_written && FlushFileBuffers(file);
    const bool closed = CloseHandle(file) != 0;
    return all_written && flushed && closed;
  }

  bool replace_file(const std::string& from, const std::string& target) override {
    const std::wstring wide_target = utf8_to_wide(target);
    // Windows refuses to move a file over a read-only one; Wine does not,
    // so the user's write protection is honoured here on both.
    const DWORD attributes = GetFileAttributesW(wide_target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
    return MoveFileExW(utf8_to_wide(from).c_str(), wide_target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }

  void remove_file(const std::string& path) override { DeleteFileW(utf8_to_wide(path).c_str()); }

  void show_file_error(const std::string& text) override {
    show_warning_box(text.c_str());
  }

  void show_file_name(const std::string& path) override { show_main_window_file(path); }
};

}  // namespace

FileCommands& file_commands() {
  static Win32FilePlatform platform;
  static FileCommands commands{app_state(), platform, reporter()};
  return commands;
}

}  // namespace zanteq::win32
