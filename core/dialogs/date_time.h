// Commands of the date and time dialog.
//
// The six date and time combos have no record field: their commands are
// built from the selections the dialog passes in. A combo without a list
// selection (a PC year outside 2000..2099 at opening, or text typed into its
// edit field) has no value to send, so its command is refused rather than
// sending a made-up date; the operation tells the user which field to pick.
#pragma once

#include <optional>
#include <string>

#include "core/settings/record.h"

namespace zanteq {

// The six date and time combos as selection indexes (year index 0 = 2000,
// month and day index 0 = 1). -1 (CB_ERR) or any index outside the combo's
// list means the combo has no selection.
struct ClockSelection {
  int year_index = -1;
  int month_index = -1;
  int day_index = -1;
  int hour = -1;
  int minute = -1;
  int second = -1;
};

enum class ClockField { year, month, day, hour, minute, second };

// Whether the combo of `field` holds one of its list entries.
bool clock_field_selected(const ClockSelection& clock, ClockField field);

// The first field of the full date and time without a selection, if any.
std::optional<ClockField> first_unselected_clock_field(const ClockSelection& clock);

// Error-box text asking for a selection in the field's combo.
const char* clock_field_message(ClockField field);

// Each gives nothing when its combo (for TDS: any of the six) has no selection.
std::optional<std::string> build_date_year(const ClockSelection& clock);    // DSYyy
std::optional<std::string> build_date_month(const ClockSelection& clock);   // DSMmm
std::optional<std::string> build_date_day(const ClockSelection& clock);     // DSDdd
std::optional<std::string> build_time_hour(const ClockSelection& clock);    // TSHhh
std::optional<std::string> build_time_minute(const ClockSelection& clock);  // TSMmm
std::optional<std::string> build_time_second(const ClockSelection& clock);  // TSSss
std::optional<std::string> build_date_time(const ClockSelection& clock);    // TDSyymmddhhmmss

std::string build_time_adjust();  // TSA, the 30-second correction
std::string build_clock_display_range(const DeviceSettings& r);  // TSDR1..TSDR8
std::string build_clock_display(const DeviceSettings& r);        // TSDOF / TSDON

}  // namespace zanteq
