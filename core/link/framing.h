// Framing of command lines for the wire: RS-232C sends the text as it is,
// RS-485 puts the two-digit slave address (or "FF" for broadcast) in front.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "settings/record.h"

namespace zanteq {

constexpr std::size_t line_buffer_size = 600;   // one command or reply line
constexpr std::size_t max_command_length = 597; // framed line and terminator fit the buffer
constexpr int broadcast_address = 32;

// The bytes written for `text` (a command ending in "\r\n"): no prefix when
// rs_control is 0; "00".."31" for slave addresses 0..31; "FF" for 32 or more.
// A text longer than max_command_length gives an empty result.
std::string frame_command(int rs_control, int slave_address, std::string_view text);

// What the send operation does besides writing: sets reply_pending (left at 0
// for a broadcast) and returns the framed bytes to write. reply_wait_ticks is
// not touched. An empty result means nothing is to be written and nothing is
// awaited.
std::string prepare_send(LinkState& link, std::string_view text);

}  // namespace zanteq
