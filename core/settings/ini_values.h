// The values of "zanteq.ini": section "ZANTEQ_Section", keys "com_port",
// "rs_control" and "select_number", each missing key read as "0". The
// Windows program reads and writes the file through the platform; the rules
// for turning its text into values live here.
#pragma once

#include <string>
#include <string_view>

namespace zanteq {

extern const char* const ini_file_name;      // "zanteq.ini"
extern const char* const ini_section;        // "ZANTEQ_Section"
extern const char* const ini_key_com_port;   // "com_port"
extern const char* const ini_key_rs_control; // "rs_control"
extern const char* const ini_key_select_number; // "select_number"
extern const char* const ini_default_text;   // "0"

// The standard text-to-int conversion: leading blanks and a sign allowed,
// stops at the first non-digit, no digits gives 0. At most the first 9
// characters are looked at, as the platform read hands over no more.
int ini_to_int(std::string_view text);

// Hand-edited values outside the tables must not index outside them.
int checked_com_port(int value);       // 0..8, anything else 0 (COM1)
int checked_select_number(int value);  // -1..96, anything else 0

std::string int_to_ini(int value);

}  // namespace zanteq
