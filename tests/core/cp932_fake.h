// A code page 932 converter for tests, standing in for the platform's: the
// ASCII range, the full-width space, digits and Latin capitals, and
// nothing else.
#pragma once

#include <string>
#include <string_view>

namespace zanteq::testing {

inline bool fake_cp932_to_utf8(std::string_view bytes, std::string& text) {
  text.clear();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      text += bytes[i];
      continue;
    }
    if (i + 1 >= bytes.size()) return false;
    const int code = lead << 8 | static_cast<unsigned char>(bytes[++i]);
    if (code == 0x8140) {
      text += "\xE3\x80\x80";
    } else if (code >= 0x824F && code <= 0x8258) {  // ０..９: U+FF10..
      text += "\xEF\xBC";
      text += static_cast<char>(0x90 + code - 0x824F);
    } else if (code >= 0x8260 && code <= 0x8279) {  // Ａ..Ｚ: U+FF21..
      text += "\xEF\xBC";
      text += static_cast<char>(0xA1 + code - 0x8260);
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace zanteq::testing
