// Commands of the video loss dialog.
#pragma once

#include <string>

#include "core/settings/record.h"

namespace zanteq {

// VL0c plus OF/ON for one channel 0..3 (the dialog's per-channel buttons).
std::string build_video_loss_channel(const DeviceSettings& r, int channel);
// VL plus 'F'/'N' for channels 1..4 in one line (set-all).
std::string build_video_loss_all(const DeviceSettings& r);
std::string build_video_loss_background(const DeviceSettings& r);     // VLBCN / VLBCB
std::string build_video_loss_signal_output(const DeviceSettings& r);  // VLSOOF / VLSOON
std::string build_video_loss_display(const DeviceSettings& r);        // VLDOF / VLDON

}  // namespace zanteq
