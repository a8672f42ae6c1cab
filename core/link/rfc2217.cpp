// RFC 2217 codec: Telnet parsing, option negotiation and COM-PORT-OPTION
// for the client and the simulator's server.
#include "core/link/rfc2217.h"

#include <cstdio>

namespace zanteq {

namespace {

using namespace telnet;

constexpr std::size_t max_subnegotiation = 256;
constexpr unsigned char max_agreements = 3;
constexpr char client_signature[] = "ZANTEQ Setup";

void put(std::string& s, unsigned char a, unsigned char b, unsigned char c) {
  s += static_cast<char>(a);
  s += static_cast<char>(b);
  s += static_cast<char>(c);
}

// IAC SB COM-PORT-OPTION code payload IAC SE, the payload's 0xFF doubled.
void put_com_port(std::string& s, unsigned char code, std::string_view payload) {
  put(s, iac, sb, option_com_port);
  s += static_cast<char>(code);
  s += telnet_escape(payload);
  s += static_cast<char>(iac);
  s += static_cast<char>(se);
}

std::string one_byte(std::uint32_t v) { return std::string(1, static_cast<char>(v & 0xFF)); }

std::string four_bytes(std::uint32_t v) {
  return {static_cast<char>(v >> 24 & 0xFF), static_cast<char>(v >> 16 & 0xFF), static_cast<char>(v >> 8 & 0xFF),
          static_cast<char>(v & 0xFF)};
}

// The value of a command's payload: four bytes (network order) for the
// baud rate, one for the rest. False when the length is wrong.
bool payload_value(unsigned char command, std::string_view payload, std::uint32_t& value) {
  const std::size_t size = command == com_port::set_baudrate ? 4 : 1;
  if (payload.size() != size) return false;
  value = 0;
  for (char c : payload) value = value << 8 | static_cast<unsigned char>(c);
  return true;
}

std::string option_name(unsigned char option) {
  switch (option) {
    case option_binary: return "BINARY";
    case option_echo: return "ECHO";
    case option_suppress_go_ahead: return "SUPPRESS-GO-AHEAD";
    case option_com_port: return "COM-PORT-OPTION";
    default: return "OPTION " + std::to_string(option);
  }
}

std::string verb_name(unsigned char verb) {
  switch (verb) {
    case will: return "WILL";
    case wont: return "WONT";
    case do_: return "DO";
    case dont: return "DONT";
    default: return "VERB " + std::to_string(verb);
  }
}

std::string hex_byte(std::uint32_t v) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(v & 0xFF));
  return text;
}

std::string value_text(unsigned char command, std::uint32_t v) {
  static const char* const parities[] = {"REQUEST", "NONE", "ODD", "EVEN", "MARK", "SPACE"};
  static const char* const stop_sizes[] = {"REQUEST", "1", "2", "1.5"};
  static const char* const controls[] = {
      "REQUEST", "NONE", "XON/XOFF", "HARDWARE", "REQUEST-BREAK", "BREAK-ON", "BREAK-OFF",
      "REQUEST-DTR", "DTR-ON", "DTR-OFF", "REQUEST-RTS", "RTS-ON", "RTS-OFF", "REQUEST-INBOUND",
      "INBOUND-NONE", "INBOUND-XON/XOFF", "INBOUND-HARDWARE", "DCD", "DSR-OUTBOUND", "DSR"};
  switch (command) {
    case com_port::set_baudrate:
    case com_port::set_datasize: return v == 0 ? "REQUEST" : std::to_string(v);
    case com_port::set_parity: return v < 6 ? parities[v] : std::to_string(v);
    case com_port::set_stopsize: return v < 4 ? stop_sizes[v] : std::to_string(v);
    case com_port::set_control: return v < 20 ? controls[v] : std::to_string(v);
    case com_port::notify_linestate:
    case com_port::notify_modemstate:
    case com_port::set_linestate_mask:
    case com_port::set_modemstate_mask: return hex_byte(v);
    default: return std::to_string(v);
  }
}

const char* command_name(unsigned char command) {
  static const char* const names[] = {"SIGNATURE", "SET-BAUDRATE", "SET-DATASIZE", "SET-PARITY", "SET-STOPSIZE",
                                      "SET-CONTROL", "NOTIFY-LINESTATE", "NOTIFY-MODEMSTATE",
                                      "FLOWCONTROL-SUSPEND", "FLOWCONTROL-RESUME", "SET-LINESTATE-MASK",
                                      "SET-MODEMSTATE-MASK", "PURGE-DATA"};
  return command <= com_port::purge_data ? names[command] : nullptr;
}

// SET-CONTROL values that answer the outbound flow control we set; the
// others are about BREAK, DTR, RTS and inbound flow.
bool is_outbound_flow(std::uint32_t v) { return v <= 3 || (v >= 17 && v <= 19); }

}  // namespace

std::string telnet_escape(std::string_view data) {
  std::string out;
  out.reserve(data.size() + 2);
  for (char c : data) {
    out += c;
    if (static_cast<unsigned char>(c) == iac) out += c;
  }
  return out;
}

std::string com_port_command_text(unsigned char command, std::uint32_t value) {
  const char* name = command_name(command);
  const std::string head = name ? name : "COMMAND " + std::to_string(command);
  if (command == com_port::flowcontrol_suspend || command == com_port::flowcontrol_resume) return head;
  return head + " " + value_text(command, value);
}

std::string com_port_value_text(unsigned char command, std::uint32_t value) { return value_text(command, value); }

std::string describe(const Rfc2217Event& e) {
  using Kind = Rfc2217Event::Kind;
  switch (e.kind) {
    case Kind::com_port_agreed:
      return "the server takes COM-PORT-OPTION: asked for 9600 baud, 8 data bits, even parity, 1 stop bit, "
             "no flow control";
    case Kind::com_port_refused:
      return "the server refuses COM-PORT-OPTION: the line keeps the server's own settings (9600 8E1 is not set "
             "by us); data still passes";
    case Kind::binary_refused:
      return "the server refuses binary transmission: bytes above 0x7F (titles) may be changed on the way";
    case Kind::confirmed:
      if (e.differs())
        return "server answers " + com_port_command_text(e.command, e.value) + " (asked " +
               value_text(e.command, e.asked) + ")";
      return "server confirms " + com_port_command_text(e.command, e.value);
    case Kind::line_state: return "server line state " + hex_byte(e.value);
    case Kind::modem_state: return "server modem state " + hex_byte(e.value);
    case Kind::signature: return "SIGNATURE " + e.text;
    case Kind::flow_suspend: return "FLOWCONTROL-SUSPEND: the other side asks to pause sending";
    case Kind::flow_resume: return "FLOWCONTROL-RESUME: the other side lets sending go on";
    case Kind::unanswered:
      return "the server answered none of the RFC 2217 negotiation: it may be a raw TCP port (tcp://), whose "
             "unit got the offer as bytes";
    case Kind::negotiation: return verb_name(e.verb) + " " + option_name(e.option);
    case Kind::request: return com_port_command_text(e.command, e.value);
  }
  return {};
}

namespace detail {

void TelnetEngine::feed_bytes(std::string_view bytes, Rfc2217Output& out) {
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    switch (parse_) {
      case Parse::data:
        if (c == iac) parse_ = Parse::iac;
        else data_byte(c, out);
        break;
      case Parse::iac: take_command(c, out); break;
      case Parse::verb:
        parse_ = Parse::data;
        command(verb_, c, out);
        break;
      case Parse::sb_option:
        sb_option_ = c;
        sb_body_.clear();
        parse_ = Parse::sb_body;
        break;
      case Parse::sb_body:
        if (c == iac) parse_ = Parse::sb_iac;
        else if (sb_body_.size() < max_subnegotiation) sb_body_ += ch;
        break;
      case Parse::sb_iac:
        if (c == iac) {
          if (sb_body_.size() < max_subnegotiation) sb_body_ += ch;
          parse_ = Parse::sb_body;
        } else if (c == se) {
          parse_ = Parse::data;
          subnegotiation(sb_option_, sb_body_, out);
        } else {
          // A command inside a sub-negotiation means its end was lost: the
          // sub-negotiation is dropped and the command taken as it is.
          take_command(c, out);
        }
        break;
    }
  }
}

void TelnetEngine::take_command(unsigned char c, Rfc2217Output& out) {
  parse_ = Parse::data;
  if (c == iac) {
    data_byte(c, out);
  } else if (c >= will) {
    verb_ = c;
    parse_ = Parse::verb;
  } else if (c == sb) {
    parse_ = Parse::sb_option;
  }
  // NOP, GA, DM, BRK, an SE out of place, ...: nothing for the line.
}

void TelnetEngine::data_byte(unsigned char c, Rfc2217Output& out) {
  // Without binary transmission a lone CR travels as CR NUL.
  if (c == 0 && after_cr_ && state(remote, option_binary) != OptionState::yes) {
    after_cr_ = false;
    return;
  }
  after_cr_ = c == '\r';
  out.data += static_cast<char>(c);
}

void TelnetEngine::ask(Side side, unsigned char option, std::string& send) {
  if (options_[side][option] != OptionState::no) return;
  put(send, iac, side == local ? will : do_, option);
  options_[side][option] = OptionState::asked;
}

void TelnetEngine::negotiation(unsigned char, unsigned char, Rfc2217Output&) {}

void TelnetEngine::command(unsigned char verb, unsigned char option, Rfc2217Output& out) {
  negotiation(verb, option, out);
  const Side side = verb == will || verb == wont ? remote : local;
  const unsigned char agree = side == local ? will : do_;
  const unsigned char refuse = side == local ? wont : dont;
  const OptionState now = options_[side][option];
  if (verb == will || verb == do_) {
    if (now == OptionState::yes) return;  // already on: no answer, or we would loop
    if (now == OptionState::asked) {      // the answer to our own request
      set(side, option, OptionState::yes, out);
    } else if (accepts(side, option)) {
      if (agreed_[side][option] == max_agreements) return;  // a peer that keeps turning it on and off
      ++agreed_[side][option];
      put(out.send, iac, agree, option);
      set(side, option, OptionState::yes, out);
    } else if (!refused_[side][option]) {
      refused_[side][option] = true;
      put(out.send, iac, refuse, option);
    }
  } else {
    if (now == OptionState::no) return;
    if (now == OptionState::yes) put(out.send, iac, refuse, option);  // acknowledged; a refusal of our request is not
    set(side, option, OptionState::no, out);
  }
}

void TelnetEngine::set(Side side, unsigned char option, OptionState to, Rfc2217Output& out) {
  const OptionState was = options_[side][option];
  options_[side][option] = to;
  changed(side, option, was, out);
}

}  // namespace detail

// The client.

std::string Rfc2217Client::start() {
  if (started_) return {};
  started_ = true;
  std::string send;
  ask(local, option_binary, send);
  ask(remote, option_binary, send);
  ask(local, option_suppress_go_ahead, send);
  ask(remote, option_suppress_go_ahead, send);
  ask(local, option_com_port, send);
  return send;
}

Rfc2217Output Rfc2217Client::feed(std::string_view bytes) {
  Rfc2217Output out;
  feed_bytes(bytes, out);
  return out;
}

bool Rfc2217Client::settled() const {
  constexpr unsigned char all_five = 0x3E;  // bits 1..5
  return com_port_ == ComPortState::refused ||
         (com_port_ == ComPortState::agreed && (settings_answered_ & all_five) == all_five);
}

Rfc2217Output Rfc2217Client::stop_waiting() {
  Rfc2217Output out;
  if (!heard_) {
    heard_ = true;  // said once
    out.events.emplace_back(Rfc2217Event::Kind::unanswered);
  }
  return out;
}

bool Rfc2217Client::accepts(Side, unsigned char option) const {
  return option == option_binary || option == option_suppress_go_ahead || option == option_com_port;
}

void Rfc2217Client::negotiation(unsigned char verb, unsigned char option, Rfc2217Output& out) {
  heard_ = true;
  // WONT is the wrong word for refusing our WILL, but its meaning is plain.
  if (verb == wont && option == option_com_port && state(local, option_com_port) == OptionState::asked) {
    give_up(local, option_com_port);
    refused(out);
  }
}

void Rfc2217Client::refused(Rfc2217Output& out) {
  if (com_port_ == ComPortState::refused) return;
  com_port_ = ComPortState::refused;
  out.events.emplace_back(Rfc2217Event::Kind::com_port_refused);
}

void Rfc2217Client::changed(Side side, unsigned char option, OptionState was, Rfc2217Output& out) {
  const bool on = state(side, option) == OptionState::yes;
  if (side == local && option == option_com_port) {
    if (!on) {
      refused(out);
      return;
    }
    com_port_ = ComPortState::agreed;
    put_com_port(out.send, com_port::set_baudrate, four_bytes(asked_.baud_rate));
    put_com_port(out.send, com_port::set_datasize, one_byte(asked_.data_size));
    put_com_port(out.send, com_port::set_parity, one_byte(asked_.parity));
    put_com_port(out.send, com_port::set_stopsize, one_byte(asked_.stop_size));
    put_com_port(out.send, com_port::set_control, one_byte(asked_.control));
    out.events.emplace_back(Rfc2217Event::Kind::com_port_agreed);
  } else if (option == option_binary && !on && was != OptionState::no && !binary_refusal_told_) {
    binary_refusal_told_ = true;
    out.events.emplace_back(Rfc2217Event::Kind::binary_refused);
  }
}

void Rfc2217Client::subnegotiation(unsigned char option, std::string_view body, Rfc2217Output& out) {
  using Kind = Rfc2217Event::Kind;
  heard_ = true;
  if (option != option_com_port || body.empty()) return;
  const auto code = static_cast<unsigned char>(body[0]);
  if (code < com_port::server_offset) return;  // a client's command: not ours to answer
  const auto command = static_cast<unsigned char>(code - com_port::server_offset);
  const std::string_view payload = body.substr(1);
  Rfc2217Event e{Kind::confirmed};
  e.command = command;
  switch (command) {
    case com_port::signature:
      if (payload.empty()) {
        put_com_port(out.send, com_port::signature, client_signature);
        return;
      }
      e.kind = Kind::signature;
      e.text = std::string(payload);
      break;
    case com_port::flowcontrol_suspend: e.kind = Kind::flow_suspend; break;
    case com_port::flowcontrol_resume: e.kind = Kind::flow_resume; break;
    case com_port::notify_linestate:
    case com_port::notify_modemstate:
      if (!payload_value(command, payload, e.value)) return;
      e.kind = command == com_port::notify_linestate ? Kind::line_state : Kind::modem_state;
      break;
    case com_port::set_baudrate:
    case com_port::set_datasize:
    case com_port::set_parity:
    case com_port::set_stopsize:
    case com_port::set_control:
    case com_port::set_linestate_mask:
    case com_port::set_modemstate_mask:
    case com_port::purge_data:
      if (!payload_value(command, payload, e.value)) return;
      e.asked_known = command <= com_port::set_stopsize || (command == com_port::set_control && is_outbound_flow(e.value));
      if (e.asked_known) settings_answered_ |= static_cast<unsigned char>(1u << command);
      e.asked = command == com_port::set_baudrate   ? asked_.baud_rate
                : command == com_port::set_datasize ? asked_.data_size
                : command == com_port::set_parity   ? asked_.parity
                : command == com_port::set_stopsize ? asked_.stop_size
                                                    : asked_.control;
      if (!e.asked_known) e.asked = 0;
      break;
    default: return;
  }
  out.events.push_back(std::move(e));
}

// The server.

Rfc2217Output Rfc2217Server::feed(std::string_view bytes) {
  Rfc2217Output out;
  feed_bytes(bytes, out);
  return out;
}

bool Rfc2217Server::accepts(Side, unsigned char option) const {
  return option == option_binary || option == option_suppress_go_ahead || option == option_com_port;
}

void Rfc2217Server::negotiation(unsigned char verb, unsigned char option, Rfc2217Output& out) {
  Rfc2217Event e{Rfc2217Event::Kind::negotiation};
  e.verb = verb;
  e.option = option;
  out.events.push_back(e);
}

std::uint32_t Rfc2217Server::control_answer(std::uint32_t asked) {
  switch (asked) {
    case 0: return settings_.control;
    case 4: return break_on_ ? 5 : 6;
    case 5:
    case 6: break_on_ = asked == 5; return asked;
    case 7: return dtr_on_ ? 8 : 9;
    case 8:
    case 9: dtr_on_ = asked == 8; return asked;
    case 10: return rts_on_ ? 11 : 12;
    case 11:
    case 12: rts_on_ = asked == 11; return asked;
    case 13: return inbound_flow_;
    case 14:
    case 15:
    case 16: inbound_flow_ = static_cast<unsigned char>(asked); return asked;
    default:
      if (is_outbound_flow(asked)) settings_.control = static_cast<unsigned char>(asked);
      return asked;
  }
}

void Rfc2217Server::subnegotiation(unsigned char option, std::string_view body, Rfc2217Output& out) {
  using Kind = Rfc2217Event::Kind;
  if (option != option_com_port || body.empty()) return;
  const auto command = static_cast<unsigned char>(body[0]);
  const std::string_view payload = body.substr(1);
  const auto answer_code = static_cast<unsigned char>(command + com_port::server_offset);
  Rfc2217Event e{Kind::request};
  e.command = command;
  if (command == com_port::signature) {
    if (payload.empty()) {
      put_com_port(out.send, answer_code, signature_);
    } else {
      e.kind = Kind::signature;
      e.text = std::string(payload);
      out.events.push_back(std::move(e));
    }
    return;
  }
  if (command == com_port::flowcontrol_suspend || command == com_port::flowcontrol_resume) {
    e.kind = command == com_port::flowcontrol_suspend ? Kind::flow_suspend : Kind::flow_resume;
    out.events.push_back(std::move(e));
    return;
  }
  if (command > com_port::purge_data || command == com_port::notify_linestate ||
      command == com_port::notify_modemstate || !payload_value(command, payload, e.value))
    return;
  out.events.push_back(e);
  // A value it cannot take, or 0 (a question), is answered with the one it holds.
  const std::uint32_t v = e.value;
  switch (command) {
    case com_port::set_baudrate:
      if (v != 0) settings_.baud_rate = v;
      put_com_port(out.send, answer_code, four_bytes(settings_.baud_rate));
      return;
    case com_port::set_datasize:
      if (v >= 5 && v <= 8) settings_.data_size = static_cast<unsigned char>(v);
      put_com_port(out.send, answer_code, one_byte(settings_.data_size));
      return;
    case com_port::set_parity:
      if (v >= 1 && v <= 5) settings_.parity = static_cast<unsigned char>(v);
      put_com_port(out.send, answer_code, one_byte(settings_.parity));
      return;
    case com_port::set_stopsize:
      if (v >= 1 && v <= 3) settings_.stop_size = static_cast<unsigned char>(v);
      put_com_port(out.send, answer_code, one_byte(settings_.stop_size));
      return;
    case com_port::set_control: put_com_port(out.send, answer_code, one_byte(control_answer(v))); return;
    default:
      // The state masks and PURGE-DATA: taken as asked; nothing here
      // notifies or buffers.
      put_com_port(out.send, answer_code, one_byte(v));
  }
}

}  // namespace zanteq
