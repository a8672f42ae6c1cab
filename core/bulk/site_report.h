// The site report of the unit list: every unit read or compared, one
// column each, beside the names of the fields a read fills, as a CSV file
// that Excel opens as it is (UTF-8 with a byte-order mark, CR LF). The
// caller writes it like a settings file (platform::replace_file).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/dialogs/field_texts.h"
#include "core/settings/record.h"

namespace zanteq {

struct SiteReportUnit {
  std::string address;             // "00".."31" or "RS-232C"
  const DeviceSettings* record;    // as read from the unit
};

// Row 1: "項目" and the addresses; then one row per settings-file line a
// read fills, in the file's order: its name and each unit's value as the
// dialogs show it.
std::string format_site_report(const std::vector<SiteReportUnit>& units, const Cp932ToUtf8& convert);

// One CSV field: in double quotes (a quote doubled) when it holds a comma,
// a quote or a line end, or begins or ends with a blank (ASCII or
// full-width), which a reader would otherwise trim; as it is otherwise.
std::string csv_field(std::string_view text);

}  // namespace zanteq
