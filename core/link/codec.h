// Fixed-width number fields of the wire: two- and three-digit decimals and
// the hexadecimal pairs of title replies.
#pragma once

#include <string>

namespace zanteq {

// Write exactly two (three) ASCII digits at `out`, no terminator. Values
// outside 0..99 (0..999) are clamped to the field, so a formatter never
// writes anything but digits and never outside its field.
void format_dec2(int n, char* out);
void format_dec3(int n, char* out);

// The same fields as texts ("07", "064"), clamped alike.
std::string dec2_text(int n);
std::string dec3_text(int n);

// Plain arithmetic on the character codes; non-digits are not rejected.
int parse_dec2(const char* in);
int parse_dec3(const char* in);

// Two hex characters ('0'..'9', 'A'..'F') to one byte, low 8 bits kept.
int parse_hex2(const char* in);

}  // namespace zanteq
