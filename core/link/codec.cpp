// Fixed-width number fields of the wire.
#include "core/link/codec.h"

namespace zanteq {

namespace {
int clamp(int n, int high) { return n < 0 ? 0 : (n > high ? high : n); }
}  // namespace

void format_dec2(int n, char* out) {
  n = clamp(n, 99);
  out[0] = static_cast<char>('0' + n / 10);
  out[1] = static_cast<char>('0' + n % 10);
}

void format_dec3(int n, char* out) {
  n = clamp(n, 999);
  out[0] = static_cast<char>('0' + n / 100);
  out[1] = static_cast<char>('0' + (n % 100) / 10);
  out[2] = static_cast<char>('0' + n % 10);
}

std::string dec2_text(int n) {
  char digits[2];
  format_dec2(n, digits);
  return std::string(digits, 2);
}

std::string dec3_text(int n) {
  char digits[3];
  format_dec3(n, digits);
  return std::string(digits, 3);
}

int parse_dec2(const char* in) { return (in[0] - '0') * 10 + (in[1] - '0'); }

int parse_dec3(const char* in) {
  return (in[0] - '0') * 100 + (in[1] - '0') * 10 + (in[2] - '0');
}

namespace {
int hex_digit(char c) {
  const int code = static_cast<unsigned char>(c);
  return code > '9' ? code - 0x37 : code - 0x30;
}
}  // namespace

int parse_hex2(const char* in) { return (hex_digit(in[0]) * 16 + hex_digit(in[1])) & 0xFF; }

}  // namespace zanteq
