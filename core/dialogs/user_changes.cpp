// Record writes from the settings dialogs, with the unsaved-changes mark.
#include "core/dialogs/user_changes.h"

#include <string>

namespace zanteq {

namespace {

// Lead bytes of a double-byte character in code page 932.
bool is_cp932_lead(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The longest prefix of `text` of at most `limit` bytes that ends on a
// character boundary and before any zero byte.
std::string_view whole_characters(std::string_view text, std::size_t limit) {
  std::size_t end = 0;
  while (end < text.size() && text[end] != '\0') {
    const std::size_t width = is_cp932_lead(static_cast<unsigned char>(text[end])) ? 2 : 1;
    if (end + width > limit || end + width > text.size()) break;
    end += width;
  }
  return text.substr(0, end);
}

}  // namespace

bool apply_user_choice(AppState& app, Value& field, int index) {
  if (index < 0) return false;
  if (field.exchange(index) == index) return false;
  app.data_modified = 1;
  return true;
}

bool apply_user_hold_time(AppState& app, std::string_view text) {
  const std::string_view kept = whole_characters(text, HoldTimeText::capacity);
  if (app.record.alarm_hold_time.str() == kept) return false;
  app.record.alarm_hold_time.set(kept);
  app.data_modified = 1;
  return true;
}

bool apply_video_format_all(AppState& app, int format) {
  if (format < 0) return false;
  app.ui.video_format_all = format;
  for (Value& channel_format : app.record.video_format) apply_user_choice(app, channel_format, format);
  return true;
}

int auto_switch_entry(UiState& ui) {
  if (ui.auto_switch_channel < 0 || ui.auto_switch_channel >= dwell_count) ui.auto_switch_channel = 0;
  return ui.auto_switch_channel;
}

bool apply_all_dwell(AppState& app, int seconds) {
  bool changed = false;
  for (Value& dwell : app.record.auto_switch_dwell) changed |= apply_user_choice(app, dwell, seconds);
  return changed;
}

}  // namespace zanteq
