// Drawing into the painted dialogs' panel statics.
#include "win32/dialogs/painted_dialog.h"

#include <algorithm>
#include <cwchar>
#include <string>

#include "core/app/display_scale.h"
#include "win32/app/app.h"
#include "win32/app/display_dpi.h"
#include "platform/windows/text_conversion.h"

namespace zanteq::win32 {

using platform::utf8_to_wide;
using platform::cp932_to_wide;

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

int CALLBACK note_truetype_face(const LOGFONTW*, const TEXTMETRICW*, DWORD type, LPARAM found) {
  if (type & TRUETYPE_FONTTYPE) *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool has_japanese_truetype_face(HDC dc, const wchar_t* face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = SHIFTJIS_CHARSET;
  std::wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  EnumFontFamiliesExW(dc, &wanted, note_truetype_face, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

// Looked up once: the fonts installed do not change while the program runs.
const wchar_t* japanese_panel_face(HDC dc) {
  static const wchar_t* const face = [dc]() -> const wchar_t* {
    for (const wchar_t* name : {L"MS Gothic", L"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF"})  // ＭＳ ゴシック
      if (has_japanese_truetype_face(dc, name)) return name;
    return nullptr;
  }();
  return face;
}

HFONT create_panel_font(HWND dialog, HDC dc, int dpi) {
  LOGFONTW font{};
  if (const auto dialog_font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)))
    GetObjectW(dialog_font, sizeof font, &font);
  if (const wchar_t* face = japanese_panel_face(dc)) {
    std::wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  }
  font.lfHeight = scale_to_dpi(panel_font_height, dpi);  // cell height, like the System font's
  font.lfWidth = 0;
  font.lfEscapement = font.lfOrientation = 0;
  font.lfWeight = FW_NORMAL;
  font.lfItalic = font.lfUnderline = font.lfStrikeOut = FALSE;
  font.lfCharSet = SHIFTJIS_CHARSET;
  font.lfOutPrecision = OUT_TT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  return CreateFontIndirectW(&font);
}

}  // namespace

PanelDialog::PanelDialog(HWND dialog, UINT_PTR timer_id)
    : repaint(app_state().ui, *this), dialog_(dialog), timer_id_(timer_id) {}

void PanelDialog::start_timer(int period_ms) {
  SetTimer(dialog_, timer_id_, static_cast<UINT>(period_ms), nullptr);
}

void PanelDialog::stop_timer() { KillTimer(dialog_, timer_id_); }

PanelPainter::PanelPainter(HWND dialog, int panel_id)
    : panel_(GetDlgItem(dialog, panel_id)), dc_(panel_ ? GetDC(panel_) : nullptr), dpi_(window_dpi(panel_)) {
  if (!dc_) return;
  // A static's context may be clipped to its parent only (parent-DC class
  // style): keep long texts and blank runs inside the panel.
  RECT client{};
  if (GetClientRect(panel_, &client)) IntersectClipRect(dc_, client.left, client.top, client.right, client.bottom);
  font_ = create_panel_font(dialog, dc_, dpi_);
  if (font_) old_font_ = SelectObject(dc_, font_);
}

PanelPainter::~PanelPainter() {
  if (!dc_) return;
  if (old_font_) SelectObject(dc_, old_font_);
  if (font_) DeleteObject(font_);
  ReleaseDC(panel_, dc_);
}

void PanelPainter::draw_utf8(PanelPoint at, std::string_view text) {
  draw_wide(dc_, scaled(at), utf8_to_wide(text));
}

void PanelPainter::draw_cp932_line(PanelPoint at, std::string_view text) {
  RECT client{};
  if (panel_) GetClientRect(panel_, &client);
  draw_opaque(dc_, scaled(at), cp932_to_wide(text), client.right);
}

void PanelPainter::blank_out(PanelPoint at, std::string_view blanks, std::string_view covered) {
  if (!dc_) return;
  const PanelPoint from = scaled(at);
  draw_opaque(dc_, from, utf8_to_wide(blanks), from.x + text_extent(dc_, utf8_to_wide(covered)).cx);
}

void validate_dialog(HWND dialog) {
  PAINTSTRUCT paint;
  BeginPaint(dialog, &paint);
  EndPaint(dialog, &paint);
}

}  // namespace zanteq::win32
