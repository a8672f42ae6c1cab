// The unit list dialog (template 146) and its differences dialog (147): the
// window side of UnitList (core/bulk/unit_list.h), which decides everything
// a run does, what its rows and status line say and which buttons work.
//
// Here: the list view, the file dialogs and files, and carrying the runs'
// actions out on the serial link. A run holds the link's line hand-off from
// its start to its end, across all its units, so no line of the list ever
// reaches the program's reply dispatch (no "Success", "No Connect" or error
// box of the program, nothing decoded into its record); the receiving
// thread posts message_transfer_lines when lines wait, and one one-shot
// timer serves the wake-ups. The runs never block the window: every call
// into the list returns at once.
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/bulk/unit_list.h"
#include "core/settings/settings_file.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/windows/text_conversion.h"
#include "win32/app/app.h"
#include "win32/bulk/bulk.h"
#include "win32/link/message_boxes.h"
#include "win32/link/serial_port.h"
#include "win32/link/transfer_runner.h"
#include "win32/resources/resource.h"
#include "win32/settings/file_dialogs.h"

namespace zanteq::win32 {

using platform::utf8_to_wide;

namespace {

constexpr std::size_t largest_settings_file = 1 << 20;  // a real one is about 1 KB
const wchar_t settings_filter[] = L"データ(*.dat)\0*.dat\0すべて(*.*)\0*.*\0";
const wchar_t report_filter[] = L"CSV(*.csv)\0*.csv\0すべて(*.*)\0*.*\0";
const char* const port_gone_text = "ポートがありません";

TransferTime now() {
  return std::chrono::duration_cast<TransferTime>(std::chrono::steady_clock::now().time_since_epoch());
}

// ---- list views ---------------------------------------------------------------

void add_columns(HWND list, const std::vector<std::pair<const wchar_t*, int>>& columns) {
  RECT client{};
  GetClientRect(list, &client);
  const int width = client.right - client.left - GetSystemMetrics(SM_CXVSCROLL);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(columns[i].first);
    column.cx = width * columns[i].second / 100;
    column.iSubItem = static_cast<int>(i);
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
  // A result cut off by its column (a file name, the system's words on a
  // failed save) shows whole under the mouse.
  const LPARAM style = LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP;
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, style, style);
}

void set_cell(HWND list, int row, int column, const std::string& utf8) {
  std::wstring text = utf8_to_wide(utf8);
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text.data();
  SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

void insert_row(HWND list, int row, const std::vector<std::string>& cells) {
  std::wstring first = utf8_to_wide(cells.front());
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = first.data();
  SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  for (std::size_t column = 1; column < cells.size(); ++column) set_cell(list, row, static_cast<int>(column), cells[column]);
}

std::vector<int> selected_rows(HWND list) {
  std::vector<int> rows;
  int row = -1;
  while ((row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0) rows.push_back(row);
  return rows;
}

void select_row(HWND list, int row, bool selected) {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED;
  item.state = selected ? LVIS_SELECTED : 0;
  SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

// ---- the differences dialog (147) ---------------------------------------------

INT_PTR CALLBACK differences_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      const HWND list = GetDlgItem(dialog, IDC_UNIT_DIFFERENCES);
      add_columns(list, {{L"項目", 50}, {L"ユニット", 25}, {L"ファイル", 25}});
      const auto& differences = *reinterpret_cast<const std::vector<UnitDifference>*>(lparam);
      for (std::size_t i = 0; i < differences.size(); ++i)
        insert_row(list, static_cast<int>(i), {differences[i].item, differences[i].unit, differences[i].file});
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) != IDCANCEL && LOWORD(wparam) != IDOK) return FALSE;
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

// ---- the unit list dialog (146) -----------------------------------------------

class UnitListDialog {
 public:
  explicit UnitListDialog(HWND dialog)
      : dialog_(dialog), list_view_(GetDlgItem(dialog, IDC_UNIT_LIST)), list_(platform::cp932_to_utf8) {}

  void init() {
    add_columns(list_view_, {{L"アドレス", 20}, {L"状態", 22}, {L"結果", 58}});
    show({});
    SetFocus(GetDlgItem(dialog_, IDC_UNIT_SCAN));
  }

  void scan() {
    if (!take_line()) return;
    for (const int row : selected_rows(list_view_)) select_row(list_view_, row, false);
    act(list_.scan(now(), app_state().link.rs_control.load()));
  }

  void select_all() {
    if (list_.running()) return;
    const int count = static_cast<int>(SendMessageW(list_view_, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) select_row(list_view_, row, true);
    SetFocus(list_view_);
  }

  // The buttons that start something are disabled during a run; a command
  // that reaches the dialog anyway (posted, a key) starts nothing.
  void read() {
    if (list_.running()) return;
    const std::vector<int> selected = selected_rows(list_view_);
    const std::optional<std::string> chosen =
        choose_path(dialog_, PathDialog::name, L"読み込んだ設定の保存先（ユニットごとに -番号 を付けます）", settings_filter);
    if (!chosen) return;
    const std::string path = with_dat_extension(*chosen);
    if (!may_replace(selected, path)) return;
    if (!take_line()) return;
    act(list_.read(now(), selected, path));
  }

  void send_or_compare(UnitListUse use) {
    if (list_.running()) return;
    const std::vector<int> selected = selected_rows(list_view_);
    const wchar_t* title = use == UnitListUse::write ? L"書き込む設定ファイル" : L"比較する設定ファイル";
    const std::optional<std::string> path = choose_path(dialog_, PathDialog::open, title, settings_filter);
    if (!path) return;
    std::string content, error;
    if (!platform::read_file(*path, content, error, largest_settings_file)) {
      show_warning_box(unit_list_file_unreadable_text(*path, error).c_str());
      return;
    }
    UnitListFile file;
    if (const std::optional<UnitListFileRefusal> refusal = load_unit_list_file(content, use, file)) {
      show_warning_box(unit_list_file_refused_text(*path, *refusal, use).c_str());
      return;
    }
    if (!take_line()) return;
    act(use == UnitListUse::write ? list_.write(now(), selected, file) : list_.compare(now(), selected, file));
  }

  void stop() { act(list_.stop(now())); }

  void save_report() {
    if (list_.running()) return;
    const std::string report = list_.site_report();
    if (report.empty()) return;
    const std::optional<std::string> chosen = choose_path(dialog_, PathDialog::save, L"一覧表の保存", report_filter);
    if (!chosen) return;
    const std::string path = site_report_path(*chosen);
    std::string error;
    if (!platform::replace_file(path, report, error)) show_warning_box(site_report_failed_text(path, error).c_str());
  }

  void show_details(int row) {
    if (list_.running() || !list_.can_show_details(row)) return;
    DialogBoxParamW(app_instance(), MAKEINTRESOURCEW(IDD_UNIT_DIFFERENCES), dialog_, differences_dialog_proc,
                    reinterpret_cast<LPARAM>(&list_.rows()[static_cast<std::size_t>(row)].differences));
  }

  void details_of_selection() {
    const std::vector<int> selected = selected_rows(list_view_);
    if (selected.size() == 1) show_details(selected.front());
  }

  void selection_changed() {
    if (!list_.running()) enable_buttons();
  }

  // Escape, the title bar's close, 閉じる: not while a run goes.
  void close() {
    if (!list_.buttons(selected_rows(list_view_)).close) return;
    EndDialog(dialog_, IDCANCEL);
  }

  void on_lines() {
    if (!holds_line_) return;
    const LineHandOff::Taken taken = serial_port().take_transfer_lines();
    for (const std::string& line : taken.lines) {
      UnitListAction action = list_.line(now(), line);
      const bool sent = !action.send.empty();
      act(std::move(action));
      // The rest of this batch came before the command just sent.
      if (sent || !list_.running()) break;
    }
    if (taken.interrupted && list_.running()) port_failed();
  }

  void on_timer() {
    KillTimer(dialog_, TIMER_UNIT_LIST);
    if (!list_.running()) return;
    // A unit that seems silent may sit behind a port that has gone.
    if (serial_port().transfer_port_gone()) {
      port_failed();
      return;
    }
    act(list_.wake(now()));
  }

  // The window goes away: the line goes back to the dispatch at once.
  void abandon() {
    KillTimer(dialog_, TIMER_UNIT_LIST);
    release_line();
  }

 private:
  bool take_line() {
    if (list_.running()) return false;
    const HWND window = dialog_;
    if (!serial_port().begin_transfer([window] { PostMessageW(window, message_transfer_lines, 0, 0); })) {
      MessageBeep(MB_ICONWARNING);  // another run holds the line
      return false;
    }
    holds_line_ = true;
    port_gone_ = false;
    return true;
  }

  void release_line() {
    if (holds_line_) serial_port().end_transfer();
    holds_line_ = false;
  }

  void port_failed() {
    port_gone_ = true;
    act(list_.line_failed(now(), port_gone_text));
  }

  // Carries out an action of the list and those that follow from it at once
  // (a command that cannot go out, a read's file written), then shows it.
  void act(UnitListAction action) {
    bool rows_changed = false;
    for (;;) {
      rows_changed = rows_changed || action.rows_changed;
      if (!action.send.empty()) {
        // Lines waiting now came before this command: not its answer.
        const LineHandOff::Taken before = serial_port().take_transfer_lines();
        if (before.interrupted || !serial_port().send_transfer(std::move(action.send))) {
          port_gone_ = true;
          action = list_.line_failed(now(), port_gone_text);
          continue;
        }
      }
      if (action.save) {
        std::string error;
        const bool ok = platform::replace_file(action.save->path, action.save->bytes, error);
        action = list_.saved(now(), ok, error);
        continue;
      }
      break;
    }
    if (action.wake_at) {
      const auto delay = (*action.wake_at - now()).count();
      SetTimer(dialog_, TIMER_UNIT_LIST, delay < USER_TIMER_MINIMUM ? USER_TIMER_MINIMUM : static_cast<UINT>(delay),
               nullptr);
    } else {
      KillTimer(dialog_, TIMER_UNIT_LIST);
    }
    if (!list_.running()) {
      release_line();
      // A port whose device went under the run is closed and said so now
      // that the run is over.
      if (port_gone_) serial_port().close_lost_port();
      port_gone_ = false;
    }
    show(rows_changed);
  }

  void show(bool rows_changed) {
    if (rows_changed) fill_rows();
    SetDlgItemTextW(dialog_, IDC_UNIT_STATUS, utf8_to_wide(list_.status_text()).c_str());
    const HWND bar = GetDlgItem(dialog_, IDC_UNIT_PROGRESS);
    SendMessageW(bar, PBM_SETRANGE32, 0, list_.progress_range());
    SendMessageW(bar, PBM_SETPOS, list_.progress_position(), 0);
    enable_buttons();
  }

  // Rows keep their place and selection while a run changes their texts; a
  // scan that adds or drops rows lays them out again.
  void fill_rows() {
    const std::vector<UnitRow>& rows = list_.rows();
    const int shown = static_cast<int>(SendMessageW(list_view_, LVM_GETITEMCOUNT, 0, 0));
    const bool same_rows = shown == static_cast<int>(rows.size()) && names_shown_ == names_of(rows);
    if (!same_rows) {
      SendMessageW(list_view_, LVM_DELETEALLITEMS, 0, 0);
      for (std::size_t i = 0; i < rows.size(); ++i)
        insert_row(list_view_, static_cast<int>(i), {rows[i].target.name(), rows[i].state_text(), rows[i].result});
      names_shown_ = names_of(rows);
      return;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
      set_cell(list_view_, static_cast<int>(i), 1, rows[i].state_text());
      set_cell(list_view_, static_cast<int>(i), 2, rows[i].result);
    }
  }

  static std::vector<std::string> names_of(const std::vector<UnitRow>& rows) {
    std::vector<std::string> names;
    for (const UnitRow& row : rows) names.push_back(row.target.name());
    return names;
  }

  void enable_buttons() {
    const UnitListButtons b = list_.buttons(selected_rows(list_view_));
    const std::pair<int, bool> states[] = {
        {IDC_UNIT_SCAN, b.scan},       {IDC_UNIT_SELECT_ALL, b.select_all}, {IDC_UNIT_READ, b.read},
        {IDC_UNIT_WRITE, b.write},     {IDC_UNIT_COMPARE, b.compare},       {IDC_UNIT_STOP, b.stop},
        {IDC_UNIT_REPORT, b.save_report}, {IDC_UNIT_DETAILS, b.details},    {IDCANCEL, b.close},
    };
    const HWND focus = GetFocus();
    bool focus_lost = false;
    for (const auto& [id, enabled] : states) {
      const HWND button = GetDlgItem(dialog_, id);
      if (!enabled && button == focus) focus_lost = true;
      EnableWindow(button, enabled ? TRUE : FALSE);
    }
    EnableMenuItem(GetSystemMenu(dialog_, FALSE), SC_CLOSE, MF_BYCOMMAND | (b.close ? MF_ENABLED : MF_GRAYED));
    // A disabled button cannot keep the keyboard: 中止 takes it during a
    // run, the list afterwards.
    if (focus_lost) SetFocus(b.stop ? GetDlgItem(dialog_, IDC_UNIT_STOP) : list_view_);
  }

  // Files of an earlier read under the same name are replaced only when the
  // user says so, once for all of them.
  bool may_replace(const std::vector<int>& selected, const std::string& path) {
    std::vector<std::string> existing;
    for (const std::string& file : unit_files(list_.rows(), selected, path))
      if (GetFileAttributesW(utf8_to_wide(file).c_str()) != INVALID_FILE_ATTRIBUTES) existing.push_back(file);
    return existing.empty() || ask_yes_no(unit_files_replace_question(existing).c_str(), "ユニット一覧");
  }

  const HWND dialog_;
  const HWND list_view_;
  UnitList list_;
  bool holds_line_ = false;
  bool port_gone_ = false;
  std::vector<std::string> names_shown_;
};

UnitListDialog* state_of(HWND dialog) {
  return reinterpret_cast<UnitListDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

BOOL on_init(HWND dialog) {
  auto state = std::make_unique<UnitListDialog>(dialog);
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state.get()));
  state.release()->init();
  return FALSE;  // the focus is set
}

BOOL on_command(UnitListDialog& state, int id) {
  switch (id) {
    case IDC_UNIT_SCAN: state.scan(); return TRUE;
    case IDC_UNIT_SELECT_ALL: state.select_all(); return TRUE;
    case IDC_UNIT_READ: state.read(); return TRUE;
    case IDC_UNIT_WRITE: state.send_or_compare(UnitListUse::write); return TRUE;
    case IDC_UNIT_COMPARE: state.send_or_compare(UnitListUse::compare); return TRUE;
    case IDC_UNIT_STOP: state.stop(); return TRUE;
    case IDC_UNIT_REPORT: state.save_report(); return TRUE;
    case IDC_UNIT_DETAILS: state.details_of_selection(); return TRUE;
    case IDCANCEL: state.close(); return TRUE;
    default: return FALSE;
  }
}

BOOL on_notify(UnitListDialog& state, const NMHDR& header) {
  if (header.idFrom != IDC_UNIT_LIST) return FALSE;
  if (header.code == LVN_ITEMCHANGED) {
    if (reinterpret_cast<const NMLISTVIEW&>(header).uChanged & LVIF_STATE) state.selection_changed();
    return TRUE;
  }
  // Ctrl+A selects every row, as in Explorer's lists.
  if (header.code == LVN_KEYDOWN) {
    if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == 'A' && GetKeyState(VK_CONTROL) < 0) state.select_all();
    return TRUE;
  }
  if (header.code == NM_DBLCLK) {
    state.show_details(reinterpret_cast<const NMITEMACTIVATE&>(header).iItem);
    return TRUE;
  }
  return FALSE;
}

BOOL on_timer(UnitListDialog& state, WPARAM timer_id) {
  if (timer_id != TIMER_UNIT_LIST) return FALSE;
  state.on_timer();
  return TRUE;
}

void on_destroy(HWND dialog) {
  UnitListDialog* state = state_of(dialog);
  SetWindowLongPtrW(dialog, DWLP_USER, 0);
  if (!state) return;
  state->abandon();
  delete state;
}

}  // namespace

INT_PTR CALLBACK unit_list_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) return on_init(dialog);
  UnitListDialog* state = state_of(dialog);
  if (!state) return FALSE;
  switch (message) {
    case WM_COMMAND: return on_command(*state, LOWORD(wparam));
    case WM_NOTIFY: return on_notify(*state, *reinterpret_cast<const NMHDR*>(lparam));
    case WM_TIMER: return on_timer(*state, wparam);
    case message_transfer_lines: state->on_lines(); return TRUE;
    case WM_DESTROY: on_destroy(dialog); return FALSE;
    default: return FALSE;
  }
}

}  // namespace zanteq::win32
