// UI driver of the end-to-end tests. Runs in the same Wine prefix (and
// desktop) as zanteq.exe, starts it, and works its windows the way a user
// would, by command ids, control ids, captions and texts, following a script:
//
//   zanteq-driver.exe <path of zanteq.exe> <script>
//
// One command per line; '#' starts a comment; arguments are words or
// "quoted strings" with \r \n \t \" \\ escapes. The commands are listed in
// tests/e2e/README.md. Every step is echoed; the first failure ends the run.
// Exit code: 0 all steps passed, 1 a step failed.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/driver/script.h"

namespace {

using namespace e2e;

constexpr DWORD default_timeout_ms = 5000;
constexpr DWORD poll_ms = 50;

// ---- windows of the program -----------------------------------------------

std::map<std::string, PROCESS_INFORMATION> processes;  // by the name given at launch

bool belongs_to_program(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  for (const auto& entry : processes) {
    if (entry.second.dwProcessId == pid) return true;
  }
  return false;
}

std::wstring class_of(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring text_of(HWND window) {
  wchar_t text[4096] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                      nullptr);
  return text;
}

std::vector<HWND> program_dialogs() {
  std::vector<HWND> found;
  EnumWindows(
      [](HWND window, LPARAM list) -> BOOL {
        if (IsWindowVisible(window) && class_of(window) == L"#32770" && belongs_to_program(window)) {
          reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// The text of a message box: its one static control that holds text.
std::wstring box_text(HWND box) {
  std::wstring found;
  struct Search {
    std::wstring* text;
  } search{&found};
  EnumChildWindows(
      box,
      [](HWND child, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (class_of(child) == L"Static") {
          std::wstring t = text_of(child);
          if (!t.empty()) {
            *s->text = t;
            return FALSE;
          }
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return found;
}

bool is_message_box(HWND dialog) {
  // A message box has no owner-drawn layout of ours: it has a static text
  // and only standard buttons; our dialogs always hold other controls.
  return GetDlgItem(dialog, 0xFFFF) != nullptr || (GetWindow(dialog, GW_OWNER) == nullptr && !box_text(dialog).empty());
}

void describe_open_windows() {
  for (HWND dialog : program_dialogs()) {
    say("      open: [%s] \"%s\"", shown(text_of(dialog)).c_str(), shown(box_text(dialog)).c_str());
  }
}

HWND find_main_window(const std::string& process) {
  auto it = processes.find(process);
  if (it == processes.end()) return nullptr;
  struct Search {
    DWORD pid;
    HWND found;
  } search{it->second.dwProcessId, nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == s->pid && IsWindowVisible(window) && class_of(window) == L"ZANTEQ") {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}


// ---- list views of another process -----------------------------------------

// A list view's messages carry pointers, which the system does not carry
// across processes: their structures and texts go through memory of the
// program's own.
class RemoteMemory {
 public:
  RemoteMemory(HWND window, std::size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteMemory() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  bool ok() const { return address_ != nullptr; }
  char* at(std::size_t offset) const { return static_cast<char*>(address_) + offset; }
  bool write(std::size_t offset, const void* data, std::size_t size) const {
    return offset + size <= size_ && WriteProcessMemory(process_, at(offset), data, size, nullptr);
  }
  bool read(std::size_t offset, void* data, std::size_t size) const {
    return offset + size <= size_ && ReadProcessMemory(process_, at(offset), data, size, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  std::size_t size_;
};

// Every row of a list view, cells joined by " | ", rows by a line feed.
std::wstring list_view_rows(HWND list) {
  constexpr std::size_t text_chars = 1024;
  RemoteMemory memory(list, sizeof(LVITEMW) + text_chars * sizeof(wchar_t));
  if (!memory.ok()) return L"(the list view's memory cannot be reached)";
  const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  std::wstring all;
  for (int row = 0; row < rows; ++row) {
    if (row > 0) all += L"\n";
    for (int column = 0; column < columns; ++column) {
      LVITEMW item{};
      item.iSubItem = column;
      item.pszText = reinterpret_cast<wchar_t*>(memory.at(sizeof item));
      item.cchTextMax = static_cast<int>(text_chars);
      memory.write(0, &item, sizeof item);
      const auto length = static_cast<std::size_t>(SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(memory.at(0))));
      std::wstring text(std::min(length, text_chars), L'\0');
      if (!text.empty()) memory.read(sizeof item, text.data(), text.size() * sizeof(wchar_t));
      if (column > 0) all += L" | ";
      all += text;
    }
  }
  return all;
}

// ---- the driver ------------------------------------------------------------

class Driver {
 public:
  explicit Driver(std::wstring program) : program_(std::move(program)) {}

  // Returns the exit code of the run.
  int run(const std::vector<std::string>& lines) {
    const int code = run_script(
        lines, [this](const std::vector<std::string>& words, Failure& f) { step(words, f); },
        [] { describe_open_windows(); });
    end_programs();
    return code;
  }

 private:
  static DWORD number(const std::vector<std::string>& w, std::size_t i, DWORD fallback) {
    return static_cast<DWORD>(e2e::number(w, i, fallback));
  }

  void fail(Failure& f, const std::string& why) { f = {exit_fail, why}; }

  HWND need_main(Failure& f) {
    if (!main_) fail(f, "no main window yet (use 'window')");
    return main_;
  }

  HWND need_dialog(Failure& f) {
    if (!dialog_ || !IsWindow(dialog_)) {
      fail(f, "no dialog open (use 'dialog')");
      return nullptr;
    }
    return dialog_;
  }

  HWND need_control(Failure& f, int id) {
    const HWND dialog = need_dialog(f);
    if (!dialog) return nullptr;
    const HWND control = GetDlgItem(dialog, id);
    if (!control) fail(f, "the dialog has no control " + std::to_string(id));
    return control;
  }

  void step(const std::vector<std::string>& w, Failure& f) {
    const std::string& command = w[0];
    if (command == "launch") return launch(word(w, 1, "main"), f);
    if (command == "window") return window(word(w, 1, "main"), number(w, 2, 10000), f);
    if (command == "menu") return post_command(number(w, 1, 0), f);
    if (command == "contextmenu") return context_menu(number(w, 1, 0), number(w, 2, 0), f);
    if (command == "close") return close_main(f);
    if (command == "dialog") return dialog(word(w, 1, ""), number(w, 2, default_timeout_ms), f);
    if (command == "nodialog") return no_dialog(word(w, 1, ""), number(w, 2, 1000), f);
    if (command == "dialog-cancel") return dialog_cancel(f);
    if (command == "hover") return hover(number(w, 1, 0), number(w, 2, 0));
    if (command == "combo") return combo(number(w, 1, 0), number(w, 2, 0), f);
    if (command == "combo-is") return combo_is(number(w, 1, 0), static_cast<int>(number(w, 2, 0)), f);
    if (command == "combo-count") return combo_count(number(w, 1, 0), number(w, 2, 0), f);
    if (command == "progress-is") return progress_is(number(w, 1, 0), number(w, 2, 0), number(w, 3, default_timeout_ms), f);
    if (command == "edit") return edit(number(w, 1, 0), word(w, 2, ""), f);
    if (command == "click") return click(number(w, 1, 0), f);
    if (command == "dialog-closed") return dialog_closed(number(w, 1, default_timeout_ms), f);
    if (command == "box") return box(w, f);
    if (command == "box-owner") return box_owner(w, f);
    if (command == "nobox") return no_box(number(w, 1, 1000), f);
    if (command == "filedlg") return file_dialog(word(w, 1, ""), word(w, 2, ""), true, f);
    if (command == "filedlg-cancel") return file_dialog(word(w, 1, ""), "", false, f);
    if (command == "title") return title(word(w, 1, ""), number(w, 2, default_timeout_ms), f);
    if (command == "caption") return caption(word(w, 1, ""), number(w, 2, default_timeout_ms), f);
    if (command == "status-clock") return status_clock(f);
    if (command == "exits") return exits(number(w, 1, 0), word(w, 2, "main"), number(w, 3, 10000), f);
    if (command == "alive") return alive(word(w, 1, "main"), f);
    if (command == "shot") return shot(word(w, 1, "shot.png"), f);
    if (command == "command") return dialog_command(number(w, 1, 0), f);
    if (command == "checked") return checked(number(w, 1, 0), number(w, 2, 1) != 0, number(w, 3, default_timeout_ms), f);
    if (command == "enabled") return enabled(number(w, 1, 0), number(w, 2, 1) != 0, number(w, 3, default_timeout_ms), f);
    if (command == "rows") return rows(number(w, 1, 0), word(w, 2, ""), number(w, 3, default_timeout_ms), f);
    if (command == "select") return select(w, f);
    if (command == "row-dblclick") return row_double_click(number(w, 1, 0), number(w, 2, 0), f);
    if (command == "text-is") return text_is(number(w, 1, 0), word(w, 2, ""), number(w, 3, default_timeout_ms), f);
    if (command == "type") return type(number(w, 1, 0), word(w, 2, ""), f);
    if (command == "key") return key(number(w, 1, 0), word(w, 2, "return"), f);
    if (command == "clock-combos-now") return clock_combos_now(number(w, 1, 10), f);
    if (command == "focus") return focus(number(w, 1, 0), f);
    if (command == "wipe") return wipe(number(w, 1, 0), f);
    if (command == "uncover") return uncover(f);
    if (command == "pixels") return pixels(w, f);
    if (command == "remember") return remember(w, f);
    if (command == "changed") return changed(number(w, 1, default_timeout_ms), f);
    if (command == "main-bars") return main_bars(f);
    if (command == "main-size") return main_size(number(w, 1, 0), number(w, 2, 0), f);
    if (command == "dpi-changed") return dpi_changed(number(w, 1, 96), f);
    if (command == "combo-post") return combo_post(number(w, 1, 0), number(w, 2, 0), f);
    if (command == "status-is") return status_is(number(w, 1, 0), word(w, 2, ""), number(w, 3, default_timeout_ms), f);
    if (command == "host") return host(w, f);
    if (command == "activate") return activate(f);
    if (command == "minimize") return minimize(f);
    if (command == "minimized") return minimized(number(w, 1, 1) != 0, number(w, 2, default_timeout_ms), f);
    if (command == "row-count") return rows(number(w, 1, 0), number(w, 2, 0), number(w, 3, default_timeout_ms), f);
    if (command == "rows-at-most") return rows_at_most(number(w, 1, 0), number(w, 2, 0), f);
    if (command == "row") return row(w, f);
    if (command == "scroll-bars") return scroll_bars(number(w, 1, 0), word(w, 2, "none"), f);
    if (command == "following") return following(number(w, 1, 0), number(w, 2, 1) != 0, f);
    if (command == "scroll-to") return scroll_to(number(w, 1, 0), number(w, 2, 0), f);
    if (command == "top-is") return top_is(number(w, 1, 0), word(w, 2, ""), number(w, 3, default_timeout_ms), f);
    if (command == "responsive") return responsive(number(w, 1, 1000), number(w, 2, 200), f);
    if (command == "list") {
      describe_open_windows();
      return;
    }
    if (command == "sleep") {
      Sleep(number(w, 1, 0));
      return;
    }
    if (command == "end-session") return end_session(word(w, 1, "ends") == "ends", f);
    if (command == "end-session-is") return end_session_is(word(w, 1, ""), number(w, 2, default_timeout_ms), f);
    fail(f, "unknown command '" + command + "'");
  }

  void launch(const std::string& name, Failure& f) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring command_line = L"\"" + program_ + L"\"";
    launched_at_ = GetTickCount64();
    if (!CreateProcessW(program_.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
      return fail(f, "cannot start " + utf8(program_));
    }
    processes[name] = info;
  }

  void window(const std::string& name, DWORD timeout, Failure& f) {
    HWND found = nullptr;
    if (!wait_for(timeout, [&] { return (found = find_main_window(name)) != nullptr; })) {
      return fail(f, "no main window of '" + name + "'");
    }
    say("     main window after %llu ms", static_cast<unsigned long long>(GetTickCount64() - launched_at_));
    main_ = found;
  }

  void post_command(DWORD id, Failure& f) {
    if (const HWND main = need_main(f)) PostMessageW(main, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  }

  void context_menu(DWORD x, DWORD y, Failure& f) {
    if (const HWND main = need_main(f)) {
      PostMessageW(main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(main), MAKELPARAM(x, y));
      Sleep(poll_ms);
    }
  }

  void close_main(Failure& f) {
    if (const HWND main = need_main(f)) PostMessageW(main, WM_CLOSE, 0, 0);
  }

  // A dialog of the program, by its caption or, written #ID, by a control
  // it holds (captions follow the unit-name rule; control ids do not).
  void dialog(const std::string& which, DWORD timeout, Failure& f) {
    const bool by_control = !which.empty() && which[0] == '#';
    const int control = by_control ? std::atoi(which.c_str() + 1) : 0;
    const std::wstring wanted = wide(which);
    HWND found = nullptr;
    const bool seen = wait_for(timeout, [&] {
      for (HWND d : program_dialogs()) {
        if (is_message_box(d)) continue;
        if (by_control ? GetDlgItem(d, control) != nullptr : text_of(d) == wanted) {
          found = d;
          return true;
        }
      }
      return false;
    });
    if (!seen) return fail(f, "no dialog " + which);
    dialog_ = found;
  }

  // No such dialog opens within `ms`.
  void no_dialog(const std::string& which, DWORD ms, Failure& f) {
    Failure probe;
    dialog(which, ms, probe);
    if (probe.code == exit_pass) fail(f, "the dialog " + which + " opened");
    dialog_ = nullptr;
  }

  // Escape, or the title-bar close: IDCANCEL to the dialog.
  void dialog_cancel(Failure& f) {
    if (const HWND dialog = need_dialog(f)) PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
  }

  // The mouse rests at screen position (x, y), as for a tooltip.
  void hover(DWORD x, DWORD y) {
    SetCursorPos(static_cast<int>(x) - 2, static_cast<int>(y));
    Sleep(100);
    SetCursorPos(static_cast<int>(x), static_cast<int>(y));
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dwFlags = MOUSEEVENTF_MOVE;
    move.mi.dx = 1;
    SendInput(1, &move, sizeof move);
  }

  void combo(DWORD id, DWORD index, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(id));
    if (!control) return;
    SendMessageW(control, CB_SETCURSEL, index, 0);
    SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
  }

  void combo_is(DWORD id, int index, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(id));
    if (!control) return;
    const int selection = static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0));
    if (selection != index) {
      fail(f, "combo " + std::to_string(id) + " shows entry " + std::to_string(selection) + ", expected " +
                  std::to_string(index));
    }
  }

  // combo-count <id> <n>: the number of entries of a combo.
  void combo_count(DWORD id, DWORD expected, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(id));
    if (!control) return;
    const DWORD seen = static_cast<DWORD>(SendMessageW(control, CB_GETCOUNT, 0, 0));
    if (seen != expected) {
      fail(f, "combo " + std::to_string(id) + " has " + std::to_string(seen) + " entries, expected " + std::to_string(expected));
    }
  }

  // progress-is <id> <position> [timeout ms]: a progress bar's position,
  // waited for, as a run that stops does so at its next timer tick.
  void progress_is(DWORD id, DWORD expected, DWORD timeout, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(id));
    if (!control) return;
    DWORD seen = 0;
    if (!wait_for(timeout, [&] { return (seen = static_cast<DWORD>(SendMessageW(control, PBM_GETPOS, 0, 0))) == expected; })) {
      fail(f, "progress bar " + std::to_string(id) + " at " + std::to_string(seen) + ", expected " + std::to_string(expected));
    }
  }

  void edit(DWORD id, const std::string& text, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(id));
    if (!control) return;
    const std::wstring value = wide(text);
    SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
  }

  void click(DWORD id, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(id));
    if (!control) return;
    // Posted: the click may open a modal box, which must not block the driver.
    PostMessageW(control, BM_CLICK, 0, 0);
    clicked_at_ = GetTickCount64();
  }

  void dialog_closed(DWORD timeout, Failure& f) {
    // A dialog that is gone already (it ended while a box was being closed)
    // is closed as well.
    if (!dialog_) return fail(f, "no dialog open (use 'dialog')");
    // Polled often: the time it took is a figure of the bulk benchmark.
    if (!wait_for(timeout, [&] { return !IsWindow(dialog_) || !IsWindowVisible(dialog_); }, 2)) {
      return fail(f, "the dialog is still open");
    }
    say("     dialog closed %llu ms after the last click", static_cast<unsigned long long>(GetTickCount64() - clicked_at_));
    dialog_ = nullptr;
  }

  void checked(DWORD id, bool wanted, DWORD timeout, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(id));
    if (!control) return;
    if (!wait_for(timeout, [&] { return (SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED) == wanted; })) {
      fail(f, "check box " + std::to_string(id) + (wanted ? " stays unchecked" : " stays checked"));
    }
  }

  // box <caption> <text> [ok|yes|no|cancel] [timeout ms] [earliest ms]
  void box(const std::vector<std::string>& w, Failure& f) {
    const std::wstring caption = wide(word(w, 1, ""));
    const std::wstring text = wide(word(w, 2, ""));
    const std::string button = word(w, 3, "ok");
    const DWORD timeout = number(w, 4, default_timeout_ms);
    const DWORD earliest = number(w, 5, 0);
    const int id = button == "yes" ? IDYES : button == "no" ? IDNO : button == "cancel" ? IDCANCEL : IDOK;
    const ULONGLONG start = GetTickCount64();
    const HWND found = wait_for_box(caption, text, timeout);
    if (!found) return fail(f, "no box [" + utf8(caption) + "] \"" + shown(text) + "\"");
    const ULONGLONG after = GetTickCount64() - start;
    say("     box after %llu ms", static_cast<unsigned long long>(after));
    if (after < earliest) return fail(f, "the box came too early");
    const HWND button_window = GetDlgItem(found, id);
    if (!button_window) return fail(f, "the box has no button '" + button + "'");
    PostMessageW(found, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button_window));
    if (!wait_for(default_timeout_ms, [&] { return !IsWindow(found); })) fail(f, "the box stays open");
  }

  static HWND wait_for_box(const std::wstring& caption, const std::wstring& text, DWORD timeout) {
    HWND found = nullptr;
    wait_for(timeout, [&] {
      for (HWND d : program_dialogs()) {
        if (text_of(d) == caption && box_text(d) == text) {
          found = d;
          return true;
        }
      }
      return false;
    });
    return found;
  }

  // box-owner <caption> <text> dialog|main [timeout ms]: such a box is open
  // (it stays open) and is owned by the current dialog or the main window,
  // so it stays in front of the window the user works in.
  void box_owner(const std::vector<std::string>& w, Failure& f) {
    const std::wstring caption = wide(word(w, 1, ""));
    const std::wstring text = wide(word(w, 2, ""));
    const std::string which = word(w, 3, "dialog");
    const HWND wanted = which == "main" ? need_main(f) : need_dialog(f);
    if (!wanted) return;
    const HWND found = wait_for_box(caption, text, number(w, 4, default_timeout_ms));
    if (!found) return fail(f, "no box [" + utf8(caption) + "] \"" + shown(text) + "\"");
    const HWND owner = GetWindow(found, GW_OWNER);
    if (owner != wanted) {
      fail(f, "the box is owned by " + (owner ? "[" + utf8(text_of(owner)) + "]" : std::string("no window")) +
                  ", not by the " + which + " window");
    }
  }

  void no_box(DWORD ms, Failure& f) {
    std::wstring caption, text;
    const bool seen = wait_for(ms, [&] {
      for (HWND d : program_dialogs()) {
        if (is_message_box(d)) {
          caption = text_of(d);
          text = box_text(d);
          return true;
        }
      }
      return false;
    });
    if (seen) fail(f, "unexpected box [" + utf8(caption) + "] \"" + shown(text) + "\"");
  }

  // The common file dialog: type the path into its name field and press OK,
  // or press Cancel.
  void file_dialog(const std::string& caption, const std::string& path, bool accept, Failure& f) {
    const std::wstring wanted = wide(caption);
    HWND found = nullptr;
    if (!wait_for(default_timeout_ms, [&] {
          for (HWND d : program_dialogs()) {
            if (text_of(d) == wanted) {
              found = d;
              return true;
            }
          }
          return false;
        })) {
      return fail(f, "no file dialog \"" + caption + "\"");
    }
    if (!accept) {
      PostMessageW(found, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else {
      HWND name = GetDlgItem(found, 0x47c);  // cmb13: the file name combo
      if (name && class_of(name) != L"Edit") {
        if (const HWND inner = FindWindowExW(name, nullptr, L"Edit", nullptr)) name = inner;
      }
      if (!name) name = GetDlgItem(found, 0x480);  // edt1 of older layouts
      if (!name) return fail(f, "the file dialog has no name field");
      const std::wstring value = wide(path);
      SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
      PostMessageW(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(found, IDOK)));
      clicked_at_ = GetTickCount64();  // OK starts what the dialog was asked for
    }
    if (!wait_for(default_timeout_ms, [&] { return !IsWindow(found) || !IsWindowVisible(found); })) {
      fail(f, "the file dialog stays open");
    }
  }

  void title(const std::string& expected, DWORD timeout, Failure& f) {
    const HWND main = need_main(f);
    if (!main) return;
    const std::wstring wanted = wide(expected);
    std::wstring seen;
    if (!wait_for(timeout, [&] { return (seen = text_of(main)) == wanted; })) {
      fail(f, "the title is \"" + utf8(seen) + "\"");
    }
  }

  // A window of dialog class with this caption belongs to a started program:
  // also another program's main window, such as an installer's.
  void caption(const std::string& expected, DWORD timeout, Failure& f) {
    const std::wstring wanted = wide(expected);
    const bool seen = wait_for(timeout, [&] {
      for (HWND d : program_dialogs()) {
        if (text_of(d) == wanted) return true;
      }
      return false;
    });
    if (!seen) {
      describe_open_windows();
      fail(f, "no window captioned \"" + expected + "\"");
    }
  }

  // Today's date as the status bar writes it, "2026年12月 5日  土曜日":
  // month and day blank-padded to two places, two blanks, the weekday's
  // name. Written out here, not with the program's own formatter, so that a
  // fault of the formatter shows.
  static std::wstring date_as_shown(const SYSTEMTIME& now) {
    static const wchar_t* const weekdays[7] = {L"日曜日", L"月曜日", L"火曜日", L"水曜日",
                                               L"木曜日", L"金曜日", L"土曜日"};
    const auto two_places = [](unsigned n) { return (n < 10 ? L" " : L"") + std::to_wstring(n); };
    return std::to_wstring(now.wYear) + L"年" + two_places(now.wMonth) + L"月" + two_places(now.wDay) +
           L"日  " + weekdays[now.wDayOfWeek % 7];
  }

  // The status bar shows today's date (part 0 is what WM_GETTEXT returns).
  void status_clock(Failure& f) {
    const HWND main = need_main(f);
    if (!main) return;
    const HWND bar = FindWindowExW(main, nullptr, STATUSCLASSNAMEW, nullptr);
    if (!bar) return fail(f, "no status bar");
    std::wstring seen, expected;
    const bool same = wait_for(2000, [&] {
      SYSTEMTIME now{};
      GetLocalTime(&now);
      expected = date_as_shown(now);
      seen = text_of(bar);
      return seen == expected;
    });
    if (!same) fail(f, "the status bar shows \"" + utf8(seen) + "\", expected \"" + utf8(expected) + "\"");
  }

  // A screenshot of the whole (virtual) screen with ImageMagick's import,
  // which Wine starts as the Linux program it is. The path is a Linux path.
  // Wine cannot wait for a Linux process, so the shot is done when the file
  // has been written and stays the same size.
  void shot(const std::string& path, Failure& f) {
    Sleep(300);  // let the last change paint
    const std::wstring file = L"Z:" + wide(path);
    DeleteFileW(file.c_str());
    std::wstring command = L"Z:\\usr\\bin\\import -window root \"" + wide(path) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      return fail(f, "cannot run import");
    }
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    LONGLONG last_size = -1;
    const bool written = wait_for(20000, [&] {
      WIN32_FILE_ATTRIBUTE_DATA data{};
      if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) return false;
      const LONGLONG size = (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      const bool steady = size > 0 && size == last_size;
      last_size = size;
      return steady;
    }, 250);
    if (!written) fail(f, "no screenshot " + path);
  }

  // WM_COMMAND with a control id straight to the dialog, as a click would
  // send it; also reaches a hidden or disabled button.
  void dialog_command(DWORD id, Failure& f) {
    if (const HWND dialog = need_dialog(f)) PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  }

  void enabled(DWORD id, bool wanted, DWORD timeout, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(id));
    if (!control) return;
    if (!wait_for(timeout, [&] { return (IsWindowEnabled(control) != FALSE) == wanted; })) {
      fail(f, "control " + std::to_string(id) + (wanted ? " stays disabled" : " stays enabled"));
    }
  }

  // rows <id> <text> [timeout ms]: the list view's rows are exactly these
  // ("03 | 応答あり | 完了\n05 | 応答あり | "), waited for.
  void rows(DWORD id, const std::string& expected, DWORD timeout, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(id));
    if (!control) return;
    const std::wstring wanted = wide(expected);
    std::wstring seen;
    if (!wait_for(timeout, [&] { return (seen = list_view_rows(control)) == wanted; })) {
      fail(f, "list view " + std::to_string(id) + " holds \"" + shown(seen) + "\"");
    }
  }

  // select <id> <row>...: exactly these rows of the list view are selected
  // (none without rows), as clicks with Ctrl held would leave them; the
  // dialog hears of each change.
  void select(const std::vector<std::string>& w, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(number(w, 1, 0)));
    if (!control) return;
    RemoteMemory memory(control, sizeof(LVITEMW));
    if (!memory.ok()) return fail(f, "the list view's memory cannot be reached");
    const int rows = static_cast<int>(SendMessageW(control, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
      bool wanted = false;
      for (std::size_t i = 2; i < w.size(); ++i) wanted = wanted || static_cast<int>(number(w, i, 0)) == row;
      LVITEMW item{};
      item.stateMask = LVIS_SELECTED;
      item.state = wanted ? LVIS_SELECTED : 0;
      memory.write(0, &item, sizeof item);
      SendMessageW(control, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(memory.at(0)));
    }
    for (std::size_t i = 2; i < w.size(); ++i) {
      if (static_cast<int>(number(w, i, 0)) >= rows) return fail(f, "the list view has no row " + w[i]);
    }
  }

  // row-dblclick <id> <row>: a double-click on the row's first cell.
  void row_double_click(DWORD id, DWORD row, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(id));
    if (!control) return;
    RemoteMemory memory(control, sizeof(RECT));
    if (!memory.ok()) return fail(f, "the list view's memory cannot be reached");
    RECT cell{};
    cell.left = LVIR_LABEL;
    memory.write(0, &cell, sizeof cell);
    if (!SendMessageW(control, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(memory.at(0))))
      return fail(f, "the list view has no row " + std::to_string(row));
    memory.read(0, &cell, sizeof cell);
    const LPARAM at = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    PostMessageW(control, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(control, WM_LBUTTONUP, 0, at);
  }

  void text_is(DWORD id, const std::string& expected, DWORD timeout, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(id));
    if (!control) return;
    const std::wstring wanted = wide(expected);
    std::wstring seen;
    if (!wait_for(timeout, [&] { return (seen = text_of(control)) == wanted; }, 10)) {
      return fail(f, "control " + std::to_string(id) + " holds \"" + shown(seen) + "\"");
    }
    // How long a run took to say it is over: a figure of the bulk benchmark.
    if (clicked_at_ != 0)
      say("     text shown %llu ms after the last click", static_cast<unsigned long long>(GetTickCount64() - clicked_at_));
  }

  // A key pressed while control `id` has the focus. Posted, so it passes
  // the dialog's own message loop: Enter and Escape reach the dialog the
  // way the keyboard's do (IDOK, IDCANCEL), or not, as the dialog decides.
  void key(DWORD id, const std::string& name, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(id));
    if (!control) return;
    const WPARAM vk = name == "return" ? VK_RETURN : name == "escape" ? VK_ESCAPE : 0;
    if (vk == 0) return fail(f, "unknown key '" + name + "'");
    PostMessageW(control, WM_KEYDOWN, vk, 1);
    PostMessageW(control, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
  }

  // The keyboard focus moves to control `id`, as a click or Tab would move
  // it (the control that had it gets its kill-focus notification).
  void focus(DWORD id, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(id));
    if (!control) return;
    PostMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    Sleep(poll_ms);
  }

  // The date and time dialog's six combos (year 1021, month 1023, day 1025,
  // hour 1026, minute 1027, second 1028) show the PC's local time, read at
  // most `slack_s` seconds ago.
  void clock_combos_now(DWORD slack_s, Failure& f) {
    const int ids[6] = {1021, 1023, 1025, 1026, 1027, 1028};
    int selection[6] = {};
    for (int i = 0; i < 6; ++i) {
      const HWND combo = need_control(f, ids[i]);
      if (!combo) return;
      selection[i] = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
      if (selection[i] < 0) return fail(f, "combo " + std::to_string(ids[i]) + " has no selection");
    }
    SYSTEMTIME shown{};
    shown.wYear = static_cast<WORD>(2000 + selection[0]);
    shown.wMonth = static_cast<WORD>(selection[1] + 1);
    shown.wDay = static_cast<WORD>(selection[2] + 1);
    shown.wHour = static_cast<WORD>(selection[3]);
    shown.wMinute = static_cast<WORD>(selection[4]);
    shown.wSecond = static_cast<WORD>(selection[5]);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    FILETIME shown_ft{}, now_ft{};
    if (!SystemTimeToFileTime(&shown, &shown_ft) || !SystemTimeToFileTime(&now, &now_ft)) {
      return fail(f, "the combos show no valid date");
    }
    const auto ticks = [](const FILETIME& t) {
      return static_cast<long long>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    const long long behind_s = (ticks(now_ft) - ticks(shown_ft)) / 10000000LL;
    if (behind_s < -1 || behind_s > static_cast<long long>(slack_s)) {
      char text[128];
      std::snprintf(text, sizeof text, "the combos show %04u-%02u-%02u %02u:%02u:%02u, %lld s from now",
                    shown.wYear, shown.wMonth, shown.wDay, shown.wHour, shown.wMinute, shown.wSecond, behind_s);
      fail(f, text);
    }
  }

  // Typing: one WM_CHAR per UTF-16 unit, as the keyboard or an input
  // method delivers a committed text.
  void type(DWORD id, const std::string& text, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(id));
    if (!control) return;
    for (wchar_t unit : wide(text)) SendMessageW(control, WM_CHAR, unit, 1);
  }

  // The control alone paints itself again (a static panel: white), while
  // the dialog gets no paint message, so whatever the dialog drew into it
  // is gone until the dialog draws it again.
  void wipe(DWORD id, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(id));
    if (!control) return;
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }

  // What uncovering the dialog does: the dialog and its controls are
  // invalidated and paint again.
  void uncover(Failure& f) {
    if (const HWND dialog = need_dialog(f))
      RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
  }

  // pixels <id> <x> <y> <w> <h> painted|blank [timeout ms]: within the
  // rectangle (client pixels of the control) something other than white is
  // drawn, or nothing is.
  void pixels(const std::vector<std::string>& w, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(number(w, 1, 0)));
    if (!control) return;
    const RECT wanted{static_cast<LONG>(number(w, 2, 0)), static_cast<LONG>(number(w, 3, 0)),
                      static_cast<LONG>(number(w, 2, 0) + number(w, 4, 0)),
                      static_cast<LONG>(number(w, 3, 0) + number(w, 5, 0))};
    const bool painted = word(w, 6, "painted") == "painted";
    int dark = 0;
    if (!wait_for(number(w, 7, default_timeout_ms), [&] {
          dark = non_white_pixels(control, wanted);
          return painted ? dark > 0 : dark == 0;
        })) {
      fail(f, painted ? "nothing is drawn there" : std::to_string(dark) + " pixels are drawn there");
    }
  }

  // remember <id> <x> <y> <w> <h>: keep what that rectangle of control
  // ID's client area shows now, for `changed`.
  void remember(const std::vector<std::string>& w, Failure& f) {
    remembered_control_ = need_control(f, static_cast<int>(number(w, 1, 0)));
    if (!remembered_control_) return;
    remembered_area_ = RECT{static_cast<LONG>(number(w, 2, 0)), static_cast<LONG>(number(w, 3, 0)),
                            static_cast<LONG>(number(w, 2, 0) + number(w, 4, 0)),
                            static_cast<LONG>(number(w, 3, 0) + number(w, 5, 0))};
    remembered_ = screen_pixels(remembered_control_, remembered_area_);
    if (remembered_.empty()) fail(f, "the rectangle is outside the control");
  }

  // changed [timeout ms]: the remembered rectangle shows something else
  // (one text drawn in place of another gives other pixels, while glyphs
  // missing from a font are all drawn as the same box).
  void changed(DWORD timeout, Failure& f) {
    if (remembered_.empty()) return fail(f, "nothing remembered (use 'remember')");
    if (!wait_for(timeout, [&] { return screen_pixels(remembered_control_, remembered_area_) != remembered_; }))
      fail(f, "the remembered rectangle still shows the same pixels");
  }

  static int non_white_pixels(HWND control, RECT area) {
    int count = 0;
    for (const DWORD pixel : screen_pixels(control, area))
      if ((pixel & 0xFFFFFF) != 0xFFFFFF) ++count;
    return count;
  }

  // Read from the screen: another process's window cannot be read through
  // its own device context under Wine. Empty when nothing of the rectangle
  // is inside the control.
  static std::vector<DWORD> screen_pixels(HWND control, RECT area) {
    RECT client{};
    GetClientRect(control, &client);
    IntersectRect(&area, &area, &client);
    POINT origin{area.left, area.top};
    ClientToScreen(control, &origin);
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> pixels;
    if (bits) {
      const auto* first = static_cast<const DWORD*>(bits);
      pixels.assign(first, first + width * height);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
  }

  // A message whose lParam points to memory the window reads or fills in:
  // that memory has to be in the program's process. `data` goes there
  // first and comes back afterwards; false when the message could not be
  // delivered, else the window's result in `result`.
  template <typename T>
  static bool send_with_memory(HWND window, UINT message, WPARAM wparam, T& data, DWORD_PTR& result) {
    const RemoteMemory memory(window, sizeof(T));
    return memory.ok() && memory.write(0, &data, sizeof(T)) &&
           SendMessageTimeoutW(window, message, wparam, reinterpret_cast<LPARAM>(memory.at(0)), SMTO_ABORTIFHUNG,
                               2000, &result) &&
           memory.read(0, &data, sizeof(T));
  }

  // A control's answer that it writes to lParam; a zero result is no answer.
  template <typename T>
  static bool ask_control(HWND control, UINT message, WPARAM wparam, T& answer) {
    DWORD_PTR result = 0;
    return send_with_memory(control, message, wparam, answer, result) && result != 0;
  }

  // dpi-changed <dpi>: what Windows sends when the main window moves to a
  // monitor of that scale (Wine never does): WM_DPICHANGED with the window's
  // place as the suggested one.
  void dpi_changed(DWORD dpi, Failure& f) {
    const HWND main = need_main(f);
    if (!main) return;
    RECT suggested{};
    GetWindowRect(main, &suggested);
    DWORD_PTR result = 0;
    if (!send_with_memory(main, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), suggested, result))
      fail(f, "WM_DPICHANGED did not reach the main window");
  }

  // main-size <width> <height>: the main window's outer size.
  void main_size(DWORD width, DWORD height, Failure& f) {
    const HWND main = need_main(f);
    if (!main) return;
    RECT outer{};
    GetWindowRect(main, &outer);
    if (outer.right - outer.left != static_cast<LONG>(width) || outer.bottom - outer.top != static_cast<LONG>(height))
      fail(f, "the main window is " + std::to_string(outer.right - outer.left) + "x" +
                  std::to_string(outer.bottom - outer.top));
  }

  static bool inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
  }

  // main-bars: the main window shows its menu in one row, the toolbar with
  // all its buttons and the status bar with all its parts, none of them
  // cut off by the window's edges or covering another.
  void main_bars(Failure& f) {
    const HWND main = need_main(f);
    if (!main) return;
    RECT outer{}, client{};
    GetWindowRect(main, &outer);
    GetClientRect(main, &client);
    MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
    say("     window %ldx%ld, client %ldx%ld", outer.right - outer.left, outer.bottom - outer.top,
        client.right - client.left, client.bottom - client.top);
    // Above the client area: frame, caption and the menu; one row of menu
    // is less than two menu heights.
    const LONG frame = outer.bottom - client.bottom;
    const LONG menu = client.top - outer.top - frame - GetSystemMetrics(SM_CYCAPTION);
    if (menu <= 0 || menu >= 2 * GetSystemMetrics(SM_CYMENU))
      return fail(f, "the menu takes " + std::to_string(menu) + " pixels, one row is " +
                         std::to_string(GetSystemMetrics(SM_CYMENU)));

    const HWND tools = FindWindowExW(main, nullptr, TOOLBARCLASSNAMEW, nullptr);
    const HWND status = FindWindowExW(main, nullptr, STATUSCLASSNAMEW, nullptr);
    if (!tools || !status) return fail(f, "no toolbar or no status bar");
    RECT tools_rect{}, status_rect{};
    GetWindowRect(tools, &tools_rect);
    GetWindowRect(status, &status_rect);
    say("     toolbar %ldx%ld, status bar %ldx%ld", tools_rect.right - tools_rect.left,
        tools_rect.bottom - tools_rect.top, status_rect.right - status_rect.left, status_rect.bottom - status_rect.top);
    if (!inside(tools_rect, client)) return fail(f, "the toolbar reaches out of the window");
    if (!inside(status_rect, client)) return fail(f, "the status bar reaches out of the window");
    if (status_rect.top < tools_rect.bottom) return fail(f, "the status bar covers the toolbar");

    RECT tools_client{};
    GetClientRect(tools, &tools_client);
    const int buttons = static_cast<int>(SendMessageW(tools, TB_BUTTONCOUNT, 0, 0));
    if (buttons != 10) return fail(f, "the toolbar has " + std::to_string(buttons) + " buttons");
    for (int k = 0; k < buttons; ++k) {
      RECT button{};
      if (!ask_control(tools, TB_GETITEMRECT, k, button)) return fail(f, "no rectangle of toolbar button " + std::to_string(k));
      if (!inside(button, tools_client)) return fail(f, "toolbar button " + std::to_string(k) + " is cut off");
      if (k == 0) say("     toolbar button %ldx%ld", button.right - button.left, button.bottom - button.top);
    }

    RECT status_client{};
    GetClientRect(status, &status_client);
    int edges[16] = {};
    const int parts = static_cast<int>(SendMessageW(status, SB_GETPARTS, 0, 0));
    if (parts < 1 || parts > 16 || !ask_control(status, SB_GETPARTS, parts, edges))
      return fail(f, "no parts of the status bar");
    // A part may reach beyond the window; its text must not.
    for (int k = 0; k < parts; ++k) {
      const LONG left = k == 0 ? 0 : edges[k - 1];
      const LONG right = edges[k] < 0 ? status_client.right : std::min<LONG>(edges[k], status_client.right);
      struct {
        wchar_t text[256];
      } part{};
      ask_control(status, SB_GETTEXTW, k, part);
      const LONG width = status_text_width(part.text);
      say("     status part %d: %ld..%ld, text \"%s\" %ld wide", k, left, right, shown(part.text).c_str(), width);
      if (left + width > right) return fail(f, "the text of status part " + std::to_string(k) + " is cut off");
    }
  }

  // Width of a text in the status bar's font, the system's status font
  // (the driver and the program see the same display scale).
  static LONG status_text_width(const std::wstring& text) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (text.empty() || !SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return 0;
    const HDC screen = GetDC(nullptr);
    const HFONT font = CreateFontIndirectW(&metrics.lfStatusFont);
    const HGDIOBJ old = SelectObject(screen, font);
    SIZE size{};
    GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(screen, old);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    return size.cx;
  }

  void exits(DWORD code, const std::string& name, DWORD timeout, Failure& f) {
    auto it = processes.find(name);
    if (it == processes.end()) return fail(f, "no process '" + name + "'");
    if (WaitForSingleObject(it->second.hProcess, timeout) != WAIT_OBJECT_0) {
      return fail(f, "'" + name + "' is still running");
    }
    DWORD actual = 0;
    GetExitCodeProcess(it->second.hProcess, &actual);
    CloseHandle(it->second.hProcess);
    CloseHandle(it->second.hThread);
    processes.erase(it);
    if (name == "main") main_ = nullptr;
    if (actual != code) fail(f, "exit code " + std::to_string(actual) + ", expected " + std::to_string(code));
  }

  void alive(const std::string& name, Failure& f) {
    auto it = processes.find(name);
    if (it == processes.end() || WaitForSingleObject(it->second.hProcess, 0) == WAIT_OBJECT_0) {
      return fail(f, "'" + name + "' has ended");
    }
    const HWND main = find_main_window(name);
    DWORD_PTR result = 0;
    if (!main || !SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result)) {
      fail(f, "the main window of '" + name + "' does not answer");
    }
  }

  // combo-post <id> <index>: as combo, with the notification posted, so a
  // box that the change opens does not block the driver.
  void combo_post(DWORD id, DWORD index, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(id));
    if (!control) return;
    SendMessageW(control, CB_SETCURSEL, index, 0);
    PostMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
  }

  // end-session [ends|cancelled]: a logoff as Windows runs it. The main
  // window is asked with WM_QUERYENDSESSION, from a thread of its own since
  // the program may put a question first, then told with WM_ENDSESSION
  // whether the session ends: only when it agreed and the logoff is not
  // "cancelled" (another program refusing).
  struct Session {
    HWND window;
    bool ends;
    LRESULT answer;
  };
  void end_session(bool ends, Failure& f) {
    const HWND main = need_main(f);
    if (!main) return;
    if (session_thread_) return fail(f, "an end-session is still running");
    session_ = {main, ends, -1};
    session_thread_ = CreateThread(
        nullptr, 0,
        [](void* param) -> DWORD {
          auto* s = static_cast<Session*>(param);
          DWORD_PTR answer = 0;
          if (!SendMessageTimeoutW(s->window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 60000, &answer)) {
            return 1;
          }
          s->answer = static_cast<LRESULT>(answer);
          SendMessageTimeoutW(s->window, WM_ENDSESSION, s->ends && answer != 0, ENDSESSION_LOGOFF, SMTO_NORMAL,
                              10000, nullptr);
          return 0;
        },
        &session_, 0, nullptr);
    if (!session_thread_) fail(f, "cannot start the end-session thread");
  }

  // end-session-is allowed|refused [MS]: the program's answer to the last
  // end-session, once both messages have been handled.
  void end_session_is(const std::string& expected, DWORD timeout, Failure& f) {
    if (!session_thread_) return fail(f, "no end-session was started");
    const bool done = WaitForSingleObject(session_thread_, timeout) == WAIT_OBJECT_0;
    if (!done) return fail(f, "the end-session messages are still being handled");
    CloseHandle(session_thread_);
    session_thread_ = nullptr;
    const char* seen = session_.answer < 0 ? "unanswered" : session_.answer ? "allowed" : "refused";
    if (expected != seen) fail(f, std::string("the program ") + seen + " the end of the session");
  }

  // Whatever is still running when the script ends (or fails) is ended, so
  // no run leaves a program behind.
  void end_programs() {
    for (auto& entry : processes) {
      if (WaitForSingleObject(entry.second.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(entry.second.hProcess, 3);
        WaitForSingleObject(entry.second.hProcess, 5000);
      }
      CloseHandle(entry.second.hProcess);
      CloseHandle(entry.second.hThread);
    }
    processes.clear();
  }

  // ---- the serial port: status bar, the runner's simulators, a held port ----

  // Status-bar text of part PART. SB_GETTEXTW is not carried across
  // processes, so the text is read from a buffer in the program's memory.
  std::wstring status_part(HWND bar, int part) {
    constexpr std::size_t chars = 512;
    const RemoteMemory memory(bar, chars * sizeof(wchar_t));
    if (!memory.ok()) return L"?";
    DWORD_PTR length = 0;
    SendMessageTimeoutW(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0, SMTO_ABORTIFHUNG, 2000, &length);
    if (LOWORD(length) >= chars) return std::wstring();
    SendMessageTimeoutW(bar, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(memory.at(0)),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    std::vector<wchar_t> local(chars, L'\0');
    if (!memory.read(0, local.data(), chars * sizeof(wchar_t))) return std::wstring();
    local[chars - 1] = L'\0';
    return local.data();
  }

  void status_is(int part, const std::string& expected, DWORD timeout, Failure& f) {
    const HWND main = need_main(f);
    if (!main) return;
    const HWND bar = FindWindowExW(main, nullptr, STATUSCLASSNAMEW, nullptr);
    if (!bar) return fail(f, "no status bar");
    std::wstring seen;
    if (!wait_for(timeout, [&] { return (seen = status_part(bar, part)) == wide(expected); })) {
      fail(f, "status-bar part " + std::to_string(part) + " shows \"" + utf8(seen) + "\"");
    }
  }

  // Asks the test runner to do something on the Linux side (stop or start a
  // simulator) through a request file beside the script, and waits until it
  // is done: the runner removes the request, leaving host-error on failure.
  void host(const std::vector<std::string>& w, Failure& f) {
    std::string request;
    for (std::size_t i = 1; i < w.size(); ++i) request += (i > 1 ? " " : "") + w[i];
    const std::wstring path = work_folder_ + L"host-request";
    const std::wstring error = work_folder_ + L"host-error";
    // Written beside it and then renamed: the runner polls for the request
    // and must never read it empty or half written.
    const std::wstring partial = path + L".partial";
    const HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return fail(f, "cannot write the host request");
    DWORD written = 0;
    request += "\n";
    const BOOL wrote = WriteFile(file, request.data(), static_cast<DWORD>(request.size()), &written, nullptr);
    CloseHandle(file);
    if (!wrote || written != request.size() || !MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
      return fail(f, "cannot write the host request");
    if (!wait_for(20000, [&] { return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES; })) {
      return fail(f, "the runner did not carry out \"host " + request + "\"");
    }
    if (GetFileAttributesW(error.c_str()) != INVALID_FILE_ATTRIBUTES) fail(f, "the runner could not do it");
  }

  // ---- the 通信ログ window: another process's list view, read through a
  // buffer in the program's memory (LVM_GETITEMTEXTW is not carried across
  // processes) -------------------------------------------------------------

  // activate: the current dialog becomes the active, foreground window, as
  // a click on its title bar makes it.
  void activate(Failure& f) {
    const HWND dialog = need_dialog(f);
    if (!dialog) return;
    SetForegroundWindow(dialog);
    if (!wait_for(default_timeout_ms, [&] { return GetForegroundWindow() == dialog; }))
      fail(f, "the dialog did not become the foreground window");
  }

  // minimize: the current dialog is minimized, as its minimize box does.
  void minimize(Failure& f) {
    if (const HWND dialog = need_dialog(f)) PostMessageW(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  }

  // minimized 0|1 [MS]: the current dialog is shown normally, or minimized.
  void minimized(bool wanted, DWORD timeout, Failure& f) {
    const HWND dialog = need_dialog(f);
    if (!dialog) return;
    if (!wait_for(timeout, [&] { return (IsIconic(dialog) != FALSE) == wanted && IsWindowVisible(dialog); }))
      fail(f, wanted ? "the dialog is not minimized" : "the dialog is minimized or hidden");
  }

  static int row_count(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

  // The text of one cell; "?" when it cannot be read.
  static std::wstring cell(HWND list, int index, int column) {
    constexpr std::size_t text_chars = 8192;
    const RemoteMemory memory(list, sizeof(LVITEMW) + text_chars * sizeof(wchar_t));
    if (!memory.ok()) return L"?";
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.iSubItem = column;
    item.cchTextMax = static_cast<int>(text_chars);
    item.pszText = reinterpret_cast<wchar_t*>(memory.at(sizeof item));
    DWORD_PTR length = 0;
    if (!memory.write(0, &item, sizeof item) ||
        !SendMessageTimeoutW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(index),
                             reinterpret_cast<LPARAM>(memory.at(0)), SMTO_ABORTIFHUNG, 2000, &length))
      return L"?";
    std::wstring text(std::min<std::size_t>(length, text_chars - 1), L'\0');
    if (!text.empty() && !memory.read(sizeof item, text.data(), text.size() * sizeof(wchar_t))) return L"?";
    return text;
  }

  // row-count <id> <n> [MS]: the list view holds n rows.
  void rows(DWORD id, DWORD expected, DWORD timeout, Failure& f) {
    const HWND list = need_control(f, static_cast<int>(id));
    if (!list) return;
    int seen = 0;
    if (!wait_for(timeout, [&] { return (seen = row_count(list)) == static_cast<int>(expected); }))
      fail(f, "the list holds " + std::to_string(seen) + " rows");
  }

  void rows_at_most(DWORD id, DWORD most, Failure& f) {
    const HWND list = need_control(f, static_cast<int>(id));
    if (!list) return;
    const int seen = row_count(list);
    say("     %d rows", seen);
    if (seen > static_cast<int>(most)) fail(f, "the list holds " + std::to_string(seen) + " rows");
  }

  // The time column reads HH:MM:SS.mmm, a local time of the last ten
  // minutes (worked out here, not by the program's formatter).
  static bool recent_clock(const std::wstring& text) {
    int h = 0, m = 0, sec = 0, ms = 0;
    if (text.size() != 12 || swscanf(text.c_str(), L"%2d:%2d:%2d.%3d", &h, &m, &sec, &ms) != 4) return false;
    if (text[2] != L':' || text[5] != L':' || text[8] != L'.') return false;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const int day_ms = 86400000;
    const int shown = ((h * 60 + m) * 60 + sec) * 1000 + ms;
    const int current = ((now.wHour * 60 + now.wMinute) * 60 + now.wSecond) * 1000 + now.wMilliseconds;
    const int behind = ((current - shown) % day_ms + day_ms) % day_ms;
    return behind <= 600000 || behind >= day_ms - 1000;
  }

  // row <id> <index> <direction|-> <text> [MS]: the row (counted from 0, or
  // from the newest when negative: -1) shows a recent time, the direction
  // (送信, 受信, - for none) and exactly the text, or a text starting with
  // what comes before a final '*'.
  void row(const std::vector<std::string>& w, Failure& f) {
    const HWND list = need_control(f, static_cast<int>(number(w, 1, 0)));
    if (!list) return;
    const int index = std::atoi(word(w, 2, "0").c_str());
    const std::wstring direction = word(w, 3, "-") == "-" ? L"" : wide(word(w, 3, "-"));
    std::wstring text = wide(word(w, 4, ""));
    const bool prefix = !text.empty() && text.back() == L'*';
    if (prefix) text.pop_back();
    std::wstring seen_time, seen_direction, seen_text;
    const bool same = wait_for(number(w, 5, default_timeout_ms), [&] {
      const int count = row_count(list);
      const int at = index < 0 ? count + index : index;
      if (at < 0 || at >= count) return false;
      seen_time = cell(list, at, 0);
      seen_direction = cell(list, at, 1);
      seen_text = cell(list, at, 2);
      return recent_clock(seen_time) && seen_direction == direction &&
             (prefix ? seen_text.compare(0, text.size(), text) == 0 : seen_text == text);
    });
    if (!same) {
      print_rows(list, index);
      fail(f, "row " + std::to_string(index) + " shows [" + utf8(seen_time) + "] [" + utf8(seen_direction) + "] \"" +
                  shown(seen_text) + "\"");
    }
  }

  // The rows around `index`, for a failure's transcript.
  static void print_rows(HWND list, int index) {
    const int count = row_count(list);
    const int at = index < 0 ? count + index : index;
    for (int k = std::max(0, at - 5); k < std::min(count, at + 6); ++k)
      say("      row %d: [%s] [%s] \"%s\"", k, utf8(cell(list, k, 0)).c_str(), utf8(cell(list, k, 1)).c_str(),
          shown(cell(list, k, 2)).c_str());
  }

  // following <id> 0|1: the newest row is in view, or it is not.
  void following(DWORD id, bool wanted, Failure& f) {
    const HWND list = need_control(f, static_cast<int>(id));
    if (!list) return;
    const int top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    const int page = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    const int count = row_count(list);
    say("     rows %d..%d of %d in view", top, top + page - 1, count);
    if ((top + page >= count) != wanted)
      fail(f, wanted ? "the newest row is not in view" : "the list still shows the newest row");
  }

  // scroll-bars <id> <none|vertical|horizontal|both>: the scroll bars control ID shows.
  void scroll_bars(DWORD id, const std::string& wanted, Failure& f) {
    const HWND control = need_control(f, static_cast<int>(id));
    if (!control) return;
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    const bool vertical = (style & WS_VSCROLL) != 0, horizontal = (style & WS_HSCROLL) != 0;
    const std::string shown = vertical && horizontal ? "both" : vertical ? "vertical" : horizontal ? "horizontal" : "none";
    if (shown != wanted) fail(f, "control " + std::to_string(id) + " shows scroll bars: " + shown);
  }

  // scroll-to <id> <index>: the user scrolls the list up until row INDEX
  // is the first one in view.
  void scroll_to(DWORD id, DWORD index, Failure& f) {
    const HWND list = need_control(f, static_cast<int>(id));
    if (!list) return;
    SendMessageW(list, LVM_ENSUREVISIBLE, index, FALSE);
    const DWORD top = static_cast<DWORD>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    if (top != index) fail(f, "the list shows row " + std::to_string(top) + " first");
  }

  // top-is <id> <text> [MS]: the first row in view holds this text.
  void top_is(DWORD id, const std::string& expected, DWORD timeout, Failure& f) {
    const HWND list = need_control(f, static_cast<int>(id));
    if (!list) return;
    std::wstring seen;
    if (!wait_for(timeout, [&] {
          return (seen = cell(list, static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)), 2)) == wide(expected);
        }))
      fail(f, "the first row in view holds \"" + shown(seen) + "\"");
  }

  // responsive <MS> <LIMIT>: for MS, the main window answers a message
  // within LIMIT ms at every probe (one every 20 ms); prints the slowest
  // and the median answer (scripts/bench reads them).
  void responsive(DWORD ms, DWORD limit, Failure& f) {
    const HWND main = need_main(f);
    if (!main) return;
    const ULONGLONG end = GetTickCount64() + ms;
    std::vector<ULONGLONG> took;
    while (GetTickCount64() < end) {
      const ULONGLONG start = GetTickCount64();
      DWORD_PTR result = 0;
      const bool answered = SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
      took.push_back(GetTickCount64() - start);
      if (!answered || took.back() > limit) {
        fail(f, "probe " + std::to_string(took.size()) + " took " + std::to_string(took.back()) + " ms");
        break;
      }
      Sleep(20);
    }
    std::sort(took.begin(), took.end());
    say("     %d probes, the slowest answered after %llu ms, the median after %llu ms", static_cast<int>(took.size()),
        static_cast<unsigned long long>(took.empty() ? 0 : took.back()),
        static_cast<unsigned long long>(took.empty() ? 0 : took[took.size() / 2]));
  }

 public:
  void set_work_folder(const std::wstring& script) {
    const std::size_t slash = script.find_last_of(L"\\/");
    work_folder_ = slash == std::wstring::npos ? L"" : script.substr(0, slash + 1);
  }

 private:
  std::wstring work_folder_;
  std::wstring program_;
  HWND remembered_control_ = nullptr;
  RECT remembered_area_{};
  std::vector<DWORD> remembered_;
  HWND main_ = nullptr;
  HWND dialog_ = nullptr;
  ULONGLONG launched_at_ = 0;
  ULONGLONG clicked_at_ = 0;
  Session session_{};
  HANDLE session_thread_ = nullptr;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    say("usage: zanteq-driver.exe <zanteq.exe> <script>");
    return exit_fail;
  }
  const std::vector<std::string> lines = read_lines(argv[2]);
  if (lines.empty()) {
    say("FAIL: cannot read the script %s", utf8(argv[2]).c_str());
    return exit_fail;
  }
  Driver driver(argv[1]);
  driver.set_work_folder(argv[2]);
  return driver.run(lines);
}
