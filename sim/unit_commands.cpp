// Parsing, applying and answering the unit's commands.
//
// Every command has one exact shape: a name, fixed-width fields and "\r\n".
// A line is matched by its name and its exact length, then each field is
// checked (digits where digits belong, values within their range, letters
// from their set) before anything is stored, so a refused line leaves the
// state as it was.
#include "sim/unit_commands.h"

#include <optional>

#include "core/link/codec.h"

namespace zanteq::sim {

namespace {

using Body = std::string_view;  // the command without "\r\n"

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A decimal field of `width` (1..3) digits at `pos`, within low..high.
std::optional<int> number(Body b, std::size_t pos, std::size_t width, int low, int high) {
  if (pos + width > b.size()) return std::nullopt;
  for (std::size_t i = 0; i < width; ++i)
    if (!is_digit(b[pos + i])) return std::nullopt;
  const char* p = b.data() + pos;
  const int v = width == 3 ? parse_dec3(p) : width == 2 ? parse_dec2(p) : p[0] - '0';
  if (v < low || v > high) return std::nullopt;
  return v;
}

// A channel field "01".."04" at `pos`, as index 0..3.
std::optional<int> channel_at(Body b, std::size_t pos) {
  const auto n = number(b, pos, 2, 1, channels);
  if (!n) return std::nullopt;
  return *n - 1;
}

// "ON" or "OF" at `pos`.
std::optional<bool> on_off_at(Body b, std::size_t pos) {
  if (b.substr(pos, 2) == "ON") return true;
  if (b.substr(pos, 2) == "OF") return false;
  return std::nullopt;
}

// One letter at `pos` out of `allowed`.
std::optional<char> letter_at(Body b, std::size_t pos, std::string_view allowed) {
  if (pos >= b.size() || allowed.find(b[pos]) == std::string_view::npos) return std::nullopt;
  return b[pos];
}

// 'N' or 'F' at `pos` (per-channel switches).
std::optional<bool> n_f_at(Body b, std::size_t pos) {
  const auto c = letter_at(b, pos, "NF");
  if (!c) return std::nullopt;
  return *c == 'N';
}

int hex_value(char c) {
  if (is_digit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Ten JIS X 0208 codes as forty upper-case hex digits at `pos`; each byte of
// a code must lie in the code rows 0x21..0x7E.
std::optional<Title> title_at(Body b, std::size_t pos) {
  if (pos + 4 * title_codes != b.size()) return std::nullopt;
  Title t{};
  for (int k = 0; k < title_codes; ++k) {
    int bytes[2];
    for (int half = 0; half < 2; ++half) {
      const char* p = b.data() + pos + 4 * k + 2 * half;
      if (hex_value(p[0]) < 0 || hex_value(p[1]) < 0) return std::nullopt;
      bytes[half] = parse_hex2(p);
      if (bytes[half] < 0x21 || bytes[half] > 0x7E) return std::nullopt;
    }
    t[k] = static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
  }
  return t;
}

const char* on_off_text(bool on) { return on ? "ON" : "OF"; }
char n_f(bool on) { return on ? 'N' : 'F'; }

// ---- set commands ---------------------------------------------------------

using SetHandler = bool (*)(UnitState&, Body, std::int64_t now_ms);

struct SetCommand {
  std::string_view name;
  std::size_t length;  // of the whole command without "\r\n"
  SetHandler apply;
};

// Stores `value` into `field` when it is there; tells whether it was.
template <typename T, typename V>
bool store(T& field, const std::optional<V>& value) {
  if (!value) return false;
  field = *value;
  return true;
}

bool set_clock_field(UnitState& s, std::int64_t now, int ClockFields::*field,
                     std::optional<int> value) {
  if (!value) return false;
  ClockFields f = s.clock.read(now);
  f.*field = *value;
  s.clock.set(f, now);
  return true;
}

// Four per-channel values at `pos`, `width` wide each; all or nothing.
template <typename T, typename Parse>
bool store_four(std::array<T, channels>& field, Parse parse) {
  std::array<T, channels> fresh{};
  for (int ch = 0; ch < channels; ++ch) {
    const auto v = parse(ch);
    if (!v) return false;
    fresh[ch] = *v;
  }
  field = fresh;
  return true;
}

// One value of one channel: channel field at `ch_pos`, value from `parse`.
template <typename T, typename V>
bool store_channel(std::array<T, channels>& field, std::optional<int> ch, const std::optional<V>& v) {
  if (!ch || !v) return false;
  field[*ch] = *v;
  return true;
}

bool apply_title(UnitState& s, Body b, std::size_t pos, bool memory) {
  const auto ch = channel_at(b, pos);
  const auto t = title_at(b, pos + 2);
  if (!ch || !t) return false;
  s.title[*ch] = *t;
  if (memory) s.title_memory[*ch] = *t;
  return true;
}

bool apply_split2(UnitState& s, Body b, std::size_t pos, bool memory) {
  const auto left = number(b, pos, 2, 1, channels);
  const auto right = number(b, pos + 2, 2, 1, channels);
  if (!left || !right) return false;
  s.split2 = {*left, *right};
  if (memory) s.split2_memory = s.split2;
  return true;
}

const SetCommand set_commands[] = {
    // alarm
    {"AM", 3, [](UnitState& s, Body b, std::int64_t) { return store(s.alarm_mode, letter_at(b, 2, "IE")); }},
    {"ADT", 6, [](UnitState& s, Body b, std::int64_t) { return store(s.alarm_hold_time, number(b, 3, 3, 3, 999)); }},
    {"AP", 3, [](UnitState& s, Body b, std::int64_t) { return store(s.alarm_polarity, letter_at(b, 2, "MB")); }},
    {"AD", 4, [](UnitState& s, Body b, std::int64_t) { return store(s.alarm_display, on_off_at(b, 2)); }},
    {"AR", 4, [](UnitState& s, Body b, std::int64_t) { return store(s.alarm_return, on_off_at(b, 2)); }},
    // video loss (longer names before "VL")
    {"VLBC", 5, [](UnitState& s, Body b, std::int64_t) { return store(s.video_loss_background, letter_at(b, 4, "NB")); }},
    {"VLSO", 6, [](UnitState& s, Body b, std::int64_t) { return store(s.video_loss_signal_output, on_off_at(b, 4)); }},
    {"VLD", 5, [](UnitState& s, Body b, std::int64_t) { return store(s.video_loss_display, on_off_at(b, 3)); }},
    {"VL", 6, [](UnitState& s, Body b, std::int64_t) {
       if (b[2] == '0') return store_channel(s.video_loss_detect, channel_at(b, 2), on_off_at(b, 4));
       return store_four(s.video_loss_detect, [&](int ch) { return n_f_at(b, 2 + ch); });
     }},
    // date and time
    {"DSY", 5, [](UnitState& s, Body b, std::int64_t now) { return set_clock_field(s, now, &ClockFields::year, number(b, 3, 2, 0, 99)); }},
    {"DSM", 5, [](UnitState& s, Body b, std::int64_t now) { return set_clock_field(s, now, &ClockFields::month, number(b, 3, 2, 1, 12)); }},
    {"DSD", 5, [](UnitState& s, Body b, std::int64_t now) { return set_clock_field(s, now, &ClockFields::day, number(b, 3, 2, 1, 31)); }},
    {"TSH", 5, [](UnitState& s, Body b, std::int64_t now) { return set_clock_field(s, now, &ClockFields::hour, number(b, 3, 2, 0, 23)); }},
    {"TSM", 5, [](UnitState& s, Body b, std::int64_t now) { return set_clock_field(s, now, &ClockFields::minute, number(b, 3, 2, 0, 59)); }},
    {"TSS", 5, [](UnitState& s, Body b, std::int64_t now) { return set_clock_field(s, now, &ClockFields::second, number(b, 3, 2, 0, 59)); }},
    {"TDS", 15, [](UnitState& s, Body b, std::int64_t now) {
       const auto y = number(b, 3, 2, 0, 99), mo = number(b, 5, 2, 1, 12), d = number(b, 7, 2, 1, 31);
       const auto h = number(b, 9, 2, 0, 23), mi = number(b, 11, 2, 0, 59), se = number(b, 13, 2, 0, 59);
       if (!y || !mo || !d || !h || !mi || !se) return false;
       s.clock.set(ClockFields{*y, *mo, *d, *h, *mi, *se}, now);
       return true;
     }},
    {"TSA", 3, [](UnitState& s, Body, std::int64_t now) { s.clock.adjust_30s(now); return true; }},
    {"TSDR", 5, [](UnitState& s, Body b, std::int64_t) { return store(s.clock_display_range, number(b, 4, 1, 1, 8)); }},
    {"TSD", 5, [](UnitState& s, Body b, std::int64_t) { return store(s.clock_display, on_off_at(b, 3)); }},
    // auto-switch
    {"CASTM", 15, [](UnitState& s, Body b, std::int64_t) {
       std::array<int, dwell_entries> fresh{};
       for (int k = 0; k < dwell_entries; ++k) {
         const auto v = number(b, 5 + 2 * k, 2, 0, 99);
         if (!v) return false;
         fresh[k] = *v;
       }
       s.auto_switch_dwell = fresh;
       return true;
     }},
    // auto gain control: "AGC0c" + ON/OF, or four N/F letters
    {"AGC", 7, [](UnitState& s, Body b, std::int64_t) {
       if (b[3] == '0') return store_channel(s.agc, channel_at(b, 3), on_off_at(b, 5));
       return store_four(s.agc, [&](int ch) { return n_f_at(b, 3 + ch); });
     }},
    // other settings
    {"CI", 3, [](UnitState& s, Body b, std::int64_t) { return store(s.connector_input, letter_at(b, 2, "AR")); }},
    {"POSCAS", 6, [](UnitState& s, Body, std::int64_t) { s.power_on_screen = screen_auto_switch; return true; }},
    {"POSD", 4, [](UnitState& s, Body, std::int64_t) { s.power_on_screen = screen_split; return true; }},
    {"POSS0", 6, [](UnitState& s, Body b, std::int64_t) {
       const auto ch = number(b, 5, 1, 1, channels);
       if (!ch) return false;
       s.power_on_screen = *ch - 1;
       return true;
     }},
    {"BL", 3, [](UnitState& s, Body b, std::int64_t) { return store(s.border_line, letter_at(b, 2, "BGWO")); }},
    {"OOH", 5, [](UnitState& s, Body b, std::int64_t) { return store(s.osd_offset_h, number(b, 3, 2, 0, 15)); }},
    {"OOV", 5, [](UnitState& s, Body b, std::int64_t) { return store(s.osd_offset_v, number(b, 3, 2, 0, 15)); }},
    {"CTFSS", 6, [](UnitState& s, Body b, std::int64_t) { return store(s.osd_size_single, letter_at(b, 5, "SL")); }},
    {"CTFSD", 6, [](UnitState& s, Body b, std::int64_t) { return store(s.osd_size_split, letter_at(b, 5, "SL")); }},
    {"L", 3, [](UnitState& s, Body b, std::int64_t) { return store(s.button_lock, on_off_at(b, 1)); }},
    {"NAR", 4, [](UnitState& s, Body b, std::int64_t) { return store(s.ntsc_aspect, letter_at(b, 3, "4F")); }},
    // titles: "CJN" is the form the unit shows but does not keep over a restart
    {"CJN", 45, [](UnitState& s, Body b, std::int64_t) { return apply_title(s, b, 3, false); }},
    {"CJ", 44, [](UnitState& s, Body b, std::int64_t) { return apply_title(s, b, 2, true); }},
    {"CTDS", 6, [](UnitState& s, Body b, std::int64_t) { return store(s.title_display_single, on_off_at(b, 4)); }},
    {"CTDD", 6, [](UnitState& s, Body b, std::int64_t) { return store(s.title_display_split, on_off_at(b, 4)); }},
    // title positions: one channel, or all four without a channel field
    {"CTPX", 8, [](UnitState& s, Body b, std::int64_t) { return store_channel(s.title_pos_x, channel_at(b, 4), number(b, 6, 2, 0, 22)); }},
    {"CTPY", 8, [](UnitState& s, Body b, std::int64_t) { return store_channel(s.title_pos_y, channel_at(b, 4), number(b, 6, 2, 0, 13)); }},
    {"CTPX", 12, [](UnitState& s, Body b, std::int64_t) { return store_four(s.title_pos_x, [&](int ch) { return number(b, 4 + 2 * ch, 2, 0, 22); }); }},
    {"CTPY", 12, [](UnitState& s, Body b, std::int64_t) { return store_four(s.title_pos_y, [&](int ch) { return number(b, 4 + 2 * ch, 2, 0, 13); }); }},
    // picture (longer names first)
    {"VASH", 8, [](UnitState& s, Body b, std::int64_t) { return store_channel(s.sharpness, channel_at(b, 4), number(b, 6, 2, 0, 31)); }},
    {"VASA", 9, [](UnitState& s, Body b, std::int64_t) { return store_channel(s.saturation, channel_at(b, 4), number(b, 6, 3, 0, 127)); }},
    {"VAB", 8, [](UnitState& s, Body b, std::int64_t) { return store_channel(s.brightness, channel_at(b, 3), number(b, 5, 3, 0, 127)); }},
    {"VAC", 8, [](UnitState& s, Body b, std::int64_t) { return store_channel(s.contrast, channel_at(b, 3), number(b, 5, 3, 0, 127)); }},
    {"VAH", 8, [](UnitState& s, Body b, std::int64_t) { return store_channel(s.hue, channel_at(b, 3), number(b, 5, 3, 0, 255)); }},
    // display channel
    {"CS0", 4, [](UnitState& s, Body b, std::int64_t) {
       const auto ch = number(b, 3, 1, 1, channels);
       if (!ch) return false;
       s.screen = *ch - 1;
       return true;
     }},
    {"CD", 2, [](UnitState& s, Body, std::int64_t) { s.screen = screen_split; return true; }},
    {"CCAS", 4, [](UnitState& s, Body, std::int64_t) { s.screen = screen_auto_switch; return true; }},
    {"DSS", 4, [](UnitState& s, Body b, std::int64_t) { return store(s.split_mode, letter_at(b, 3, "24")); }},
    {"SPD2N", 9, [](UnitState& s, Body b, std::int64_t) { return apply_split2(s, b, 5, false); }},
    {"SPD2", 8, [](UnitState& s, Body b, std::int64_t) { return apply_split2(s, b, 4, true); }},
    // video format: "VF0" channel digit format digit, or four format digits
    {"VF0", 5, [](UnitState& s, Body b, std::int64_t) { return store_channel(s.video_format, channel_at(b, 2), number(b, 4, 1, 1, 7)); }},
    {"VF", 6, [](UnitState& s, Body b, std::int64_t) { return store_four(s.video_format, [&](int ch) { return number(b, 2 + ch, 1, 1, 7); }); }},
};

// ---- the unit's state in the form of its set commands ----------------------

std::string screen_command(int screen) {
  if (screen == screen_split) return "CD";
  if (screen == screen_auto_switch) return "CCAS";
  return std::string("CS0") + static_cast<char>('1' + screen);
}

std::string power_on_command(int screen) {
  if (screen == screen_split) return "POSD";
  if (screen == screen_auto_switch) return "POSCAS";
  return std::string("POSS0") + static_cast<char>('1' + screen);
}

std::string four_letters(const std::array<bool, channels>& on) {
  std::string t;
  for (bool v : on) t += n_f(v);
  return t;
}

std::string title_line(const char* name, int ch, const Title& t) {
  return name + dec2_text(ch + 1) + title_hex(t);
}

std::string split2_line(const char* name, const std::array<int, 2>& lr) {
  return name + dec2_text(lr[0]) + dec2_text(lr[1]);
}

std::string alarm_display(const UnitState& s) { return std::string("AD") + on_off_text(s.alarm_display); }
std::string alarm_hold_time(const UnitState& s) { return "ADT" + dec3_text(s.alarm_hold_time); }
std::string alarm_mode(const UnitState& s) { return std::string("AM") + s.alarm_mode; }
std::string alarm_polarity(const UnitState& s) { return std::string("AP") + s.alarm_polarity; }
std::string alarm_return(const UnitState& s) { return std::string("AR") + on_off_text(s.alarm_return); }
std::string video_loss(const UnitState& s) { return "VL" + four_letters(s.video_loss_detect); }
std::string video_loss_background(const UnitState& s) { return std::string("VLBC") + s.video_loss_background; }
std::string video_loss_signal_output(const UnitState& s) { return std::string("VLSO") + on_off_text(s.video_loss_signal_output); }
std::string video_loss_display(const UnitState& s) { return std::string("VLD") + on_off_text(s.video_loss_display); }
std::string clock_display(const UnitState& s) { return std::string("TSD") + on_off_text(s.clock_display); }
std::string clock_display_range(const UnitState& s) { return "TSDR" + std::to_string(s.clock_display_range); }
std::string title_display_single(const UnitState& s) { return std::string("CTDS") + on_off_text(s.title_display_single); }
std::string title_display_split(const UnitState& s) { return std::string("CTDD") + on_off_text(s.title_display_split); }
std::string auto_switch(const UnitState& s) {
  std::string t = "CASTM";
  for (int v : s.auto_switch_dwell) t += dec2_text(v);
  return t;
}
std::string split_mode(const UnitState& s) { return std::string("DSS") + s.split_mode; }
std::string border_line(const UnitState& s) { return std::string("BL") + s.border_line; }
std::string connector_input(const UnitState& s) { return std::string("CI") + s.connector_input; }
std::string power_on_screen(const UnitState& s) { return power_on_command(s.power_on_screen); }
std::string osd_size_split(const UnitState& s) { return std::string("CTFSD") + s.osd_size_split; }
std::string osd_size_single(const UnitState& s) { return std::string("CTFSS") + s.osd_size_single; }
std::string osd_offset_h(const UnitState& s) { return "OOH" + dec2_text(s.osd_offset_h); }
std::string osd_offset_v(const UnitState& s) { return "OOV" + dec2_text(s.osd_offset_v); }
std::string video_format(const UnitState& s) {
  std::string t = "VF";
  for (int v : s.video_format) t += static_cast<char>('0' + v);
  return t;
}
std::string split2(const UnitState& s) { return split2_line("SPD2", s.split2); }
std::string ntsc_aspect(const UnitState& s) { return std::string("NAR") + s.ntsc_aspect; }
std::string agc(const UnitState& s) { return "AGC" + four_letters(s.agc); }
std::string version(const UnitState& s) { return "VN" + std::string(s.version.data(), s.version.size()); }

// Reads of one whole setting: the read's name and the line that answers it.
struct Read {
  std::string_view name;
  std::string (*answer)(const UnitState&);
};

const Read reads[] = {
    {"RAD", alarm_display},          {"RADT", alarm_hold_time},
    {"RAM", alarm_mode},             {"RAP", alarm_polarity},
    {"RAR", alarm_return},           {"RVL", video_loss},
    {"RVLBC", video_loss_background}, {"RVLSO", video_loss_signal_output},
    {"RVLD", video_loss_display},    {"RTSD", clock_display},
    {"RTSDR", clock_display_range},  {"RCTDS", title_display_single},
    {"RCTDD", title_display_split},  {"RCASTM", auto_switch},
    {"RDSS", split_mode},            {"RBL", border_line},
    {"RCI", connector_input},        {"RPOS", power_on_screen},
    {"RCTFSD", osd_size_split},      {"RCTFSS", osd_size_single},
    {"ROOH", osd_offset_h},          {"ROOV", osd_offset_v},
    {"RVF", video_format},           {"RSPD2", split2},
    {"RNAR", ntsc_aspect},           {"RAGC", agc},
    {"RVN", version},
};

// Reads of one channel's value: the name is followed by the channel "01".."04".
std::optional<std::string> channel_read(const UnitState& s, Body b) {
  struct ChannelRead {
    std::string_view name;
    std::string (*answer)(const UnitState&, int ch);
  };
  static const ChannelRead channel_reads[] = {
      {"RCJ", [](const UnitState& u, int ch) { return title_line("CJ", ch, u.title[ch]); }},
      {"RVAB", [](const UnitState& u, int ch) { return "VAB" + dec2_text(ch + 1) + dec3_text(u.brightness[ch]); }},
      {"RVAC", [](const UnitState& u, int ch) { return "VAC" + dec2_text(ch + 1) + dec3_text(u.contrast[ch]); }},
      {"RVAH", [](const UnitState& u, int ch) { return "VAH" + dec2_text(ch + 1) + dec3_text(u.hue[ch]); }},
      {"RVASH", [](const UnitState& u, int ch) { return "VASH" + dec2_text(ch + 1) + dec2_text(u.sharpness[ch]); }},
      {"RVASA", [](const UnitState& u, int ch) { return "VASA" + dec2_text(ch + 1) + dec3_text(u.saturation[ch]); }},
  };
  for (const ChannelRead& r : channel_reads) {
    if (b.size() != r.name.size() + 2 || b.substr(0, r.name.size()) != r.name) continue;
    const auto ch = channel_at(b, r.name.size());
    if (!ch) return std::nullopt;
    return r.answer(s, *ch);
  }
  return std::nullopt;
}

}  // namespace

std::string title_hex(const Title& title) {
  static const char digits[] = "0123456789ABCDEF";
  std::string t;
  for (std::uint16_t code : title)
    for (int shift = 12; shift >= 0; shift -= 4) t += digits[(code >> shift) & 0xF];
  return t;
}

std::string handle_command(UnitState& state, std::string_view line, std::int64_t now_ms) {
  if (line.size() < 2 || line.substr(line.size() - 2) != "\r\n") return std::string(reply_command_error);
  const Body body = line.substr(0, line.size() - 2);
  if (body.find_first_of("\r\n") != Body::npos) return std::string(reply_command_error);

  if (!body.empty() && body[0] == 'R') {
    for (const Read& r : reads)
      if (body == r.name) return r.answer(state) + "\r\n";
    if (auto answer = channel_read(state, body)) return *answer + "\r\n";
    return std::string(reply_command_error);
  }

  for (const SetCommand& c : set_commands) {
    if (body.size() != c.length || body.substr(0, c.name.size()) != c.name) continue;
    return std::string(c.apply(state, body, now_ms) ? reply_go : reply_command_error);
  }
  return std::string(reply_command_error);
}

bool is_status_word(std::string_view word) {
  return word == "GO" || word == "GN" || word == "E0" || word == "E1" || word == "E2" || word == "E3" ||
         word == "MENU";
}

std::vector<std::string> state_commands(const UnitState& s, std::int64_t now_ms) {
  std::vector<std::string> out;
  out.push_back(alarm_mode(s));
  out.push_back(alarm_hold_time(s));
  out.push_back(alarm_polarity(s));
  out.push_back(alarm_display(s));
  out.push_back(alarm_return(s));
  out.push_back(video_loss(s));
  out.push_back(video_loss_background(s));
  out.push_back(video_loss_signal_output(s));
  out.push_back(video_loss_display(s));
  out.push_back(clock_display(s));
  out.push_back(clock_display_range(s));
  out.push_back(auto_switch(s));
  out.push_back(agc(s));
  out.push_back(connector_input(s));
  out.push_back(power_on_screen(s));
  out.push_back(border_line(s));
  out.push_back(osd_offset_h(s));
  out.push_back(osd_offset_v(s));
  out.push_back(osd_size_single(s));
  out.push_back(osd_size_split(s));
  out.push_back(std::string("L") + on_off_text(s.button_lock));
  out.push_back(ntsc_aspect(s));
  for (int ch = 0; ch < channels; ++ch) out.push_back(title_line("CJ", ch, s.title_memory[ch]));
  for (int ch = 0; ch < channels; ++ch)
    if (s.title[ch] != s.title_memory[ch]) out.push_back(title_line("CJN", ch, s.title[ch]));
  out.push_back(title_display_single(s));
  out.push_back(title_display_split(s));
  std::string x = "CTPX", y = "CTPY";
  for (int ch = 0; ch < channels; ++ch) {
    x += dec2_text(s.title_pos_x[ch]);
    y += dec2_text(s.title_pos_y[ch]);
  }
  out.push_back(x);
  out.push_back(y);
  for (int ch = 0; ch < channels; ++ch) {
    out.push_back("VAB" + dec2_text(ch + 1) + dec3_text(s.brightness[ch]));
    out.push_back("VAC" + dec2_text(ch + 1) + dec3_text(s.contrast[ch]));
    out.push_back("VAH" + dec2_text(ch + 1) + dec3_text(s.hue[ch]));
    out.push_back("VASH" + dec2_text(ch + 1) + dec2_text(s.sharpness[ch]));
    out.push_back("VASA" + dec2_text(ch + 1) + dec3_text(s.saturation[ch]));
  }
  out.push_back(screen_command(s.screen));
  out.push_back(split_mode(s));
  out.push_back(split2_line("SPD2", s.split2_memory));
  if (s.split2 != s.split2_memory) out.push_back(split2_line("SPD2N", s.split2));
  out.push_back(video_format(s));
  const ClockFields c = s.clock.read(now_ms);
  out.push_back("TDS" + dec2_text(c.year) + dec2_text(c.month) + dec2_text(c.day) + dec2_text(c.hour) + dec2_text(c.minute) +
                dec2_text(c.second));
  return out;
}

}  // namespace zanteq::sim
