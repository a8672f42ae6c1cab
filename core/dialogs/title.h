// Titles: storing the edited text, preparing it for the wire, the Shift_JIS
// to JIS X 0208 conversion and the CJ / CJN command, and the title display
// commands.
//
// A title is cp932 (Shift_JIS) bytes in the record. The unit takes ten
// 16-bit JIS X 0208 codes written as forty upper-case hex digits, so only
// double-byte characters of JIS rows 0x21..0x7E can be sent; the IBM
// extension duplicates of code page 932 are first mapped onto their
// NEC-selected codes, which lie in those rows.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/settings/record.h"

namespace zanteq {

// Warning-box text for a title that cannot be sent.
inline constexpr const char* title_refusal_message =
    "ＪＩＳ第１水準,第２水準以外の字が選択されてます";

// The text store_title keeps for an edit text: at most 21 bytes, filled up
// with full-width spaces to 20 bytes when even, to 19 bytes when odd (so an
// odd title stays odd and is refused when sent); longer texts as they are.
std::string pad_edited_title(std::string_view edit_text);

// Copies the edit text (cp932 bytes) into the title of the dialog's channel:
// `current_channel`, with 4, 5 or any value outside 0..3 taken as channel 0.
void store_title(AppState& app, std::string_view edit_text);

// The 20 bytes to send for a stored title: padded with full-width spaces, or
// nothing when the title is longer than 20 bytes or of odd length.
std::optional<std::string> prepare_title_text(std::string_view title);

// Code page 932 IBM extension code to its NEC-selected duplicate, 0 for a
// code without one.
int ibm_to_nec_selected(int code);

// Shift_JIS double-byte code to JIS X 0208, 0 for a code outside rows and
// cells 0x21..0x7E.
int sjis_to_jis(int code);

// The 16-bit value sent for one byte pair of a title, 0 when refused.
int title_wire_code(unsigned char first, unsigned char second);

// The CJ line (CJN when `dont_memory`) for channel 0..3 and a prepared
// 20-byte text; nothing when a character is refused or the text is not 20
// bytes.
std::optional<std::string> build_title(int channel, bool dont_memory, std::string_view prepared);

std::string build_title_display_single(const DeviceSettings& r);  // CTDSOF / CTDSON
std::string build_title_display_split(const DeviceSettings& r);   // CTDDOF / CTDDON

}  // namespace zanteq
