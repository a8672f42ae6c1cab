// Keeping the title edit within what a title can hold.
//
// The edit works in UTF-16, but a title is at most 20 bytes of code page
// 932. A character limit on the edit would let twenty kanji in (forty
// bytes), so every change of the edit is measured in cp932 bytes: of the
// text just typed or pasted only the characters that cp932 can hold are
// kept, and only as many as fit; the rest of the text stays as it was.
// The text the user leaves in the edit then becomes the channel's title.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "core/settings/record.h"

namespace zanteq {

// Bytes of one character (one UTF-16 unit, or a surrogate pair) in code
// page 932; 0 when cp932 has no code for it.
using Cp932CharBytes = std::function<std::size_t(std::u16string_view character)>;

struct FittedTitleEdit {
  std::u16string text;
  std::size_t caret = 0;  // just after the kept part of the inserted text
  bool changed = false;   // `text` differs from the edit's text: set it back
};

// The text to keep after an edit turned `before` into `after`, for a limit
// of `limit_bytes`. `before` is what was kept last time.
FittedTitleEdit fit_title_edit(std::u16string_view before, std::u16string_view after,
                               const Cp932CharBytes& bytes_of, std::size_t limit_bytes);

// The user's edit of the title (code page 932 bytes): stored into the title
// of the dialog's channel like store_title does, and data_modified is set
// when the stored title changes, so typing a character and deleting it
// again leaves the mark set, while a text that pads to the stored title does
// not set it. The dialog's own filling of the edit does not come here.
bool apply_user_title(AppState& app, std::string_view edit_text);

}  // namespace zanteq
