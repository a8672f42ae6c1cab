// The 通信ログ window: layout, the virtual list, its buttons, and its keys
// in the modal loops of the other dialogs.
#include "win32/log/log_window.h"

#include <commctrl.h>

#include <string>

#include "core/log/log_format.h"
#include "platform/windows/text_conversion.h"
#include "win32/app/app.h"
#include "win32/log/log_keeping.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

using platform::utf8_to_wide;

namespace {

// Posted to itself after a move to a monitor of another scale, once the
// dialog has been scaled: the columns are measured again.
constexpr UINT message_fit_columns = WM_APP + 1;

RECT kept_place{};  // where the window was when last closed; empty before
SIZE least_size{};  // the smallest the window may be made, from its first size
HHOOK filter_hook = nullptr;
// The message log_window_message is handing to IsDialogMessage, while it
// does: IsDialogMessage first passes it to the message filter hook, which
// must not hand it over a second time. Messages of the loops that run while
// it is being handled (a box, a save dialog) are others.
const MSG* message_in_hand = nullptr;

bool same_message(const MSG& a, const MSG& b) {
  return a.hwnd == b.hwnd && a.message == b.message && a.wParam == b.wParam && a.lParam == b.lParam &&
         a.time == b.time;
}

HWND list_of(HWND dialog) { return GetDlgItem(dialog, IDC_LOG_LIST); }

// Dialog units to pixels of this dialog (its font and scale).
RECT dialog_pixels(HWND dialog, LONG x1, LONG y1, LONG x2, LONG y2) {
  RECT r{x1, y1, x2, y2};
  MapDialogRect(dialog, &r);
  return r;
}

// The modal loops of the other dialogs and of the boxes pass their
// messages through this hook: keys meant for the log window get its
// dialog handling there too, as they do in the main loop.
LRESULT CALLBACK message_filter(int code, WPARAM wparam, LPARAM lparam) {
  const HWND window = log_window();
  MSG* message = reinterpret_cast<MSG*>(lparam);
  if (code >= 0 && window && message && (message->hwnd == window || IsChild(window, message->hwnd)) &&
      log_window_message(*message))
    return TRUE;
  return CallNextHookEx(filter_hook, code, wparam, lparam);
}

// The time and direction columns fit their widest text; the text column
// takes the rest.
void fit_columns(HWND dialog) {
  const HWND list = list_of(dialog);
  const int padding = dialog_pixels(dialog, 8, 0, 0, 0).left;
  const int time_width = ListView_GetStringWidth(list, L"00:00:00.000") + padding;
  const int direction_width = ListView_GetStringWidth(list, L"方向") + padding;
  ListView_SetColumnWidth(list, 0, time_width);
  ListView_SetColumnWidth(list, 1, direction_width);
  ListView_SetColumnWidth(list, 2, LVSCW_AUTOSIZE_USEHEADER);
}

bool has_vertical_scroll_bar(HWND list) { return (GetWindowLongPtrW(list, GWL_STYLE) & WS_VSCROLL) != 0; }

// The text column fills the list's width as it was before the vertical
// scroll bar came or went; fitted again, it neither leaves a gap nor
// reaches under the bar (which would add a horizontal one).
void fit_text_column_if(HWND list, bool had_scroll_bar) {
  if (has_vertical_scroll_bar(list) != had_scroll_bar) ListView_SetColumnWidth(list, 2, LVSCW_AUTOSIZE_USEHEADER);
}

void add_columns(HWND dialog) {
  const HWND list = list_of(dialog);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  const wchar_t* const titles[] = {L"時刻", L"方向", L"内容"};
  for (int k = 0; k < 3; ++k) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(titles[k]);
    column.cx = 60;
    column.iSubItem = k;
    ListView_InsertColumn(list, k, &column);
  }
  fit_columns(dialog);
}

// The list fills the window above one row of controls: the check box and
// the file's path on the left, the three buttons on the right.
void lay_out(HWND dialog) {
  RECT client{};
  GetClientRect(dialog, &client);
  const RECT unit = dialog_pixels(dialog, 7, 14, 46, 10);  // margin, button height, button width, check height
  const RECT more = dialog_pixels(dialog, 4, 8, 72, 0);    // gap, text height, check box width
  const LONG margin = unit.left, button_h = unit.top, button_w = unit.right, check_h = unit.bottom;
  const LONG gap = more.left, text_h = more.top, check_w = more.right;
  const LONG row = client.bottom - margin - button_h;
  const LONG save_x = client.right - margin - button_w;
  const LONG clear_x = save_x - gap - button_w;
  const LONG choose_x = clear_x - gap - button_w;
  const LONG path_x = margin + check_w + gap;

  HDWP moves = BeginDeferWindowPos(6);
  const auto place = [&](int id, LONG x, LONG y, LONG w, LONG h) {
    if (moves) moves = DeferWindowPos(moves, GetDlgItem(dialog, id), nullptr, x, y, w > 0 ? w : 0, h > 0 ? h : 0,
                                      SWP_NOZORDER | SWP_NOACTIVATE);
  };
  place(IDC_LOG_LIST, margin, margin, client.right - 2 * margin, row - gap - margin);
  place(IDC_LOG_TO_FILE, margin, row + (button_h - check_h) / 2, check_w, check_h);
  place(IDC_LOG_FILE_PATH, path_x, row + (button_h - text_h) / 2, choose_x - gap - path_x, text_h);
  place(IDC_LOG_FILE_CHOOSE, choose_x, row, button_w, button_h);
  place(IDC_LOG_CLEAR, clear_x, row, button_w, button_h);
  place(IDC_LOG_SAVE, save_x, row, button_w, button_h);
  if (moves) EndDeferWindowPos(moves);
  ListView_SetColumnWidth(list_of(dialog), 2, LVSCW_AUTOSIZE_USEHEADER);
}

// The first opening: beside the main window, on its right where the work
// area has room, else below it, so that neither covers the other; on a
// screen too small for that, as near as fits.
void place_first_time(HWND dialog) {
  RECT main{}, own{};
  GetWindowRect(main_window(), &main);
  GetWindowRect(dialog, &own);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(main_window(), MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  const LONG width = own.right - own.left, height = own.bottom - own.top;
  LONG x = main.right, y = main.top;
  if (x + width > work.right) {
    x = main.left;
    y = main.bottom;
  }
  if (x + width > work.right) x = work.right - width;
  if (x < work.left) x = work.left;
  if (y + height > work.bottom) y = work.bottom - height;
  if (y < work.top) y = work.top;
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void show_all_rows(HWND dialog) {
  const HWND list = list_of(dialog);
  const int count = static_cast<int>(log_recorder().rows().size());
  ListView_SetItemCountEx(list, count, 0);
  if (count > 0) ListView_EnsureVisible(list, count - 1, FALSE);
}

void check_menu_item(bool open) {
  if (const HMENU menu = GetMenu(main_window()))
    CheckMenuItem(menu, IDM_COMM_LOG, MF_BYCOMMAND | (open ? MF_CHECKED : MF_UNCHECKED));
}

BOOL on_init(HWND dialog) {
  set_log_window(dialog);
  RECT own{};
  GetWindowRect(dialog, &own);
  least_size = SIZE{(own.right - own.left) * 2 / 3, (own.bottom - own.top) / 2};
  if (kept_place.right > kept_place.left) {
    SetWindowPos(dialog, nullptr, kept_place.left, kept_place.top, kept_place.right - kept_place.left,
                 kept_place.bottom - kept_place.top, SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    place_first_time(dialog);
  }
  add_columns(dialog);
  lay_out(dialog);
  show_all_rows(dialog);
  show_log_recording();
  filter_hook = SetWindowsHookExW(WH_MSGFILTER, message_filter, nullptr, GetCurrentThreadId());
  check_menu_item(true);
  return TRUE;  // the focus goes to the list
}

void on_destroy(HWND dialog) {
  GetWindowRect(dialog, &kept_place);
  if (filter_hook) UnhookWindowsHookEx(filter_hook);
  filter_hook = nullptr;
  set_log_window(nullptr);
  check_menu_item(false);
}

// A row of line noise reads up to 2,400 characters, far wider than any
// column; drawing all of them (with the end cut off by an ellipsis) takes a
// list view a noticeable time per row. The list gets the first ones, which
// are all it can show; 保存… and Ctrl+C give the whole row.
constexpr std::size_t shown_chars = 256;

void fill_cell(LVITEMW& item) {
  if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
  const LogRows& rows = log_recorder().rows();
  std::wstring text;
  if (item.iItem >= 0 && static_cast<std::size_t>(item.iItem) < rows.size()) {
    const LogRow& row = rows[static_cast<std::size_t>(item.iItem)];
    text = utf8_to_wide(item.iSubItem == 0   ? clock_text(row.time)
                        : item.iSubItem == 1 ? std::string(direction_text(row.direction))
                                             : row.text);
    if (text.size() > shown_chars) {
      text.resize(shown_chars);
      text += L'…';
    }
  }
  lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
}

// Ctrl+C: the selected rows as 保存… writes them (without the mark), for a
// mail to support.
void copy_selection(HWND dialog) {
  const HWND list = list_of(dialog);
  const LogRows& rows = log_recorder().rows();
  std::string text;
  for (int k = ListView_GetNextItem(list, -1, LVNI_SELECTED); k >= 0; k = ListView_GetNextItem(list, k, LVNI_SELECTED))
    if (static_cast<std::size_t>(k) < rows.size()) text += file_line(rows[static_cast<std::size_t>(k)]);
  if (text.empty() || !OpenClipboard(dialog)) return;
  EmptyClipboard();
  const std::wstring wide = utf8_to_wide(text);
  if (const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t))) {
    if (void* place = GlobalLock(memory)) {
      wide.copy(static_cast<wchar_t*>(place), wide.size());
      static_cast<wchar_t*>(place)[wide.size()] = L'\0';
      GlobalUnlock(memory);
      if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    } else {
      GlobalFree(memory);
    }
  }
  CloseClipboard();
}

void on_list_key(HWND dialog, WORD key) {
  if (GetKeyState(VK_CONTROL) >= 0) return;
  if (key == 'C') copy_selection(dialog);
  if (key == 'A') ListView_SetItemState(list_of(dialog), -1, LVIS_SELECTED, LVIS_SELECTED);
}

INT_PTR on_notify(HWND dialog, const NMHDR* header) {
  if (header->idFrom != IDC_LOG_LIST) return FALSE;
  if (header->code == LVN_GETDISPINFOW) {
    fill_cell(reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header))->item);
  } else if (header->code == LVN_KEYDOWN) {
    on_list_key(dialog, reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey);
  }
  return TRUE;
}

void on_clear(HWND dialog) {
  clear_log_rows();
  const HWND list = list_of(dialog);
  const bool had_scroll_bar = has_vertical_scroll_bar(list);
  ListView_SetItemCountEx(list, 0, 0);
  fit_text_column_if(list, had_scroll_bar);
}

INT_PTR on_command(HWND dialog, int id, int code) {
  switch (id) {
    case IDCANCEL:  // Escape and the close box
      DestroyWindow(dialog);
      return TRUE;
    case IDOK:  // Enter: nothing to confirm
      return TRUE;
    case IDC_LOG_CLEAR:
      if (code == BN_CLICKED) on_clear(dialog);
      return TRUE;
    case IDC_LOG_SAVE:
      if (code == BN_CLICKED) log_recorder().save();
      return TRUE;
    case IDC_LOG_TO_FILE:
      if (code == BN_CLICKED) log_recorder().set_to_file(IsDlgButtonChecked(dialog, IDC_LOG_TO_FILE) != BST_CHECKED);
      return TRUE;
    case IDC_LOG_FILE_CHOOSE:
      if (code == BN_CLICKED) log_recorder().choose_file_again();
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR on_min_max(MINMAXINFO* info) {
  info->ptMinTrackSize.x = least_size.cx;
  info->ptMinTrackSize.y = least_size.cy;
  return TRUE;
}

INT_PTR CALLBACK log_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      return on_init(dialog);
    case WM_SIZE:
      lay_out(dialog);
      return TRUE;
    case WM_GETMINMAXINFO:
      return on_min_max(reinterpret_cast<MINMAXINFO*>(lparam));
    case WM_NOTIFY:
      return on_notify(dialog, reinterpret_cast<const NMHDR*>(lparam));
    case WM_COMMAND:
      return on_command(dialog, LOWORD(wparam), HIWORD(wparam));
    case WM_CLOSE:
      DestroyWindow(dialog);
      return TRUE;
    case WM_DPICHANGED:
      PostMessageW(dialog, message_fit_columns, 0, 0);
      return FALSE;  // the dialog scales itself
    case message_fit_columns:
      fit_columns(dialog);
      return TRUE;
    case WM_DESTROY:
      on_destroy(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void toggle_log_window() {
  if (const HWND open = log_window()) {
    // Minimized, it is what the user looks for: brought back, not closed.
    if (IsIconic(open)) {
      ShowWindow(open, SW_RESTORE);
      SetForegroundWindow(open);
      return;
    }
    DestroyWindow(open);
    return;
  }
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  const HWND dialog =
      CreateDialogParamW(app_instance(), MAKEINTRESOURCEW(IDD_COMM_LOG), main_window(), log_dialog_proc, 0);
  if (!dialog) return;
  ShowWindow(dialog, SW_SHOW);
  SetForegroundWindow(dialog);
}

void show_log_rows(const LogRecorder::Taken& taken) {
  const HWND dialog = log_window();
  if (!dialog) return;
  const HWND list = list_of(dialog);
  const int top = ListView_GetTopIndex(list);
  const LogViewPlace place =
      log_view_place(static_cast<std::size_t>(top), static_cast<std::size_t>(ListView_GetCountPerPage(list)),
                     static_cast<std::size_t>(ListView_GetItemCount(list)), taken.dropped);
  const int count = static_cast<int>(log_recorder().rows().size());
  if (taken.dropped > 0) {
    // The rows moved up under the selection: it would mark other rows now.
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  }
  // Rows that moved are drawn again; new ones only when they come in view.
  const bool had_scroll_bar = has_vertical_scroll_bar(list);
  ListView_SetItemCountEx(list, count, LVSICF_NOSCROLL | (taken.dropped > 0 ? 0 : LVSICF_NOINVALIDATEALL));
  fit_text_column_if(list, had_scroll_bar);
  if (count == 0) return;
  if (place.newest) {
    ListView_EnsureVisible(list, count - 1, FALSE);
  } else if (static_cast<int>(place.top) != top) {
    RECT row{};
    ListView_GetItemRect(list, 0, &row, LVIR_BOUNDS);
    ListView_Scroll(list, 0, (static_cast<int>(place.top) - top) * (row.bottom - row.top));
  }
}

void show_log_recording() {
  const HWND dialog = log_window();
  if (!dialog) return;
  const LogRecorder& recorder = log_recorder();
  CheckDlgButton(dialog, IDC_LOG_TO_FILE, recorder.to_file() ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemTextW(dialog, IDC_LOG_FILE_PATH, utf8_to_wide(recorder.file_path()).c_str());
}

bool log_window_message(MSG& message) {
  const HWND window = log_window();
  if (!window || (message_in_hand && same_message(*message_in_hand, message))) return false;
  const MSG* outer = message_in_hand;
  message_in_hand = &message;
  const bool handled = IsDialogMessageW(window, &message) != FALSE;
  message_in_hand = outer;
  return handled;
}

}  // namespace zanteq::win32
