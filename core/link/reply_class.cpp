// Classifying a line from the unit and decoding a data line.
#include "core/link/reply_class.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/link/codec.h"
#include "core/link/framing.h"

namespace zanteq {

namespace {

const char* const error_messages[] = {"Framing Error", "Parity Error", "Over Run Error", "Command Error"};
const char* const error_lines[] = {"E0\r\n", "E1\r\n", "E2\r\n", "E3\r\n"};

std::string_view without_line_end(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

bool carries_address(std::string_view line, int address) {
  char expected[2] = {'F', 'F'};
  if (address < broadcast_address) format_dec2(address, expected);
  return line.size() >= 2 && line[0] == expected[0] && line[1] == expected[1];
}

}  // namespace

ClassifiedReply classify_reply(std::string_view line, const ReplyContext& context) {
  ClassifiedReply reply;
  // A line is read up to its first NUL; so is the command it may echo (a
  // raw line may hold one), or its own echo would pass for a reply.
  line = line.substr(0, line.find('\0'));
  const std::string_view sent = context.sent.substr(0, context.sent.find('\0'));
  if (!sent.empty() && without_line_end(line) == without_line_end(sent)) {
    reply.kind = ReplyClass::echo;
    reply.text = line;
    return reply;
  }
  if (context.rs_control != 0) {
    if (context.address >= 0 && !carries_address(line, context.address)) {
      reply.kind = ReplyClass::other_address;
      reply.text = line;
      return reply;
    }
    line = line.size() > 2 ? line.substr(2) : std::string_view();
  }
  const std::string_view text = line.substr(0, line_buffer_size - 1);
  reply.text = text;

  if (text == "GO\r\n") {
    reply.kind = ReplyClass::accepted;
  } else if (text == "MENU\r\n") {
    reply.kind = ReplyClass::menu;
  } else if (const ReplyPrefix* entry = find_reply_prefix(text)) {
    reply.entry = entry;
    const bool asked = context.asked.empty() || (text.substr(0, context.asked.size()) == context.asked &&
                                                 find_reply_prefix(context.asked) == entry);
    reply.kind = asked ? ReplyClass::data : ReplyClass::other_data;
  } else if (text == "GN\r\n") {
    reply.kind = ReplyClass::not_applied;
  } else {
    for (int code = 0; code < 4; ++code) {
      if (text == error_lines[code]) {
        reply.kind = ReplyClass::error;
        reply.error_code = code;
      }
    }
  }
  return reply;
}

void decode_reply(DeviceSettings& record, const ClassifiedReply& reply) {
  if (!reply.entry || (reply.kind != ReplyClass::data && reply.kind != ReplyClass::other_data)) return;
  char text[line_buffer_size] = {};
  const std::size_t length = std::min(reply.text.size(), line_buffer_size - 1);
  if (length > 0) std::memcpy(text, reply.text.data(), length);
  reply.entry->decode(record, text);
}

const char* reply_box_text(const ClassifiedReply& reply) {
  if (reply.kind == ReplyClass::menu) return "Menu Display";
  if (reply.kind == ReplyClass::error && reply.error_code >= 0 && reply.error_code < 4)
    return error_messages[reply.error_code];
  return nullptr;
}

std::string printable_line(std::string_view line) {
  std::string out;
  for (const char c : without_line_end(line)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      out += c;
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    }
  }
  return out;
}

}  // namespace zanteq
