// Drawing into the painted dialogs' panel statics.
#include "dialogs/painted_dialog.h"

#include <string>

#include "link/text_conversion.h"

namespace zanteq::win32 {

namespace {

void draw_wide(HDC dc, PanelPoint at, const std::wstring& text) {
  if (dc) TextOutW(dc, at.x, at.y, text.c_str(), static_cast<int>(text.size()));
}

}  // namespace

PanelPainter::PanelPainter(HWND dialog, int panel_id)
    : panel_(GetDlgItem(dialog, panel_id)), dc_(panel_ ? GetDC(panel_) : nullptr) {}

PanelPainter::~PanelPainter() {
  if (dc_) ReleaseDC(panel_, dc_);
}

void PanelPainter::draw_utf8(PanelPoint at, std::string_view text) {
  draw_wide(dc_, at, utf8_to_wide(text));
}

void PanelPainter::draw_cp932(PanelPoint at, std::string_view text) {
  draw_wide(dc_, at, cp932_to_wide(text));
}

void validate_dialog(HWND dialog) {
  PAINTSTRUCT paint;
  BeginPaint(dialog, &paint);
  EndPaint(dialog, &paint);
}

}  // namespace zanteq::win32
