// The values of "zanteq.ini": section "ZANTEQ_Section", keys "com_port",
// "rs_control", "select_number" and "transfer_pace", each missing key read
// as "0". The
// Windows program reads and writes the file through the platform; the rules
// for turning its text into values live here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zanteq {

extern const char* const ini_file_name;      // "zanteq.ini"
extern const char* const ini_section;        // "ZANTEQ_Section"
extern const char* const ini_key_com_port;   // "com_port"
extern const char* const ini_key_rs_control; // "rs_control"
extern const char* const ini_key_select_number; // "select_number"
extern const char* const ini_key_transfer_pace; // "transfer_pace"
extern const char* const ini_default_text;   // "0"

// The platform read hands over at most this many characters of a value.
constexpr std::size_t ini_value_chars = 9;

// The standard text-to-int conversion (atoi) on the first ini_value_chars
// characters: leading white space and one sign allowed, stops at the first
// non-digit, no digits gives 0. Nine characters cannot overflow an int.
int ini_to_int(std::string_view text);

// Hand-edited values index fixed tables (the port names, the unit names).
// A value outside its table is taken as the default 0 (COM1, unit name
// entry 0), the same as a missing key: the program starts on a known port
// and an empty caption suffix rather than on a guessed one, and the dialog
// then shows a valid selection the user can change.
int checked_com_port(int value);       // 0..255 (COM1..COM256), anything else 0
int checked_select_number(int value);  // -1 (template captions)..96, anything else 0

// The pace of the bulk runs: at the pace of the replies (0, also what a
// file of an older version without the key reads as), or one command per
// period as the program always sent them (1). Any other hand-edited value
// is taken as 0, as a value outside its table is for the other keys.
constexpr int transfer_pace_replies = 0;
constexpr int transfer_pace_timer = 1;
int checked_transfer_pace(int value);

// Decimal text of the value, as the interface dialog writes it.
std::string int_to_ini(int value);

// Where the "zanteq.ini" of an older program may lie, in the order to look:
// first the copy that file virtualisation keeps for a standard user (an
// older program's write to the Windows folder was redirected to
// <local application data>\VirtualStore\<Windows folder without its
// drive>), then the Windows folder itself. Windows paths, UTF-8.
std::vector<std::string> older_ini_places(const std::string& local_app_data, const std::string& windows_folder);

// The box shown once when the interface settings cannot be written; it
// names the file. UTF-8.
std::string ini_write_failed_text(const std::string& path);

}  // namespace zanteq
