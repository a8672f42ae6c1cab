// Conversions at the edge between the core's byte strings and the W API:
// UTF-8 (texts in the source code, paths in the core) and code page 932
// (titles, unit names, the settings file) to and from UTF-16. The same file
// implements platform/text.h.
#pragma once

#include <string>
#include <string_view>

namespace zanteq::platform {

std::wstring utf8_to_wide(std::string_view text);
std::string wide_to_utf8(std::wstring_view text);

std::wstring cp932_to_wide(std::string_view text);
// Characters that code page 932 cannot hold become '?'; `lossy` (when given)
// tells whether that happened.
std::string wide_to_cp932(std::wstring_view text, bool* lossy = nullptr);

}  // namespace zanteq::platform
