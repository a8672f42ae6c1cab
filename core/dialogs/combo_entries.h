// The entry texts of the settings dialogs' drop-down lists, exactly as the
// combos list them (UTF-8, alignment blanks included): what a record index
// means to a user. The painted dialogs' entries (channels, dwell times,
// picture values, title rows) are in panel_texts.h.
#pragma once

namespace zanteq {

struct ComboEntries {
  const char* const* texts;
  int count;
  const char* operator[](int index) const { return texts[index]; }
};

// Alarm: モード, 入力極性; 表示 and リターン take off_on_entries.
extern const ComboEntries alarm_mode_entries;      // "Internal", "External"
extern const ComboEntries alarm_polarity_entries;  // "Make ", "Break"
// OFF / ON of the alarm, video loss, title display and AGC dialogs.
extern const ComboEntries off_on_entries;          // "OFF", " ON"
extern const ComboEntries video_loss_background_entries;  // " 黒", " 青"
// Date and time: 表示 and 表示範囲 (a part not shown is a full-width blank).
extern const ComboEntries clock_display_entries;   // "OFF", "ON "
extern const ComboEntries clock_range_entries;     // "年月日時分秒" .. "　　　時分　"
// Display channel: 画面 and その他's 電源投入時画面, 分割画面選択, the
// two-way arrangement's 左 and 右.
extern const ComboEntries screen_entries;          // "ch.01   " .. "分割画面", "自動切換"
extern const ComboEntries split_mode_entries;      // " 2分割", " 4分割"
extern const ComboEntries split2_channel_entries;  // "ch.01   " .. "ch.04   "
// Other settings.
extern const ComboEntries connector_entries;       // "ALARM ", "REMOTE"
extern const ComboEntries osd_size_entries;        // "SMALL ", "LARGE "
extern const ComboEntries button_lock_entries;     // "OFF ", "ON  "
extern const ComboEntries ntsc_aspect_entries;     // "4:3 ", "FULL"
extern const ComboEntries border_line_entries;     // "黒色", "灰色", "白色", "無し"
// Video format, one list per channel and the 同設定 list.
extern const ComboEntries video_format_entries;    // "1080p AHD" .. "NTSC     "

}  // namespace zanteq
