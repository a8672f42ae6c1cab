// Commands of the video format dialog.
#pragma once

#include <string>

#include "core/settings/record.h"

namespace zanteq {

constexpr int video_format_count = 7;  // 1080p/720p AHD, TVI, CVI, then NTSC

// VF0c f for one channel 0..3; f is the format index + 1.
std::string build_video_format(const DeviceSettings& r, int channel);
// VF f1 f2 f3 f4 for channels 1..4.
std::string build_video_format_all(const DeviceSettings& r);

}  // namespace zanteq
