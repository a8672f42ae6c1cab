// The date and time dialog (template 135): the unit's clock, one field at a
// time or all at once ("年月日時分秒"), the 30-second correction and how the
// clock is shown on the unit's screen.
//
// The six date and time combos open on the PC's local time and have no
// record field: their commands are built from what the combos show when a
// button is pressed, typed text included (dialogs/date_time_view.h).
#include <atomic>
#include <string>
#include <vector>

#include "win32/app/app.h"
#include "core/dialogs/combo_entries.h"
#include "core/dialogs/date_time_view.h"
#include "win32/dialogs/dialogs.h"
#include "win32/dialogs/feature_dialog.h"
#include "platform/windows/text_conversion.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

using platform::utf8_to_wide;
using platform::wide_to_utf8;

namespace {

struct ClockCombo {
  int id;
  ClockField field;
};

// In filling order.
constexpr ClockCombo clock_combos[] = {
    {IDC_DT_YEAR, ClockField::year},     {IDC_DT_MONTH, ClockField::month},
    {IDC_DT_DAY, ClockField::day},       {IDC_DT_HOUR, ClockField::hour},
    {IDC_DT_MINUTE, ClockField::minute}, {IDC_DT_SECOND, ClockField::second},
};

// The layout's range combo is narrower than its entries; its open list at
// least shows them whole.
void widen_range_list(HWND dialog) {
  const HWND combo = GetDlgItem(dialog, IDC_DT_RANGE);
  const HDC dc = GetDC(combo);
  const HGDIOBJ old_font =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0)));
  LONG widest = 0;
  for (int index = 0; index < clock_range_entries.count; ++index) {
    const std::wstring text = utf8_to_wide(clock_range_entries[index]);
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    if (size.cx > widest) widest = size.cx;
  }
  SelectObject(dc, old_font);
  ReleaseDC(combo, dc);
  const LONG margins = 4 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL) + 8;
  SendMessageW(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + margins), 0);
}

void fill_clock_combo(HWND dialog, const ClockCombo& combo) {
  const int count = clock_entry_count(combo.field);
  for (int i = 0; i < count; ++i)
    insert_combo_entry(dialog, combo.id, i, clock_entry_text(combo.field, i).c_str());
}

void select_clock(HWND dialog, const ClockSelection& clock) {
  select_combo_entry(dialog, IDC_DT_YEAR, clock.year_index);
  select_combo_entry(dialog, IDC_DT_MONTH, clock.month_index);
  select_combo_entry(dialog, IDC_DT_DAY, clock.day_index);
  select_combo_entry(dialog, IDC_DT_HOUR, clock.hour);
  select_combo_entry(dialog, IDC_DT_MINUTE, clock.minute);
  select_combo_entry(dialog, IDC_DT_SECOND, clock.second);
}

void on_init(HWND dialog) {
  SYSTEMTIME now = {};
  GetLocalTime(&now);

  for (const ClockCombo& combo : clock_combos) fill_clock_combo(dialog, combo);
  insert_combo_entries(dialog, IDC_DT_RANGE, clock_range_entries);
  widen_range_list(dialog);
  insert_combo_entries(dialog, IDC_DT_DISPLAY, clock_display_entries);
  init_slave_address_combo(dialog);

  select_clock(dialog, clock_selection_at(now.wYear, now.wMonth, now.wDay, now.wHour,
                                          now.wMinute, now.wSecond));
  const DeviceSettings& r = app_state().record;
  select_combo_entry(dialog, IDC_DT_RANGE, r.clock_display_range);
  select_combo_entry(dialog, IDC_DT_DISPLAY, r.clock_display);

  apply_caption_rule(dialog, "日付・時刻 ");
}

std::string combo_text_utf8(HWND dialog, int combo_id) {
  const HWND combo = GetDlgItem(dialog, combo_id);
  const int length = GetWindowTextLengthW(combo);
  std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(combo, text.data(), length + 1);
  return wide_to_utf8(std::wstring_view(text.data()));
}

// What the six combos show. A list selection shows its entry's text, so
// reading the text covers both a chosen and a typed value.
ClockSelection shown_clock(HWND dialog) {
  ClockSelection clock;
  for (const ClockCombo& combo : clock_combos)
    set_clock_index(clock, combo.field,
                    clock_index_from_text(combo.field, combo_text_utf8(dialog, combo.id)));
  return clock;
}

// The range and display combos have an edit field too (as has the address
// combo, which the shared handling puts right), but their 設定 buttons send
// the stored value: text typed there is replaced by the stored entry when
// the combo is left, so the combo never shows one value while another would
// be sent.
void on_stored_combo(HWND dialog, int id, int code, std::atomic<int>& field) {
  if (code == CBN_SELCHANGE) store_combo_selection(dialog, id, field);
  if (code == CBN_KILLFOCUS) select_combo_entry(dialog, id, field);
}

BOOL on_command(HWND dialog, int id, int code) {
  DeviceSettings& r = app_state().record;
  Operations& ops = operations();
  switch (id) {
    case IDC_DT_RANGE: on_stored_combo(dialog, id, code, r.clock_display_range); break;
    case IDC_DT_DISPLAY: on_stored_combo(dialog, id, code, r.clock_display); break;
    case IDC_DT_YEAR_SET: ops.send_date_year(shown_clock(dialog)); break;
    case IDC_DT_MONTH_SET: ops.send_date_month(shown_clock(dialog)); break;
    case IDC_DT_DAY_SET: ops.send_date_day(shown_clock(dialog)); break;
    case IDC_DT_HOUR_SET: ops.send_time_hour(shown_clock(dialog)); break;
    case IDC_DT_MINUTE_SET: ops.send_time_minute(shown_clock(dialog)); break;
    case IDC_DT_SECOND_SET: ops.send_time_second(shown_clock(dialog)); break;
    case IDC_DT_ALL_SET: ops.send_date_time(shown_clock(dialog)); break;
    case IDC_DT_ADJUST_SET: ops.send_time_adjust(); break;
    case IDC_DT_RANGE_SET: ops.send_clock_display_range(); break;
    case IDC_DT_DISPLAY_SET: ops.send_clock_display(); break;
    default: return FALSE;
  }
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK date_time_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return settings_dialog_message(dialog, message, wparam, on_init, on_command, EnterKey::closes);
}

}  // namespace zanteq::win32
