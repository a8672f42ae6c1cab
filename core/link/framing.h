// Framing of command lines for the wire: RS-232C sends the text as it is,
// RS-485 puts the two-digit slave address (or "FF" for broadcast) in front.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/settings/record.h"

namespace zanteq {

constexpr std::size_t line_buffer_size = 600;   // one command or reply line
constexpr std::size_t max_command_length = 597; // framed line and terminator fit the buffer
constexpr int broadcast_address = 32;

// The bytes written for `text` (a command ending in "\r\n"): no prefix when
// rs_control is 0; "00".."31" for slave addresses 0..31; "FF" for 32 or more.
// An empty result means nothing may be written: a text longer than
// max_command_length, or (on RS-485) a negative slave address, which no
// address combo produces and which must not reach unit 00 by accident.
std::string frame_command(int rs_control, int slave_address, std::string_view text);

// What the send operation does besides writing: frames the text for the
// current interface and address, sets reply_pending (0 after a broadcast,
// which nothing answers) and returns the bytes to write. reply_wait_ticks is
// not touched, so an earlier unanswered command keeps its count. When the
// result is empty nothing is written and reply_pending keeps its value.
std::string prepare_send(LinkState& link, std::string_view text);

}  // namespace zanteq
