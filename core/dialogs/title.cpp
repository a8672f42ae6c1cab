// Title storage, preparation and conversion to the unit's JIS hex form.
#include "core/dialogs/title.h"

#include "core/dialogs/command_fields.h"

namespace zanteq {

namespace {

constexpr std::string_view full_width_space = "\x81\x40";
constexpr std::size_t edit_read_limit = 21;

void append_spaces(std::string& text, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) text += full_width_space;
}

}  // namespace

std::string pad_edited_title(std::string_view edit_text) {
  std::string text(edit_text.substr(0, edit_read_limit));
  const std::size_t n = text.size();
  if (n % 2 == 0 && n < title_bytes)
    append_spaces(text, (title_bytes - n) / 2);
  else if (n % 2 == 1 && n < title_bytes - 1)
    append_spaces(text, (title_bytes - 1 - n) / 2);
  return text;
}

void store_title(AppState& app, std::string_view edit_text) {
  const int channel = dialog_channel(app.ui.current_channel);
  app.record.title[channel].set(pad_edited_title(edit_text));
}

std::optional<std::string> prepare_title_text(std::string_view title) {
  const std::size_t n = title.size();
  if (n > title_bytes || n % 2 != 0) return std::nullopt;
  std::string text(title);
  append_spaces(text, (title_bytes - n) / 2);
  return text;
}

int ibm_to_nec_selected(int code) {
  if (code >= 0xFA40 && code <= 0xFA49) return code - 0x0B51;
  if (code >= 0xFA55 && code <= 0xFA57) return code - 0x0B5B;
  if ((code >= 0xFA5C && code <= 0xFA7E) || (code >= 0xFA9C && code <= 0xFAFC) ||
      (code >= 0xFB5C && code <= 0xFB7E) || (code >= 0xFB9C && code <= 0xFBFC))
    return code - 0x0D1C;
  if ((code >= 0xFA80 && code <= 0xFA9B) || (code >= 0xFB80 && code <= 0xFB9B))
    return code - 0x0D1D;
  if ((code >= 0xFB40 && code <= 0xFB5B) || (code >= 0xFC40 && code <= 0xFC4B))
    return code - 0x0D5F;
  return 0;
}

int sjis_to_jis(int code) {
  const int h = (code >> 8) & 0xFF;
  const int l = code & 0xFF;
  const bool lead_ok = (h >= 0x81 && h <= 0x9F) || (h >= 0xE0 && h <= 0xFC);
  const bool trail_ok = (l >= 0x40 && l <= 0x7E) || (l >= 0x80 && l <= 0xFC);
  if (code < 0 || code > 0xFFFF || !lead_ok || !trail_ok) return 0;
  const int row = h < 0xA0 ? h - 0x81 : h - 0xC1;
  int result;
  if (l >= 0x9F)
    result = (2 * row + 0x22) * 256 + (l - 0x7E);
  else
    result = (2 * row + 0x21) * 256 + (l <= 0x7E ? l - 0x1F : l - 0x20);
  const int low = result & 0xFF;
  if (result > 0x7E7E || result < 0x2121 || low < 0x21 || low > 0x7E) return 0;
  return result;
}

int title_wire_code(unsigned char first, unsigned char second) {
  int code = first * 256 + second;
  // Pairs led by a control byte are no Shift_JIS; they have always gone to
  // the unit moved up by 0x9345 without a check, and stay in that form.
  if (code <= 0x1339) return code + 0x9345;
  if (code >= 0xFA5C || (code >= 0xFA40 && code <= 0xFA49) || (code >= 0xFA55 && code <= 0xFA57))
    code = ibm_to_nec_selected(code);
  return sjis_to_jis(code);
}

std::optional<std::string> build_title(int channel, bool dont_memory, std::string_view prepared) {
  if (prepared.size() != title_bytes) return std::nullopt;
  channel = dialog_channel(channel);
  std::string line = std::string(dont_memory ? "CJN01" : "CJ01") + std::string(40, '0') + "\r\n";
  const std::size_t channel_pos = dont_memory ? 3 : 2;
  const std::size_t hex_pos = channel_pos + 2;
  put_dec2(line, channel_pos, channel + 1);
  static const char hex[] = "0123456789ABCDEF";
  for (std::size_t k = 0; k < title_bytes / 2; ++k) {
    const int v = title_wire_code(static_cast<unsigned char>(prepared[2 * k]),
                                  static_cast<unsigned char>(prepared[2 * k + 1]));
    if (v == 0) return std::nullopt;
    for (int d = 0; d < 4; ++d) line.at(hex_pos + 4 * k + d) = hex[(v >> (12 - 4 * d)) & 0xF];
  }
  return line;
}

std::string build_title_display_single(const DeviceSettings& r) {
  std::string line = "CTDSOF\r\n";
  put_on_off(line, 4, r.title_display_single);
  return line;
}

std::string build_title_display_split(const DeviceSettings& r) {
  std::string line = "CTDDOF\r\n";
  put_on_off(line, 4, r.title_display_split);
  return line;
}

}  // namespace zanteq
