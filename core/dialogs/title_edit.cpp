// Fitting an edit of the title into its cp932 byte limit.
#include "core/dialogs/title_edit.h"

#include <algorithm>

#include "core/dialogs/command_fields.h"
#include "core/dialogs/title.h"

namespace zanteq {

namespace {

bool is_high_surrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low_surrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::size_t char_units(std::u16string_view text, std::size_t at) {
  return at + 1 < text.size() && is_high_surrogate(text[at]) && is_low_surrogate(text[at + 1]) ? 2 : 1;
}

// What the text takes once converted; a character without a code becomes
// one '?' byte there.
std::size_t text_bytes(std::u16string_view text, const Cp932CharBytes& bytes_of) {
  std::size_t total = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = char_units(text, i);
    total += std::max<std::size_t>(bytes_of(text.substr(i, n)), 1);
    i += n;
  }
  return total;
}

}  // namespace

FittedTitleEdit fit_title_edit(std::u16string_view before, std::u16string_view after,
                               const Cp932CharBytes& bytes_of, std::size_t limit_bytes) {
  // The edited place: what `after` shares with `before` at its start and at
  // its end is kept as it is; what lies between was typed or pasted.
  const std::size_t shorter = std::min(before.size(), after.size());
  std::size_t prefix = 0;
  while (prefix < shorter && before[prefix] == after[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < shorter - prefix &&
         before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
    ++suffix;
  // Never split a surrogate pair between the kept and the inserted part.
  if (prefix > 0 && is_high_surrogate(after[prefix - 1])) --prefix;
  if (suffix > 0 && is_low_surrogate(after[after.size() - suffix])) --suffix;

  const std::u16string_view head = after.substr(0, prefix);
  const std::u16string_view tail = after.substr(after.size() - suffix);
  const std::u16string_view inserted = after.substr(prefix, after.size() - suffix - prefix);

  std::size_t used = text_bytes(head, bytes_of) + text_bytes(tail, bytes_of);
  std::u16string kept;
  for (std::size_t i = 0; i < inserted.size();) {
    const std::size_t n = char_units(inserted, i);
    const std::u16string_view character = inserted.substr(i, n);
    i += n;
    const std::size_t bytes = bytes_of(character);
    if (bytes == 0) continue;  // no cp932 code: it could never be sent
    if (used + bytes > limit_bytes) break;
    used += bytes;
    kept += character;
  }

  FittedTitleEdit fitted;
  fitted.text.reserve(head.size() + kept.size() + tail.size());
  fitted.text.append(head).append(kept).append(tail);
  fitted.caret = head.size() + kept.size();
  fitted.changed = fitted.text != after;
  return fitted;
}

bool apply_user_title(AppState& app, std::string_view edit_text) {
  TitleText& title = app.record.title[dialog_channel(app.ui.current_channel)];
  const std::string before = title.str();
  store_title(app, edit_text);
  if (title.str() == before) return false;
  app.data_modified = 1;
  return true;
}

}  // namespace zanteq
