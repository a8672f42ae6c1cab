// Framing of command lines for RS-232C and RS-485.
#include "core/link/framing.h"

#include "core/link/codec.h"

namespace zanteq {

namespace {
bool is_broadcast(int rs_control, int slave_address) {
  return rs_control != 0 && slave_address >= broadcast_address;
}
}  // namespace

std::string frame_command(int rs_control, int slave_address, std::string_view text) {
  if (text.size() > max_command_length) return {};
  if (rs_control == 0) return std::string(text);
  if (slave_address < 0) return {};

  std::string framed(2, 'F');
  if (slave_address < broadcast_address) format_dec2(slave_address, &framed[0]);
  framed.append(text);
  return framed;
}

std::string prepare_send(LinkState& link, std::string_view text) {
  const int rs_control = link.rs_control;
  const int slave_address = link.slave_address;
  std::string framed = frame_command(rs_control, slave_address, text);
  if (framed.empty()) return framed;
  link.reply_pending = is_broadcast(rs_control, slave_address) ? 0 : 1;
  return framed;
}

}  // namespace zanteq
