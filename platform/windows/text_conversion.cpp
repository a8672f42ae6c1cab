// UTF-8 / code page 932 <-> UTF-16 with the system's converters. Code page
// 932 is named explicitly, so titles convert the same on every Windows
// locale.
#include "platform/windows/text_conversion.h"

#include <windows.h>

#include "platform/text.h"

namespace zanteq::platform {

namespace {

constexpr UINT cp_shift_jis = 932;

std::wstring to_wide(UINT code_page, std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string to_bytes(UINT code_page, std::wstring_view text, BOOL* used_default) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  // UTF-8 refuses the default-character arguments.
  const DWORD flags = code_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int length =
      WideCharToMultiByte(code_page, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(code_page, flags, text.data(), size, bytes.data(), length, nullptr,
                      used_default);
  return bytes;
}

}  // namespace

std::wstring utf8_to_wide(std::string_view text) { return to_wide(CP_UTF8, text); }

std::string wide_to_utf8(std::wstring_view text) { return to_bytes(CP_UTF8, text, nullptr); }

std::wstring cp932_to_wide(std::string_view text) { return to_wide(cp_shift_jis, text); }

bool cp932_to_utf8(std::string_view bytes, std::string& text) {
  if (bytes.empty()) return text.clear(), true;
  // Refused rather than guessed: bytes that are not code page 932 would
  // otherwise come out as U+30FB.
  const int length = MultiByteToWideChar(cp_shift_jis, MB_ERR_INVALID_CHARS, bytes.data(),
                                         static_cast<int>(bytes.size()), nullptr, 0);
  if (length <= 0) return false;
  text = wide_to_utf8(cp932_to_wide(bytes));
  return true;
}

std::string wide_to_cp932(std::wstring_view text, bool* lossy) {
  BOOL used_default = FALSE;
  std::string bytes = to_bytes(cp_shift_jis, text, &used_default);
  if (lossy) *lossy = used_default != FALSE;
  return bytes;
}

}  // namespace zanteq::platform
