// Drawing into the painted dialogs' panel statics.
#include "win32/dialogs/painted_dialog.h"

#include <algorithm>
#include <string>

#include "win32/app/app.h"
#include "win32/link/text_conversion.h"

namespace zanteq::win32 {

namespace {

void draw_wide(HDC dc, PanelPoint at, const std::wstring& text) {
  if (dc) TextOutW(dc, at.x, at.y, text.c_str(), static_cast<int>(text.size()));
}

SIZE text_extent(HDC dc, const std::wstring& text) {
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

// The text, and the background colour over the whole of `right` - at.x.
void draw_opaque(HDC dc, PanelPoint at, const std::wstring& text, LONG right) {
  if (!dc) return;
  const SIZE size = text_extent(dc, text);
  const RECT area{at.x, at.y, std::max<LONG>(right, at.x + size.cx), at.y + size.cy};
  ExtTextOutW(dc, at.x, at.y, ETO_OPAQUE, &area, text.c_str(), static_cast<UINT>(text.size()), nullptr);
}

}  // namespace

PanelDialog::PanelDialog(HWND dialog, UINT_PTR timer_id)
    : repaint(app_state().ui, *this), dialog_(dialog), timer_id_(timer_id) {}

void PanelDialog::start_timer(int period_ms) {
  SetTimer(dialog_, timer_id_, static_cast<UINT>(period_ms), nullptr);
}

void PanelDialog::stop_timer() { KillTimer(dialog_, timer_id_); }

PanelPainter::PanelPainter(HWND dialog, int panel_id)
    : panel_(GetDlgItem(dialog, panel_id)), dc_(panel_ ? GetDC(panel_) : nullptr) {
  // A static's context may be clipped to its parent only (parent-DC class
  // style): keep long texts and blank runs inside the panel.
  RECT client{};
  if (dc_ && GetClientRect(panel_, &client))
    IntersectClipRect(dc_, client.left, client.top, client.right, client.bottom);
}

PanelPainter::~PanelPainter() {
  if (dc_) ReleaseDC(panel_, dc_);
}

void PanelPainter::draw_utf8(PanelPoint at, std::string_view text) {
  draw_wide(dc_, at, utf8_to_wide(text));
}

void PanelPainter::draw_cp932_line(PanelPoint at, std::string_view text) {
  RECT client{};
  if (panel_) GetClientRect(panel_, &client);
  draw_opaque(dc_, at, cp932_to_wide(text), client.right);
}

void PanelPainter::blank_out(PanelPoint at, std::string_view blanks, std::string_view covered) {
  if (!dc_) return;
  draw_opaque(dc_, at, utf8_to_wide(blanks), at.x + text_extent(dc_, utf8_to_wide(covered)).cx);
}

void validate_dialog(HWND dialog) {
  PAINTSTRUCT paint;
  BeginPaint(dialog, &paint);
  EndPaint(dialog, &paint);
}

}  // namespace zanteq::win32
