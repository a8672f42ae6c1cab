// The soak's UI driver: starts zanteq.exe and works it for as long as the
// soak runs, the way a busy user would, while scripts/soak switches the
// simulated unit from one fault to the next:
//
//   zanteq-soak-driver.exe <zanteq.exe> <work folder> [--probe-ms N] [--tamper-file]
//
// Over and over: every feature dialog with each of its 設定 buttons, a
// settings file opened and saved under a new name, a read-all and a
// set-all run; every third time round at the old pace (one command per
// period, the interface dialog's check box), else at the pace of the
// replies, the program's default. Every box that comes is answered (OK, or
// Yes to a question) and written down; a box that stays open when answered,
// or is still open once everything has settled at the end, is a finding.
// A second thread asks the main window for an answer (SendMessageTimeout,
// WM_NULL) every probe period and notes how long it took; it stops before
// the program is closed.
//
// Files in the work folder (the soak reads them):
//   driver.log   one line per event: "<ms> <KIND> <text>" (ms since the start)
//   probes.log   "<ms> <answered 0|1> <reply ms>" per probe
//   warm         made once the first pass over everything is done
//   stop         made by scripts/soak: finish what runs, settle, close the program
//   host-request written here, removed by scripts/soak when done ("quiet":
//                no faults while a file is opened and saved; "resume")
//   open-N.dat   the files to open, in turn; saved-N.dat are written here
//
// --tamper-file changes the hold time between opening and saving (the
// soak's own test that a saved file unlike the opened one is caught).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/driver/script.h"

namespace {

using e2e::utf8;
using e2e::wait_for;
using e2e::wide;

constexpr UINT menu_file_open = 32776;
constexpr UINT menu_file_save_as = 32778;
constexpr UINT menu_set_all = 32788;
constexpr UINT menu_read_all = 32789;
constexpr UINT menu_interface = 32791;
constexpr int interface_old_pace = 1150;  // checked: one command per period
// The feature dialogs: alarm, video loss, date and time, title, automatic
// switching, video adjustment, display channel, video format, AGC, other.
constexpr UINT feature_menus[] = {32779, 32780, 32817, 32782, 32784, 32786, 32785, 32818, 32819, 32787};
constexpr int alarm_hold_time = 1001;
constexpr int alarm_hold_time_set = 1007;

// ---- the log ---------------------------------------------------------------

const ULONGLONG started = GetTickCount64();
FILE* log_file = nullptr;

void note(const char* kind, const std::string& text) {
  if (!log_file) return;
  std::string line = text;
  std::replace(line.begin(), line.end(), '\n', ' ');
  std::replace(line.begin(), line.end(), '\r', ' ');
  std::fprintf(log_file, "%llu %s %s\n", GetTickCount64() - started, kind, line.c_str());
  std::fflush(log_file);
}

// How long a dialog may take to come or go: Wine builds a file dialog's
// first view slowly, and more so on a loaded machine.
constexpr DWORD slow_ms = 20000;

// ---- the program's windows ---------------------------------------------------

PROCESS_INFORMATION program{};

std::wstring class_of(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring text_of(HWND window) {
  wchar_t text[1024] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
  return text;
}

bool program_runs() { return WaitForSingleObject(program.hProcess, 0) == WAIT_TIMEOUT; }

std::vector<HWND> program_dialogs() {
  std::vector<HWND> found;
  EnumWindows(
      [](HWND window, LPARAM list) -> BOOL {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == program.dwProcessId && IsWindowVisible(window) && class_of(window) == L"#32770")
          reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND main_window() {
  struct Search {
    HWND found;
  } search{nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == program.dwProcessId && IsWindowVisible(window) && class_of(window) == L"ZANTEQ") {
          reinterpret_cast<Search*>(param)->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring box_text(HWND box) {
  std::wstring found;
  EnumChildWindows(
      box,
      [](HWND child, LPARAM param) -> BOOL {
        if (class_of(child) != L"Static") return TRUE;
        std::wstring t = text_of(child);
        if (t.empty()) return TRUE;
        *reinterpret_cast<std::wstring*>(param) = t;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// A message box: the icon's static (0xFFFF), or no owner and a text. Our
// dialogs and the file dialogs have an owner and controls of their own.
bool is_message_box(HWND dialog) {
  return GetDlgItem(dialog, 0xFFFF) != nullptr || (GetWindow(dialog, GW_OWNER) == nullptr && !box_text(dialog).empty());
}

// ---- boxes -------------------------------------------------------------------

std::map<std::string, int> boxes_answered;  // "caption | text" -> count
std::set<HWND> stuck_boxes;                  // answered, and still open
int boxes_left_open = 0;

std::string box_name(HWND box) { return utf8(text_of(box)) + " | " + utf8(box_text(box)); }

void answer_box(HWND box) {
  const std::string name = box_name(box);
  // OK, else Yes (the questions: open without saving, leave without saving),
  // else whatever the box offers.
  int button = 0;
  for (int id : {IDOK, IDYES, IDCANCEL, IDNO, IDRETRY, IDABORT, IDIGNORE}) {
    if (GetDlgItem(box, id)) {
      button = id;
      break;
    }
  }
  if (!button) button = IDOK;
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
  if (wait_for(5000, [&] { return !IsWindow(box) || !IsWindowVisible(box); }, 20)) {
    ++boxes_answered[name];
    note("BOX", name);
  } else if (stuck_boxes.insert(box).second) {
    ++boxes_left_open;
    note("STUCK-BOX", name);
  }
}

// Answers every box open now; the number answered.
int answer_open_boxes() {
  int answered = 0;
  for (HWND d : program_dialogs()) {
    if (is_message_box(d) && !stuck_boxes.count(d)) {
      answer_box(d);
      ++answered;
    }
  }
  return answered;
}

// Answers boxes for up to `ms`; with `until_one`, returns once a box was
// answered and no other followed within a moment.
void answer_boxes_for(DWORD ms, bool until_one = false) {
  const ULONGLONG end = GetTickCount64() + ms;
  ULONGLONG quiet_since = 0;
  while (GetTickCount64() < end && program_runs()) {
    if (answer_open_boxes() > 0) quiet_since = GetTickCount64();
    else if (until_one && quiet_since && GetTickCount64() - quiet_since > 200) return;
    Sleep(30);
  }
}

// ---- the stop file and the host ------------------------------------------------

std::wstring work;

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool stop_asked() { return exists(work + L"stop") || !program_runs(); }

void touch(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

// Asks scripts/soak for something and waits until it is done.
void host(const char* request) {
  const std::wstring path = work + L"host-request";
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, request, static_cast<DWORD>(std::strlen(request)), &written, nullptr);
  CloseHandle(file);
  if (!wait_for(30000, [&] { return !exists(path); })) note("HOST", std::string("no answer to ") + request);
}

// ---- dialogs -----------------------------------------------------------------

// Posts a menu command and waits for the dialog it opens (a non-box dialog
// that was not there before), answering boxes meanwhile.
HWND open_dialog(UINT command) {
  answer_open_boxes();
  const std::vector<HWND> before = program_dialogs();
  const HWND main = main_window();
  if (!main) return nullptr;
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(command, 0), 0);
  HWND found = nullptr;
  wait_for(slow_ms, [&] {
    for (HWND d : program_dialogs()) {
      if (is_message_box(d)) {
        answer_box(d);
        continue;
      }
      if (std::find(before.begin(), before.end(), d) == before.end()) {
        found = d;
        return true;
      }
    }
    return !program_runs();
  });
  if (!found) note("NO-DIALOG", std::to_string(command));
  return found;
}

bool dialog_gone(HWND dialog) { return !IsWindow(dialog) || !IsWindowVisible(dialog); }

// Close is disabled while a run of the dialog goes (a 全設定, at the old
// pace for seconds): the user waits for it, answering boxes, as here for
// up to a minute, before clicking Close.
void close_dialog(HWND dialog) {
  const HWND close = GetDlgItem(dialog, IDCANCEL);
  for (int attempt = 0; attempt < 3 && !dialog_gone(dialog); ++attempt) {
    wait_for(60000, [&] {
      answer_open_boxes();
      return dialog_gone(dialog) || !close || IsWindowEnabled(close) || !program_runs();
    });
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    wait_for(3000, [&] {
      answer_open_boxes();
      return dialog_gone(dialog);
    });
  }
  if (IsWindow(dialog) && IsWindowVisible(dialog)) {
    ++boxes_left_open;
    note("STUCK-DIALOG", utf8(text_of(dialog)));
  }
}

// The dialog's setting buttons: 設定, 全設定, 設定Don't ..., 年月日時分秒.
std::vector<int> setting_buttons(HWND dialog) {
  std::vector<int> ids;
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM param) -> BOOL {
        if (class_of(child) != L"Button" || !IsWindowVisible(child) || !IsWindowEnabled(child)) return TRUE;
        const std::wstring t = text_of(child);
        if (t.find(L"設定") != std::wstring::npos || t == L"年月日時分秒")
          reinterpret_cast<std::vector<int>*>(param)->push_back(GetDlgCtrlID(child));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&ids));
  return ids;
}

int clicks = 0;

void feature_dialog(UINT command) {
  const HWND dialog = open_dialog(command);
  if (!dialog) return;
  for (int id : setting_buttons(dialog)) {
    if (stop_asked() || !IsWindow(dialog)) break;
    answer_open_boxes();
    if (const HWND button = GetDlgItem(dialog, id)) {
      PostMessageW(button, BM_CLICK, 0, 0);
      ++clicks;
      answer_boxes_for(1500, true);
    }
  }
  close_dialog(dialog);
}

// The pace of the runs, switched in the interface dialog (it takes effect
// at once): true for the old pace.
bool old_pace = false;
int runs = 0;
int old_pace_runs = 0;

const char* pace_name() { return old_pace ? "old" : "reply"; }

void set_pace(bool old) {
  const HWND dialog = open_dialog(menu_interface);
  if (!dialog) return;
  const HWND box = GetDlgItem(dialog, interface_old_pace);
  const auto as_asked = [&] { return (IsDlgButtonChecked(dialog, interface_old_pace) == BST_CHECKED) == old; };
  if (box && !as_asked()) PostMessageW(box, BM_CLICK, 0, 0);
  if (box && wait_for(3000, as_asked)) {
    old_pace = old;
    note("PACE", pace_name());
  } else {
    note("NO-PACE", old ? "the old pace not set" : "the reply pace not set");
  }
  close_dialog(dialog);
}

// Read-all or set-all: Start, then wait for the run to end (the dialog
// closes itself, or its Close button comes back), answering boxes.
void bulk_run(UINT command, int start_button, const char* what) {
  const HWND dialog = open_dialog(command);
  if (!dialog) return;
  const HWND close = GetDlgItem(dialog, IDCANCEL);
  const HWND start = GetDlgItem(dialog, start_button);
  if (start) PostMessageW(start, BM_CLICK, 0, 0);
  ++runs;
  if (old_pace) ++old_pace_runs;
  const ULONGLONG began = GetTickCount64();
  bool running = false;
  const bool ended = wait_for(
      180000,
      [&] {
        answer_open_boxes();
        if (!IsWindow(dialog) || !IsWindowVisible(dialog) || !program_runs()) return true;
        const bool close_enabled = close && IsWindowEnabled(close);
        if (!close_enabled) running = true;
        // Never started (the port is gone: a box said so), or over with the dialog open.
        return close_enabled && (running || GetTickCount64() - began > 3000);
      },
      100);
  // Completed: the dialog closed itself; stopped: it stayed open with Close
  // back (an error reply, a silent unit, no port). A completed run gives
  // Close back just before its dialog goes.
  if (ended) wait_for(1000, [&] { return dialog_gone(dialog); });
  const char* how = !ended ? " did not end in " : IsWindow(dialog) && IsWindowVisible(dialog) ? " stopped after "
                                                                                               : " completed after ";
  note("RUN", std::string(what) + " " + pace_name() + how + std::to_string(GetTickCount64() - began) + " ms");
  if (!ended) {
    ++boxes_left_open;
    note("STUCK-DIALOG", std::string(what) + " run");
  }
  if (IsWindow(dialog) && IsWindowVisible(dialog)) close_dialog(dialog);
}

// ---- files -------------------------------------------------------------------

int files_opened = 0;

bool file_dialog(const wchar_t* caption, const std::wstring& path) {
  HWND found = nullptr;
  if (!wait_for(slow_ms, [&] {
        for (HWND d : program_dialogs()) {
          if (text_of(d) == caption) {
            found = d;
            return true;
          }
          if (is_message_box(d)) answer_box(d);
        }
        return !program_runs();
      })) {
    note("NO-FILE-DIALOG", utf8(caption));
    return false;
  }
  if (!found) return false;
  HWND name = GetDlgItem(found, 0x47c);  // cmb13: the file name combo
  if (name && class_of(name) != L"Edit") {
    if (const HWND inner = FindWindowExW(name, nullptr, L"Edit", nullptr)) name = inner;
  }
  if (!name) name = GetDlgItem(found, 0x480);
  if (!name) return false;
  SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  PostMessageW(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(found, IDOK)));
  return wait_for(slow_ms, [&] { return !IsWindow(found) || !IsWindowVisible(found); });
}

// The hold time typed and sent, so the record differs from the file.
void tamper() {
  const HWND dialog = open_dialog(feature_menus[0]);
  if (!dialog) return;
  SendMessageW(GetDlgItem(dialog, alarm_hold_time), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"123"));
  PostMessageW(GetDlgItem(dialog, alarm_hold_time_set), BM_CLICK, 0, 0);
  answer_boxes_for(1500, true);
  close_dialog(dialog);
}

// Opens the next open-N.dat and saves it as saved-M.dat, with the unit
// quiet meanwhile (a data line from a unit changes the record, as it should).
void file_round(bool change_it) {
  static int next_file = 0;
  std::wstring source = work + L"open-" + std::to_wstring(next_file) + L".dat";
  if (!exists(source)) {
    next_file = 0;
    source = work + L"open-0.dat";
  }
  ++next_file;
  if (!exists(source)) return;
  host("quiet");
  answer_boxes_for(500);
  const HWND main = main_window();
  if (main) {
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(menu_file_open, 0), 0);
    if (file_dialog(L"ファイルのオープン", source)) {
      answer_boxes_for(800);
      if (change_it) tamper();
      const std::wstring saved = work + L"saved-" + std::to_wstring(files_opened) + L".dat";
      PostMessageW(main, WM_COMMAND, MAKEWPARAM(menu_file_save_as, 0), 0);
      if (file_dialog(L"ファイルの保存", saved)) {
        answer_boxes_for(800);
        note("FILE", utf8(source) + " > " + utf8(saved));
        ++files_opened;
      }
    }
  }
  host("resume");
}

// ---- the probe thread ------------------------------------------------------------

DWORD probe_ms = 1000;
std::atomic<bool> probing{true};

DWORD WINAPI probe_thread(void* path) {
  FILE* out = _wfopen(static_cast<const wchar_t*>(path), L"w");
  if (!out) return 1;
  while (probing) {
    const ULONGLONG at = GetTickCount64();
    if (!program_runs()) {
      std::fprintf(out, "%llu ended\n", at - started);
      std::fflush(out);
      break;
    }
    if (const HWND main = main_window()) {
      DWORD_PTR result = 0;
      const BOOL answered = SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) != 0;
      std::fprintf(out, "%llu %d %llu\n", at - started, answered ? 1 : 0, GetTickCount64() - at);
      std::fflush(out);
    }
    const ULONGLONG spent = GetTickCount64() - at;
    if (spent < probe_ms) Sleep(static_cast<DWORD>(probe_ms - spent));
  }
  std::fclose(out);
  return 0;
}

HANDLE prober = nullptr;

// Before the program is closed: a probe that found it gone would read as a
// program that ended by itself.
void stop_probing() {
  probing = false;
  if (prober) {
    WaitForSingleObject(prober, 5000);
    CloseHandle(prober);
    prober = nullptr;
  }
}

// ---- the run ---------------------------------------------------------------------

// Three feature dialogs in turn, so that the bulk runs and the files come
// round often, also in a short soak.
void some_dialogs() {
  static std::size_t next = 0;
  for (int n = 0; n < 3 && !stop_asked(); ++n) feature_dialog(feature_menus[next++ % std::size(feature_menus)]);
}

void pass(bool tamper_file) {
  static int passes = 0;
  const bool old = passes++ % 3 == 2;
  if (old != old_pace) set_pace(old);
  if (stop_asked()) return;
  some_dialogs();
  if (stop_asked()) return;
  file_round(tamper_file);
  if (stop_asked()) return;
  bulk_run(menu_read_all, 1078, "read-all");
  some_dialogs();
  if (stop_asked()) return;
  bulk_run(menu_set_all, 1048, "set-all");
}

// Everything the loop does once, briefly, so that what Windows (or Wine)
// sets up on first use is there before the figures are taken: the file
// dialogs, each dialog with one of its buttons, the bulk dialogs, the
// interface dialog's pace switched to the old one and back.
void warm_up(bool tamper_file) {
  file_round(tamper_file);
  set_pace(true);
  set_pace(false);
  for (UINT menu : feature_menus) {
    if (stop_asked()) return;
    const HWND dialog = open_dialog(menu);
    if (!dialog) continue;
    const std::vector<int> buttons = setting_buttons(dialog);
    if (!buttons.empty()) {
      PostMessageW(GetDlgItem(dialog, buttons.front()), BM_CLICK, 0, 0);
      ++clicks;
      answer_boxes_for(1500, true);
    }
    close_dialog(dialog);
  }
  for (UINT menu : {menu_read_all, menu_set_all}) {
    if (stop_asked()) return;
    if (const HWND dialog = open_dialog(menu)) close_dialog(dialog);
  }
}

// At the end: every box answered until none has come for 3 s (at most 15 s),
// then the program closed (Yes to leaving without saving).
int finish() {
  const ULONGLONG end = GetTickCount64() + 15000;
  ULONGLONG quiet_since = GetTickCount64();
  while (program_runs() && GetTickCount64() < end && GetTickCount64() - quiet_since < 3000) {
    if (answer_open_boxes() > 0) quiet_since = GetTickCount64();
    Sleep(50);
  }
  for (HWND d : program_dialogs()) {
    if (!program_runs()) break;
    ++boxes_left_open;
    note(is_message_box(d) ? "LEFT-OPEN" : "LEFT-OPEN-DIALOG", box_name(d));
  }
  if (!program_runs()) {
    DWORD code = 0;
    GetExitCodeProcess(program.hProcess, &code);
    note("ENDED", "the program ended by itself, exit code " + std::to_string(code));
    return 1;
  }
  stop_probing();
  if (const HWND main = main_window()) PostMessageW(main, WM_CLOSE, 0, 0);
  wait_for(20000, [&] {
    answer_open_boxes();
    return !program_runs();
  });
  if (program_runs()) {
    note("NO-EXIT", "the program did not end within 20 s of its close");
    TerminateProcess(program.hProcess, 3);
    return 1;
  }
  DWORD code = 0;
  GetExitCodeProcess(program.hProcess, &code);
  note("EXIT", std::to_string(code));
  return code == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    e2e::say("usage: zanteq-soak-driver.exe <zanteq.exe> <work folder> [--probe-ms N] [--tamper-file]");
    return 2;
  }
  const std::wstring exe = argv[1];
  work = argv[2];
  if (!work.empty() && work.back() != L'\\') work += L'\\';
  bool tamper_file = false;
  for (int i = 3; i < argc; ++i) {
    const std::wstring a = argv[i];
    if (a == L"--tamper-file") tamper_file = true;
    if (a == L"--probe-ms" && i + 1 < argc) probe_ms = static_cast<DWORD>(std::wcstoul(argv[++i], nullptr, 10));
  }
  log_file = _wfopen((work + L"driver.log").c_str(), L"w");

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring command_line = L"\"" + exe + L"\"";
  if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &program)) {
    note("NO-START", utf8(exe));
    return 1;
  }
  if (!wait_for(20000, [] { return main_window() != nullptr || !program_runs(); }) || !main_window()) {
    note("NO-WINDOW", "no main window within 20 s");
    TerminateProcess(program.hProcess, 3);
    return 1;
  }
  note("START", utf8(exe));
  std::wstring probes = work + L"probes.log";
  prober = CreateThread(nullptr, 0, probe_thread, probes.data(), 0, nullptr);

  answer_boxes_for(1000);  // the start-up's boxes, if the port is missing
  warm_up(tamper_file);
  touch(work + L"warm");
  note("WARM", "first pass done");
  while (!stop_asked()) pass(tamper_file);
  note("STOP", "clicks " + std::to_string(clicks) + ", runs " + std::to_string(runs) + " (" +
                   std::to_string(old_pace_runs) + " at the old pace), files " + std::to_string(files_opened));
  const int code = finish();
  for (const auto& [name, count] : boxes_answered) note("BOXES", std::to_string(count) + " " + name);
  note("LEFT", std::to_string(boxes_left_open));
  stop_probing();
  CloseHandle(program.hProcess);
  CloseHandle(program.hThread);
  if (log_file) std::fclose(log_file);
  return code;
}
