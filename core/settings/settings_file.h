// The settings file: 72 text lines, one value each, in the record's field
// order; numbers in decimal, titles as code page 932 text, "s" for an empty
// title.
//
// Every value is one token between white space, so a file stays in step
// with the record only if no value is empty or contains a blank. Writing
// therefore keeps every line a single token:
//  - an empty hold time is written as "s", like an empty title, and "s"
//    reads back as the empty hold time (a blank line would be skipped and
//    shift every later value by one line);
//  - a white-space byte inside the hold time or a title (an ASCII blank typed
//    into an edit, or CR LF from a short ADT reply) is written as '_'. No
//    Shift_JIS trail byte is white space, so no double-byte character is cut.
//    A hand-edited file's blank inside a text is read as '_' too, so what
//    loads is what a save writes.
// Files written by earlier versions read as before.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/settings/record.h"

namespace zanteq {

constexpr int settings_file_lines = 72;

// The whole file, each line ending in "\r\n". The caller writes it in binary.
std::string format_settings_file(const DeviceSettings& record);

// Line 1..72 of that file without its line end; empty for any other number.
std::string settings_file_value(const DeviceSettings& record, int line);

// A text as the file writes it: "s" when empty, white space as '_'.
std::string text_as_written(std::string_view text);

// A line of a settings file that cannot be taken, for the user: its
// number (counted from 1) and what is wrong with it (UTF-8).
struct SettingsFileFault {
  int line = 0;
  std::string reason;
};

// Reads a whole settings file into the record, or nothing of it.
//
// Every value is checked before the record is touched, so a truncated copy,
// a garbled number or a value too long for its field can never leave the
// record half one file and half another (the next set-all would send the
// mix). The file is read line by line, one value per line:
//  - CR LF and LF line ends; white space around a value is ignored; blank
//    lines hold no value and are passed over;
//  - a number is an optional sign and decimal digits, nothing else, within
//    the range of an int;
//  - the hold time holds at most 3 bytes, a title at most 20; "s" stands
//    for an empty text. A blank third line in a file of 71 values is an
//    empty hold time: that is how the original format writes it;
//  - exactly 72 values. When some are missing and a blank line lies
//    between values, the blank line is where the value went missing.
// Returns the first fault (the record unchanged), or nothing when the
// whole file was taken.
std::optional<SettingsFileFault> read_settings_file(DeviceSettings& record, std::string_view content);

// The name of line 1..72 as a person reads it: the field's name, with
// "ch.01".."ch.04" for a channel ("auto_switch_dwell split", "split2_channels
// left"); empty for any other number.
std::string settings_file_line_name(int line);

// The name of line 1..72 as the Japanese interface names it: the field's
// japanese_name, with " ch.01".." ch.04" for a channel, " 分割" for the
// split screen's dwell time and " 左" / " 右" for the two-way arrangement
// ("ビデオ映像の調整 Brightness ch.02", "自動切換え 時間（秒） 分割");
// empty for any other number. No two lines share one.
std::string settings_file_line_label(int line);

// Where a field lies in the file, by the name settings_file_line_name
// gives its lines ("brightness", "alarm_hold_time", "title"): its first line
// 1..72 and how many lines it has (four for a per-channel field); {0, 0}
// for a name the file does not have.
struct SettingsFileLines {
  int first = 0;
  int count = 0;
};
SettingsFileLines settings_file_field_lines(std::string_view field);

// Whether a read-all fills line 1..72: the title positions have no read
// command, so a unit cannot be compared on them.
bool settings_file_line_is_read(int line);

// A record about to be sent to units, read from a file that passed
// read_settings_file: the first field whose value no dialog offers (a
// number out of its range, a hold time that is not digits, a title holding
// a control character), with its line 1..72 and a reason naming the field;
// nothing when every value is one a dialog could have set. The Windows program loads such files as they are;
// the console program refuses them before anything goes on the wire.
struct SettingsFileProblem {
  int line;          // 1..72
  std::string text;  // what is wrong, naming the field
};
std::optional<SettingsFileProblem> check_settings_ranges(const DeviceSettings& record);

// Save As: a path without ".dat" anywhere in it (exact case) gets ".dat" appended.
std::string with_dat_extension(const std::string& path);

}  // namespace zanteq
