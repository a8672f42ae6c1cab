// How a user's edit in a settings dialog reaches the record.
//
// The record is what the settings file saves, so a user's change of one of
// its fields must make the exit, New and Open prompts ask before the change
// is lost. Filling a dialog at opening writes nothing and must not count;
// neither do values that are not saved (slave address, button lock, the
// video format's all-channel choice, the display channel's screen), nor
// replies from the unit and sending, which never come through here.
#pragma once

#include <string_view>

#include "core/settings/record.h"

namespace zanteq {

// A combo's new selection for a record field. A negative index (the combo
// has no selection) leaves the field alone. Marks data_modified when the
// stored value changes; the result tells whether it did.
bool apply_user_choice(AppState& app, Value& field, int index);

// The alarm hold-time edit's text (code page 932 bytes) as the user left
// it. Stores at most three bytes without cutting a double-byte character in
// half, and marks data_modified when the stored text changes. The dialog's
// own setting of the edit at opening gives back the stored text, so it
// changes nothing.
bool apply_user_hold_time(AppState& app, std::string_view text);

// 同設定 of the video format dialog: the format becomes the all-channel
// choice kept for the next opening (video_format_all, not saved) and the
// format of every channel; only a channel whose format changes marks the
// settings. No selection (negative) changes nothing; the result tells
// whether the choice was taken.
bool apply_video_format_all(AppState& app, int format);

// The auto-switch entry the dialog's time combo edits, 0..4. A value
// outside the five (a hand-edited or stale one) counts as the first and is
// put right, so the combos never index past the dwell times.
int auto_switch_entry(UiState& ui);

// The auto-switch dialog's all-entries time: every one of the five dwell
// times takes it, each marking the settings where it changes. The combo's
// own value is not kept (it opens at auto_switch_all_dwell every time). No
// selection changes nothing; the result tells whether any dwell changed.
bool apply_all_dwell(AppState& app, int seconds);

}  // namespace zanteq
