// The system's own words for an error code, as the programs pass them on.
#pragma once

#include <windows.h>

#include <string>

namespace zanteq::platform {

// FormatMessage's text in UTF-8 without the line end and the full stop:
// "The system cannot find the file specified"; "error 1234" when Windows
// has no text for it.
std::string system_reason(DWORD code);

}  // namespace zanteq::platform
