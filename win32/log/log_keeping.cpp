// The communication log's reader on the main window, and the recorder's
// platform: save dialogs, the log file, the INI keys, boxes.
#include "win32/log/log_keeping.h"

#include <commdlg.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "core/settings/ini_values.h"
#include "platform/files.h"
#include "platform/windows/text_conversion.h"
#include "win32/app/app.h"
#include "win32/app/interface_settings.h"
#include "win32/app/main_window.h"
#include "win32/link/message_boxes.h"
#include "win32/link/serial_port.h"
#include "win32/log/log_window.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

using platform::utf8_to_wide;
using platform::wide_to_utf8;

namespace {

// How long new rows wait to be taken: often enough to look live, rarely
// enough that a flood costs the interface thread little.
constexpr UINT take_delay_ms = 100;
constexpr DWORD path_chars = 8192;

const wchar_t log_filter[] = L"テキスト(*.txt;*.log)\0*.txt;*.log\0すべて(*.*)\0*.*\0";

class Win32LogPlatform final : public LogRecorderPlatform {
 public:
  std::optional<std::string> choose_file(LogFileUse use) override {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const LocalTime local{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
    std::vector<wchar_t> path(path_chars, L'\0');
    const std::wstring offered = utf8_to_wide(log_file_offered_name(use, local));
    offered.copy(path.data(), path_chars - 1);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    // Its own dialogs belong to the log window while it is open.
    dialog.hwndOwner = log_window() ? log_window() : main_window();
    dialog.lpstrFilter = log_filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = path_chars;
    if (use == LogFileUse::save) {
      dialog.lpstrTitle = L"通信ログの保存";
      dialog.lpstrDefExt = L"txt";
      dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
    } else {
      // An existing file is appended to, so there is nothing to confirm.
      dialog.lpstrTitle = L"通信ログの記録先";
      dialog.lpstrDefExt = L"log";
      dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    }
    if (!GetSaveFileNameW(&dialog)) return std::nullopt;
    return wide_to_utf8(path.data());
  }

  bool can_write(const std::string& path) override {
    std::string error;
    return platform::can_write_file(path, error);
  }

  std::unique_ptr<LogFileStore> open_store(const std::string& path) override {
    return std::make_unique<PathLogFileStore>(std::filesystem::path(utf8_to_wide(path)));
  }

  void keep_setting(bool to_file, const std::string& path) override { write_log_file_setting(to_file, path); }

  bool replace_file(const std::string& path, const std::string& bytes, std::string& error) override {
    return platform::replace_file(path, bytes, error);
  }

  void show_file_error(const std::string& text) override { show_warning_box(text.c_str()); }

  void recording_changed() override { show_log_recording(); }
};

Win32LogPlatform the_platform;
LogRecorder the_recorder{comm_log(), the_platform};
LogListPace list_pace;
bool take_armed = false;

void arm_take() {
  if (!take_armed) take_armed = SetTimer(main_window(), TIMER_LOG, take_delay_ms, nullptr) != 0;
}

}  // namespace

LogRecorder& log_recorder() { return the_recorder; }

void start_comm_log() {
  const LogFileSetting setting = read_log_file_setting();
  the_recorder.start(setting.to_file, setting.path);
  comm_log().set_reader_wake([] {
    if (const HWND window = main_window()) PostMessageW(window, message_log_waiting, 0, 0);
  });
}

LRESULT on_log_waiting() {
  arm_take();
  return 0;
}

LRESULT on_log_timer() {
  // Disarmed before the take: an event appended from here on wakes again.
  KillTimer(main_window(), TIMER_LOG);
  take_armed = false;
  take_comm_log();
  return 0;
}

void take_comm_log() {
  const LogRecorder::Taken taken = the_recorder.take();
  const std::optional<LogRecorder::Taken> due = list_pace.take(
      static_cast<std::int64_t>(GetTickCount64()), taken, serial_port().transfer_holds_line());
  // Rows kept from the list during a run: looked at again until shown.
  if (list_pace.waiting()) arm_take();
  if (!due) return;
  show_log_rows(*due);
  // After the rows are on screen; the timer goes on under the box.
  if (!due->file_error.empty()) show_warning_box(due->file_error.c_str());
}

void clear_log_rows() {
  the_recorder.clear();
  list_pace.clear();
}

void log_main_tick() {
  if (!take_armed) take_comm_log();
}

}  // namespace zanteq::win32
