// Commands of the alarm dialog and the check of the typed hold time.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/settings/record.h"

namespace zanteq {

// Shown (error box) for a hold time that is not a number of at least 3 s.
inline constexpr const char* hold_time_message = "3秒以上を設定してください。";

std::string build_alarm_mode(const DeviceSettings& r);      // AMI / AME
std::string build_alarm_polarity(const DeviceSettings& r);  // APM / APB
std::string build_alarm_display(const DeviceSettings& r);   // ADOF / ADON
std::string build_alarm_return(const DeviceSettings& r);    // AROF / ARON

// The seconds a hold-time text stands for: its leading digits (at most the
// first three count; "12a" is 12). Nothing when the text does not start with
// a digit or the value is below 3.
std::optional<int> hold_time_seconds(std::string_view text);

// hold_time_message when the text is refused, nullptr when it may be sent.
const char* hold_time_refusal(std::string_view text);

// ADT plus three digits.
std::string build_alarm_hold_time(int seconds);

}  // namespace zanteq
