// Decoders of the unit's data replies, one per prefix, and their table.
//
// Three kinds of letter rule occur and each decoder keeps its own: one
// letter means 0 and anything else 1; one letter means 1 and anything else
// 0; or only the listed letters count and anything else leaves the field
// alone. They are not interchangeable: the unit's replies were matched to
// them one by one.
#include "core/settings/decoders.h"

#include <cstring>

#include "core/link/codec.h"

namespace zanteq {

namespace {

// One letter means 0, any other character 1.
void zero_if(Value& field, char c, char zero_letter) { field = c == zero_letter ? 0 : 1; }

// One letter means 1, any other character 0.
void one_if(Value& field, char c, char one_letter) { field = c == one_letter ? 1 : 0; }

// Only the listed letters count; anything else leaves the field alone.
void letter_index(Value& field, char c, const char* letters) {
  for (int i = 0; letters[i] != '\0'; ++i) {
    if (c == letters[i]) {
      field = i;
      return;
    }
  }
}

void on_off(Value& field, char c) { letter_index(field, c, "FN"); }

// Channel number 01..04 at `digits` to an index 0..3; false for anything else.
bool channel_at(const char* digits, int& index) {
  const int number = parse_dec2(digits);
  if (number < 1 || number > channel_count) return false;
  index = number - 1;
  return true;
}

int one_digit(char c) { return c - '1'; }

void decode_alarm_display(DeviceSettings& r, const char* t) { zero_if(r.alarm_display, t[3], 'F'); }

void decode_alarm_hold_time(DeviceSettings& r, const char* t) {
  r.alarm_hold_time.set(std::string_view(t + 3, 3));
}

void decode_agc(DeviceSettings& r, const char* t) {
  for (int ch = 0; ch < channel_count; ++ch) zero_if(r.agc[ch], t[3 + ch], 'F');
}

void decode_alarm_mode(DeviceSettings& r, const char* t) { zero_if(r.alarm_mode, t[2], 'I'); }
void decode_alarm_polarity(DeviceSettings& r, const char* t) { zero_if(r.alarm_polarity, t[2], 'M'); }
void decode_alarm_return(DeviceSettings& r, const char* t) { zero_if(r.alarm_return, t[3], 'F'); }
void decode_border_line(DeviceSettings& r, const char* t) { letter_index(r.border_line, t[2], "BGWO"); }

void decode_auto_switch_dwell(DeviceSettings& r, const char* t) {
  for (int k = 0; k < dwell_count; ++k) r.auto_switch_dwell[k] = parse_dec2(t + 5 + 2 * k);
}

void decode_connector_input(DeviceSettings& r, const char* t) { zero_if(r.connector_input, t[2], 'A'); }
void decode_title_display_split(DeviceSettings& r, const char* t) { on_off(r.title_display_split, t[5]); }
void decode_title_display_single(DeviceSettings& r, const char* t) { on_off(r.title_display_single, t[5]); }
void decode_osd_size_split(DeviceSettings& r, const char* t) { letter_index(r.osd_size_split, t[5], "SL"); }
void decode_osd_size_single(DeviceSettings& r, const char* t) { letter_index(r.osd_size_single, t[5], "SL"); }

// Ten JIS codes as forty hex digits. Trailing full-width spaces are dropped
// (the unit pads every title to ten characters), leading ones are kept, and
// a code outside the JIS rows converts to 0 and so ends the title.
void decode_title(DeviceSettings& r, const char* t) {
  int ch;
  if (!channel_at(t + 2, ch)) return;

  constexpr int codes = 10;
  constexpr uint16_t jis_space = 0x2121;
  uint16_t code[codes];
  for (int k = 0; k < codes; ++k) {
    const int high = parse_hex2(t + 4 + 4 * k);
    const int low = parse_hex2(t + 6 + 4 * k);
    code[k] = static_cast<uint16_t>(high << 8 | low);
  }
  int kept = codes;
  while (kept > 0 && code[kept - 1] == jis_space) --kept;

  char text[title_bytes] = {};
  for (int k = 0; k < kept; ++k) {
    const uint16_t sjis = jis_to_sjis(code[k]);
    text[2 * k] = static_cast<char>(sjis >> 8);
    text[2 * k + 1] = static_cast<char>(sjis & 0xFF);
  }
  r.title[ch].set(std::string_view(text, sizeof text));  // stops at the first zero byte
}

void decode_split_mode(DeviceSettings& r, const char* t) { letter_index(r.split_mode, t[3], "24"); }
void decode_ntsc_aspect(DeviceSettings& r, const char* t) { one_if(r.ntsc_aspect, t[3], 'F'); }
void decode_osd_offset_h(DeviceSettings& r, const char* t) { r.osd_offset_h = parse_dec2(t + 3); }
void decode_osd_offset_v(DeviceSettings& r, const char* t) { r.osd_offset_v = parse_dec2(t + 3); }

void decode_power_on_screen(DeviceSettings& r, const char* t) {
  if (std::strncmp(t, "POSCAS", 6) == 0)
    r.power_on_screen = 5;
  else if (std::strncmp(t, "POSD", 4) == 0)
    r.power_on_screen = 4;
  else
    r.power_on_screen = parse_dec2(t + 4) - 1;
}

void decode_split2_channels(DeviceSettings& r, const char* t) {
  r.split2_channels[0] = parse_dec2(t + 4) - 1;
  r.split2_channels[1] = parse_dec2(t + 6) - 1;
}

void decode_clock_display(DeviceSettings& r, const char* t) { on_off(r.clock_display, t[4]); }
void decode_clock_display_range(DeviceSettings& r, const char* t) { r.clock_display_range = one_digit(t[4]); }

// The unit counts brightness from the other end of the range: the shift by
// half the range is its own inverse.
void decode_brightness(DeviceSettings& r, const char* t) {
  int ch;
  if (!channel_at(t + 3, ch)) return;
  const int v = parse_dec3(t + 5);
  r.brightness[ch] = v < 64 ? v + 64 : v - 64;
}

void decode_contrast(DeviceSettings& r, const char* t) {
  int ch;
  if (channel_at(t + 3, ch)) r.contrast[ch] = parse_dec3(t + 5);
}

void decode_sharpness(DeviceSettings& r, const char* t) {
  int ch;
  if (channel_at(t + 4, ch)) r.sharpness[ch] = parse_dec2(t + 6);
}

void decode_hue(DeviceSettings& r, const char* t) {
  int ch;
  if (channel_at(t + 3, ch)) r.hue[ch] = parse_dec3(t + 5);
}

void decode_saturation(DeviceSettings& r, const char* t) {
  int ch;
  if (channel_at(t + 4, ch)) r.saturation[ch] = parse_dec3(t + 6);
}

void decode_video_loss_background(DeviceSettings& r, const char* t) { one_if(r.video_loss_background, t[4], 'B'); }
void decode_video_loss_display(DeviceSettings& r, const char* t) { on_off(r.video_loss_display, t[4]); }
void decode_video_loss_signal_output(DeviceSettings& r, const char* t) { on_off(r.video_loss_signal_output, t[5]); }

void decode_video_loss_detect(DeviceSettings& r, const char* t) {
  for (int ch = 0; ch < channel_count; ++ch) on_off(r.video_loss_detect[ch], t[2 + ch]);
}

void decode_video_format(DeviceSettings& r, const char* t) {
  for (int ch = 0; ch < channel_count; ++ch) r.video_format[ch] = one_digit(t[2 + ch]);
}

// Nothing shows the unit's version characters; the line only ends read-all.
void decode_version(DeviceSettings&, const char*) {}

}  // namespace

const ReplyPrefix reply_prefixes[] = {
    {"ADO", decode_alarm_display, false},
    {"ADT", decode_alarm_hold_time, false},
    {"AGC", decode_agc, false},
    {"AM", decode_alarm_mode, false},
    {"AP", decode_alarm_polarity, false},
    {"ARO", decode_alarm_return, false},
    {"BL", decode_border_line, false},
    {"CASTM", decode_auto_switch_dwell, false},
    {"CI", decode_connector_input, false},
    {"CTDD", decode_title_display_split, false},
    {"CTDS", decode_title_display_single, false},
    {"CTFSD", decode_osd_size_split, false},
    {"CTFSS", decode_osd_size_single, false},
    {"CJ", decode_title, false},
    {"DSS", decode_split_mode, false},
    {"NAR", decode_ntsc_aspect, false},
    {"OOH", decode_osd_offset_h, false},
    {"OOV", decode_osd_offset_v, false},
    {"POS", decode_power_on_screen, false},
    {"SPD2", decode_split2_channels, false},
    {"TSDO", decode_clock_display, false},
    {"TSDR", decode_clock_display_range, false},
    {"VAB", decode_brightness, false},
    {"VAC", decode_contrast, false},
    {"VASH", decode_sharpness, false},
    {"VAH", decode_hue, false},
    {"VASA", decode_saturation, false},
    {"VLBC", decode_video_loss_background, false},
    {"VLDO", decode_video_loss_display, false},
    {"VLSOO", decode_video_loss_signal_output, false},
    {"VL", decode_video_loss_detect, false},
    {"VF", decode_video_format, false},
    {"VN", decode_version, true},
};
const int reply_prefix_count = sizeof reply_prefixes / sizeof reply_prefixes[0];

const ReplyPrefix* find_reply_prefix(std::string_view text) {
  for (const ReplyPrefix& entry : reply_prefixes) {
    const std::string_view prefix(entry.prefix);
    if (text.substr(0, prefix.size()) == prefix) return &entry;
  }
  return nullptr;
}

}  // namespace zanteq
