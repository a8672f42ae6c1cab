// The reply prefixes in dispatch order, with the record field each may
// write and where its channel number stands (-1: not per channel): what the
// reply fuzz target and the dispatch's random-input test hold a decoded
// line to.
#pragma once

namespace zanteq::testing {

struct Named {
  const char* prefix;
  const char* field;
  int channel_at;
};
inline const Named named_reply_fields[] = {
    {"ADO", "alarm_display", -1},         {"ADT", "alarm_hold_time", -1},
    {"AGC", "agc", -1},                   {"AM", "alarm_mode", -1},
    {"AP", "alarm_polarity", -1},         {"ARO", "alarm_return", -1},
    {"BL", "border_line", -1},            {"CASTM", "auto_switch_dwell", -1},
    {"CI", "connector_input", -1},        {"CTDD", "title_display_split", -1},
    {"CTDS", "title_display_single", -1}, {"CTFSD", "osd_size_split", -1},
    {"CTFSS", "osd_size_single", -1},     {"CJ", "title", 2},
    {"DSS", "split_mode", -1},            {"NAR", "ntsc_aspect", -1},
    {"OOH", "osd_offset_h", -1},          {"OOV", "osd_offset_v", -1},
    {"POS", "power_on_screen", -1},       {"SPD2", "split2_channels", -1},
    {"TSDO", "clock_display", -1},        {"TSDR", "clock_display_range", -1},
    {"VAB", "brightness", 3},             {"VAC", "contrast", 3},
    {"VASH", "sharpness", 4},             {"VAH", "hue", 3},
    {"VASA", "saturation", 4},            {"VLBC", "video_loss_background", -1},
    {"VLDO", "video_loss_display", -1},   {"VLSOO", "video_loss_signal_output", -1},
    {"VL", "video_loss_detect", -1},      {"VF", "video_format", -1},
    {"VN", "", -1},
};

}  // namespace zanteq::testing
