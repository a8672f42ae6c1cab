// The settings dialogs' list entries.
#include "core/dialogs/combo_entries.h"

namespace zanteq {

namespace {

template <int N>
constexpr ComboEntries entries(const char* const (&texts)[N]) {
  return {texts, N};
}

const char* const alarm_mode[] = {"Internal", "External"};
const char* const alarm_polarity[] = {"Make ", "Break"};
const char* const off_on[] = {"OFF", " ON"};
const char* const video_loss_background[] = {" 黒", " 青"};
const char* const clock_display[] = {"OFF", "ON "};
const char* const clock_range[] = {
    "年月日時分秒", "年月日時分　", "年月日　　　", "　月日時分秒",
    "　月日時分　", "　月日　　　", "　　　時分秒", "　　　時分　",
};
const char* const screen[] = {"ch.01   ", "ch.02   ", "ch.03   ", "ch.04   ", "分割画面", "自動切換"};
const char* const split_mode[] = {" 2分割", " 4分割"};
const char* const split2_channel[] = {"ch.01   ", "ch.02   ", "ch.03   ", "ch.04   "};
const char* const connector[] = {"ALARM ", "REMOTE"};
const char* const osd_size[] = {"SMALL ", "LARGE "};
const char* const button_lock[] = {"OFF ", "ON  "};
const char* const ntsc_aspect[] = {"4:3 ", "FULL"};
const char* const border_line[] = {"黒色", "灰色", "白色", "無し"};
const char* const video_format[] = {"1080p AHD", " 720p AHD", "1080p TVI", " 720p TVI",
                                    "1080p CVI", " 720p CVI", "NTSC     "};

}  // namespace

const ComboEntries alarm_mode_entries = entries(alarm_mode);
const ComboEntries alarm_polarity_entries = entries(alarm_polarity);
const ComboEntries off_on_entries = entries(off_on);
const ComboEntries video_loss_background_entries = entries(video_loss_background);
const ComboEntries clock_display_entries = entries(clock_display);
const ComboEntries clock_range_entries = entries(clock_range);
const ComboEntries screen_entries = entries(screen);
const ComboEntries split_mode_entries = entries(split_mode);
const ComboEntries split2_channel_entries = entries(split2_channel);
const ComboEntries connector_entries = entries(connector);
const ComboEntries osd_size_entries = entries(osd_size);
const ComboEntries button_lock_entries = entries(button_lock);
const ComboEntries ntsc_aspect_entries = entries(ntsc_aspect);
const ComboEntries border_line_entries = entries(border_line);
const ComboEntries video_format_entries = entries(video_format);

}  // namespace zanteq
