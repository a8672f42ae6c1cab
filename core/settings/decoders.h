// Decoders of the unit's data replies. Each reads fixed positions of a reply
// text (prefix at position 0, "\r\n" still on it) and writes only the fields
// its prefix names. The text lies in a zero-filled buffer of
// line_buffer_size bytes, so a short reply reads zeros, never past the end.
#pragma once

#include <cstdint>
#include <string_view>

#include "settings/record.h"

namespace zanteq {

using ReplyDecoder = void (*)(DeviceSettings& record, const char* text);

struct ReplyPrefix {
  const char* prefix;
  ReplyDecoder decode;
};

// The prefix table in the order the dispatch tests it (longer prefixes
// before the shorter ones they begin with). "VN" is the last entry; its
// decoder stores nothing.
extern const ReplyPrefix reply_prefixes[];
extern const int reply_prefix_count;

// The first entry whose prefix begins `text`, or nullptr.
const ReplyPrefix* find_reply_prefix(std::string_view text);

// Title reply: ten JIS X 0208 codes as 40 hex digits into a code page 932
// title, trailing full-width spaces dropped, leading ones kept.
uint16_t jis_to_sjis(uint16_t jis);

}  // namespace zanteq
