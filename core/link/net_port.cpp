// Network port URLs: parsing, checking and the texts that name them.
#include "core/link/net_port.h"

#include <cctype>

namespace zanteq {

namespace {

constexpr std::size_t max_host_length = 253;  // a DNS name, without a final dot
constexpr std::size_t max_label_length = 63;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_hex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

std::string lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lower(c);
  return out;
}

bool fail(NetPortError& error, NetPortError::Code code, std::string_view part) {
  error.code = code;
  error.part = std::string(part);
  return false;
}

// Four decimal numbers 0..255. Leading zeros are refused: some resolvers
// read "010" as octal, and the user would reach another address.
bool is_ipv4(std::string_view s) {
  int parts = 0;
  while (true) {
    std::size_t n = 0;
    int value = 0;
    while (n < s.size() && is_digit(s[n])) {
      value = value * 10 + (s[n] - '0');
      if (++n > 3) return false;
    }
    if (n == 0 || value > 255 || (n > 1 && s[0] == '0')) return false;
    ++parts;
    s.remove_prefix(n);
    if (s.empty()) return parts == 4;
    if (s[0] != '.' || parts == 4) return false;
    s.remove_prefix(1);
  }
}

// Colon-separated groups of 1..4 hex digits, the last of which may be a
// dotted IPv4 address (worth two groups). Adds the groups to `count`.
bool ipv6_groups(std::string_view s, int& count, bool ipv4_allowed_last) {
  while (true) {
    const std::size_t colon = s.find(':');
    const std::string_view group = s.substr(0, colon);
    if (colon == std::string_view::npos && ipv4_allowed_last && group.find('.') != std::string_view::npos) {
      if (!is_ipv4(group)) return false;
      count += 2;
      return true;
    }
    if (group.empty() || group.size() > 4) return false;
    for (char c : group)
      if (!is_hex(c)) return false;
    ++count;
    if (colon == std::string_view::npos) return true;
    s.remove_prefix(colon + 1);
  }
}

// An IPv6 address with an optional zone ("fe80::1%eth0", "fe80::1%12"): a
// link-local address, as a device server on the office network may have,
// needs the interface it is reached through.
bool is_ipv6(std::string_view s) {
  const std::size_t percent = s.find('%');
  if (percent != std::string_view::npos) {
    const std::string_view zone = s.substr(percent + 1);
    if (zone.empty()) return false;
    for (char c : zone)
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.' && c != '_' && c != '~') return false;
    s = s.substr(0, percent);
  }
  if (s.empty()) return false;
  const std::size_t gap = s.find("::");
  int count = 0;
  if (gap == std::string_view::npos) return ipv6_groups(s, count, true) && count == 8;
  if (s.find("::", gap + 1) != std::string_view::npos) return false;  // one "::" at most (":::" too)
  const std::string_view head = s.substr(0, gap), tail = s.substr(gap + 2);
  if (!head.empty() && !ipv6_groups(head, count, false)) return false;
  if (!tail.empty() && !ipv6_groups(tail, count, true)) return false;
  return count <= 7;  // "::" stands for at least one group
}

// Labels of letters, digits, '-' and '_' (Windows machine names have it),
// 1..63 long, not starting or ending with '-'. A name whose last label is a
// number would be taken for an address by some resolvers and not by others.
bool is_host_name(std::string_view s) {
  if (s.empty() || s.size() > max_host_length) return false;
  std::string_view last;
  while (true) {
    const std::size_t dot = s.find('.');
    const std::string_view label = s.substr(0, dot);
    if (label.empty() || label.size() > max_label_length || label.front() == '-' || label.back() == '-')
      return false;
    for (char c : label)
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') return false;
    last = label;
    if (dot == std::string_view::npos) break;
    s.remove_prefix(dot + 1);
  }
  for (char c : last)
    if (!is_digit(c)) return true;
  return false;
}

// The part after "scheme://": host, ':' and port, nothing after.
bool parse_authority(std::string_view text, NetAddress& out, NetPortError& error, bool zero_allowed) {
  std::string_view host, rest;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) return fail(error, NetPortError::bad_ipv6, text);
    host = text.substr(0, close + 1);
    rest = text.substr(close + 1);
  } else {
    // Two colons after something that could start an IPv6 address: the
    // port cannot be told from the address's last group.
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos && text.find(':', colon + 1) != std::string_view::npos) {
      bool hex_start = true;
      for (char c : text.substr(0, colon)) hex_start = hex_start && is_hex(c);
      if (hex_start) return fail(error, NetPortError::ipv6_needs_brackets, text);
    }
    host = text.substr(0, colon);
    rest = colon == std::string_view::npos ? std::string_view() : text.substr(colon);
  }
  NetAddress address;
  if (!parse_net_host(host, address, error)) return false;
  if (rest.empty() || rest.front() != ':') {
    if (rest.empty()) return fail(error, NetPortError::missing_port, "");
    return fail(error, NetPortError::trailing_junk, rest);
  }
  rest.remove_prefix(1);
  std::size_t end = 0;
  while (end < rest.size() && rest[end] != '/' && rest[end] != '?' && rest[end] != '#' && !is_blank(rest[end]))
    ++end;
  if (!parse_net_port_number(rest.substr(0, end), address.port, error, zero_allowed)) return false;
  if (end < rest.size()) return fail(error, NetPortError::trailing_junk, rest.substr(end));
  out = address;
  error = {};
  return true;
}

}  // namespace

bool is_net_port_url(std::string_view text) { return text.find("://") != std::string_view::npos; }

bool parse_net_host(std::string_view text, NetAddress& out, NetPortError& error) {
  text = trim(text);
  if (text.empty() || text == "[]") return fail(error, NetPortError::missing_host, text);
  const bool bracketed = text.front() == '[';
  if (bracketed || text.find(':') != std::string_view::npos) {
    if (bracketed && text.back() != ']') return fail(error, NetPortError::bad_ipv6, text);
    const std::string_view inside = bracketed ? text.substr(1, text.size() - 2) : text;
    if (!is_ipv6(inside)) return fail(error, NetPortError::bad_ipv6, inside);
    out.host = lowered(inside);
    out.ipv6 = true;
    return true;
  }
  if (text.find_first_not_of("0123456789.") == std::string_view::npos) {
    if (!is_ipv4(text)) return fail(error, NetPortError::bad_ipv4, text);
  } else if (!is_host_name(text)) {
    return fail(error, NetPortError::bad_host, text);
  }
  out.host = lowered(text);
  out.ipv6 = false;
  return true;
}

bool parse_net_port_number(std::string_view digits, std::uint16_t& port, NetPortError& error, bool zero_allowed) {
  digits = trim(digits);
  if (digits.empty()) return fail(error, NetPortError::missing_port, digits);
  for (char c : digits)
    if (!is_digit(c)) return fail(error, NetPortError::bad_port, digits);
  std::string_view significant = digits;
  while (significant.size() > 1 && significant.front() == '0') significant.remove_prefix(1);
  long value = 0;
  if (significant.size() > 5) return fail(error, NetPortError::port_out_of_range, digits);
  for (char c : significant) value = value * 10 + (c - '0');
  if (value > 65535 || (value == 0 && !zero_allowed)) return fail(error, NetPortError::port_out_of_range, digits);
  port = static_cast<std::uint16_t>(value);
  return true;
}

bool parse_net_address(std::string_view text, NetAddress& out, NetPortError& error, bool zero_allowed) {
  text = trim(text);
  if (text.empty()) return fail(error, NetPortError::empty, text);
  return parse_authority(text, out, error, zero_allowed);
}

bool parse_net_port(std::string_view url, NetPort& out, NetPortError& error) {
  url = trim(url);
  if (url.empty()) return fail(error, NetPortError::empty, url);
  const std::size_t sep = url.find("://");
  if (sep == std::string_view::npos) return fail(error, NetPortError::not_a_url, url);
  const std::string scheme = lowered(url.substr(0, sep));
  NetPort port;
  if (scheme == "tcp") port.scheme = NetScheme::tcp;
  else if (scheme == "rfc2217") port.scheme = NetScheme::rfc2217;
  else return fail(error, NetPortError::unknown_scheme, url.substr(0, sep));
  if (!parse_authority(url.substr(sep + 3), port.address, error, false)) return false;
  out = port;
  return true;
}

std::string net_address_text(const NetAddress& address) {
  const std::string port = std::to_string(address.port);
  return address.ipv6 ? "[" + address.host + "]:" + port : address.host + ":" + port;
}

std::string net_port_url(const NetPort& port) {
  return (port.scheme == NetScheme::tcp ? "tcp://" : "rfc2217://") + net_address_text(port.address);
}

std::string net_port_error_text(const NetPortError& e) {
  const std::string quoted = "'" + e.part + "'";
  switch (e.code) {
    case NetPortError::none: return {};
    case NetPortError::empty: return "no port given";
    case NetPortError::not_a_url:
      return quoted + " is not a network port: write tcp://HOST:PORT or rfc2217://HOST:PORT";
    case NetPortError::unknown_scheme:
      return "unknown kind of network port " + quoted + ": use tcp:// (raw TCP) or rfc2217:// (RFC 2217)";
    case NetPortError::missing_host: return "no host before the port number (HOST:PORT)";
    case NetPortError::bad_host:
      return quoted + " is not a host name (letters, digits, '-' and '.'; a name cannot end in a number)";
    case NetPortError::bad_ipv4:
      return quoted + " is not an IPv4 address (four numbers 0..255 separated by dots, without leading zeros)";
    case NetPortError::bad_ipv6: return quoted + " is not an IPv6 address";
    case NetPortError::ipv6_needs_brackets:
      return "an IPv6 address goes in brackets, as in [fe80::1]:4001: " + quoted + " cannot be read";
    case NetPortError::missing_port: return "no port number after the host (HOST:PORT)";
    case NetPortError::bad_port: return "port number " + quoted + " is not a decimal number";
    case NetPortError::port_out_of_range: return "port number " + e.part + " is not within 1..65535";
    case NetPortError::trailing_junk: return "unexpected " + quoted + " after the port number";
  }
  return {};
}

std::string net_port_error_text_ja(const NetPortError& e) {
  const std::string quoted = "「" + e.part + "」";
  switch (e.code) {
    case NetPortError::none: return {};
    case NetPortError::empty: return "ポートが指定されていません。";
    case NetPortError::not_a_url:
      return quoted + "はネットワーク ポートではありません。\n"
                      "tcp://ホスト:ポート番号 または rfc2217://ホスト:ポート番号 の形で指定してください。";
    case NetPortError::unknown_scheme:
      return quoted + "は使えない種類です。tcp または rfc2217 を指定してください。";
    case NetPortError::missing_host: return "ホストが指定されていません。";
    case NetPortError::bad_host:
      return "ホスト名" + quoted + "が正しくありません。\n英数字、ハイフン (-)、ピリオド (.) で指定してください。";
    case NetPortError::bad_ipv4:
      return "IPv4 アドレス" + quoted + "が正しくありません。\n0～255 の数 4 つをピリオドで区切って指定してください。";
    case NetPortError::bad_ipv6: return "IPv6 アドレス" + quoted + "が正しくありません。";
    case NetPortError::ipv6_needs_brackets:
      return "IPv6 アドレスは [ ] で囲んでください (例: [fe80::1]:4001)。";
    case NetPortError::missing_port: return "ポート番号が指定されていません。";
    case NetPortError::bad_port:
      return "ポート番号" + quoted + "が正しくありません。\n1～65535 の数字で指定してください。";
    case NetPortError::port_out_of_range: return "ポート番号 " + e.part + " は使えません。\n1～65535 で指定してください。";
    case NetPortError::trailing_junk: return "ポート番号の後ろの" + quoted + "は不要です。";
  }
  return {};
}

}  // namespace zanteq
