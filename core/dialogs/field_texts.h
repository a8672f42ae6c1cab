// A settings-file line's value as the dialogs show it, for people reading
// a unit's settings outside those dialogs (the unit list's differences and
// its site report): a combo index as its entry's text, a number as its
// combo writes it (brightness "-12", contrast "064"), a title or the hold
// time as text. Alignment blanks of the combo entries are left out.
//
// The record holds code page 932 bytes and the core converts no code page,
// so the caller passes its converter (on both platforms
// platform::cp932_to_utf8). Bytes it refuses are shown as "\xHH".
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/settings/record.h"
#include "core/settings/settings_fields.h"

namespace zanteq {

// Code page 932 bytes to UTF-8 text; false when they are not code page 932.
using Cp932ToUtf8 = std::function<bool(std::string_view bytes, std::string& text)>;

// The value of line 1..72 of `record` (UTF-8); empty for any other line. A
// number no dialog offers is "範囲外 (n)".
std::string shown_setting(const DeviceSettings& record, int line, const Cp932ToUtf8& convert);

// Whether shown_setting knows how the dialogs show `field` (every field of
// the table does; a field added without its form shows plain numbers).
bool has_shown_form(const SettingsField& field);

}  // namespace zanteq
