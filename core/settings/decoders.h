// Decoders of the unit's data replies. Each reads fixed positions of a reply
// text (prefix at position 0, "\r\n" still on it) and writes only the fields
// its prefix names. The text lies in a zero-filled buffer of
// line_buffer_size bytes, so a short reply reads zeros, never past the end.
//
// Digits are not checked: whatever the character codes give is stored, as
// a combo shows such a value as no selection. Channel numbers are checked:
// a reply for a channel outside 01..04 writes nothing, since the record has
// only four channels and a neighbouring field must not be hit.
//
// Runs on the receiving thread; every field written is an atomic or a
// GuardedText, so the interface thread never reads a half-written value.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/settings/jis.h"
#include "core/settings/record.h"

namespace zanteq {

using ReplyDecoder = void (*)(DeviceSettings& record, const char* text);

struct ReplyPrefix {
  const char* prefix;
  ReplyDecoder decode;
  bool raises_success;  // "VN", the last answer of read-all: always "Success"
};

// The prefix table in the order the dispatch tests it (longer prefixes
// before the shorter ones they begin with). "VN" is the last entry; its
// decoder stores nothing.
extern const ReplyPrefix reply_prefixes[];
extern const int reply_prefix_count;

// The first entry whose prefix begins `text`, or nullptr.
const ReplyPrefix* find_reply_prefix(std::string_view text);

}  // namespace zanteq
