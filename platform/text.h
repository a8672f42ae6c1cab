// Text conversion that every platform offers (posix/text.cpp,
// windows/text_conversion.cpp).
#pragma once

#include <string>
#include <string_view>

namespace zanteq::platform {

// Code page 932 bytes (a title, a hold time) as UTF-8; false when they are
// not code page 932.
bool cp932_to_utf8(std::string_view bytes, std::string& text);

}  // namespace zanteq::platform
