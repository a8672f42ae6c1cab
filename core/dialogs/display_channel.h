// Commands of the display channel dialog and its same-channel check.
#pragma once

#include <string>

#include "core/settings/record.h"

namespace zanteq {

// Error-box text for a two-way split with the same channel on both halves.
// The comma is the half-width ideographic comma U+FF64.
inline constexpr const char* same_channel_message = "同じチャンネルは､設定できません！";

// CS01..CS04 for screens 0..3, CD for 4 (split), CCAS for 5 (automatic
// switching); any other value is taken as channel 1.
std::string build_screen(int current_channel);
std::string build_split_mode(const DeviceSettings& r);  // DSS2 / DSS4

// SPD2 (or SPD2N for the "don't memory" form) plus left and right channel,
// each sent as channel + 1 in two digits.
std::string build_split2_channels(const DeviceSettings& r, bool dont_memory);

// same_channel_message when both halves show the same channel, else nullptr.
const char* split2_refusal(const DeviceSettings& r);

}  // namespace zanteq
