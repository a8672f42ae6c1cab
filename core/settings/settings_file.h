// The settings file: 72 text lines, one value each, in the record's field
// order; titles as code page 932 text, "s" for an empty title.
#pragma once

#include <string>
#include <string_view>

#include "settings/record.h"

namespace zanteq {

constexpr int settings_file_lines = 72;

// The whole file, each line ending in "\r\n". The caller writes it in binary.
std::string format_settings_file(const DeviceSettings& record);

// Reads values in file order straight into the record, skipping white space
// (line ends included) before each value. The record is not reset first: at
// the end of the input the remaining numeric fields and the hold time keep
// their values and the remaining titles become empty. A value that does not
// parse leaves its field unchanged. Returns the number of values read.
int parse_settings_file(DeviceSettings& record, std::string_view content);

// Save As: a path without ".dat" anywhere in it (exact case) gets ".dat" appended.
std::string with_dat_extension(const std::string& path);

}  // namespace zanteq
