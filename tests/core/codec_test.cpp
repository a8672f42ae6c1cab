// Fixed-width number fields of the wire.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "core/link/codec.h"

namespace zanteq {
namespace {

// The field sits between guard bytes inside a template, as the command
// builders use it; only the field may change.
template <int Width>
std::string write_field(void (*format)(int, char*), int n) {
  char buffer[Width + 4];
  std::memset(buffer, '#', sizeof buffer);
  format(n, buffer + 2);
  return std::string(buffer, sizeof buffer);
}

TEST(FormatDec, WritesTheDigitsOfKnownValues) {
  EXPECT_EQ(write_field<2>(format_dec2, 5), "##05##");
  EXPECT_EQ(write_field<2>(format_dec2, 31), "##31##");
  EXPECT_EQ(write_field<2>(format_dec2, 0), "##00##");
  EXPECT_EQ(write_field<2>(format_dec2, 99), "##99##");
  EXPECT_EQ(write_field<3>(format_dec3, 64), "##064##");
  EXPECT_EQ(write_field<3>(format_dec3, 128), "##128##");
  EXPECT_EQ(write_field<3>(format_dec3, 0), "##000##");
  EXPECT_EQ(write_field<3>(format_dec3, 999), "##999##");
}

TEST(FormatDec, ValuesOutsideTheFieldStayDigitsInsideTheField) {
  // A hand-edited settings file can put any int into the record; the
  // command built from it must still be digits in their place.
  for (int n : {-1, -64, 100, 1000, 12345, INT_MAX, INT_MIN}) {
    SCOPED_TRACE(n);
    const std::string two = write_field<2>(format_dec2, n);
    const std::string three = write_field<3>(format_dec3, n);
    EXPECT_EQ(two.substr(0, 2) + two.substr(4), "####");
    EXPECT_EQ(three.substr(0, 2) + three.substr(5), "####");
    for (char c : two.substr(2, 2)) EXPECT_TRUE(c >= '0' && c <= '9');
    for (char c : three.substr(2, 3)) EXPECT_TRUE(c >= '0' && c <= '9');
  }
  EXPECT_EQ(write_field<2>(format_dec2, -5), "##00##");
  EXPECT_EQ(write_field<2>(format_dec2, 100), "##99##");
  EXPECT_EQ(write_field<3>(format_dec3, 1000), "##999##");
}

TEST(ParseDec, IsArithmeticOnTheCharacterCodes) {
  EXPECT_EQ(parse_dec2("07"), 7);
  EXPECT_EQ(parse_dec2("31"), 31);
  EXPECT_EQ(parse_dec3("128"), 128);
  EXPECT_EQ(parse_dec3("000"), 0);
  // Not rejected: letters give what their codes give.
  EXPECT_EQ(parse_dec2("A1"), ('A' - '0') * 10 + 1);
  EXPECT_EQ(parse_dec3("1:0"), 100 + ('9' + 1 - '0') * 10);
  EXPECT_EQ(parse_dec2("\r\n"), ('\r' - '0') * 10 + ('\n' - '0'));
}

TEST(ParseHex2, TakesUpperCaseHexPairs) {
  EXPECT_EQ(parse_hex2("82"), 0x82);
  EXPECT_EQ(parse_hex2("4F"), 0x4F);
  EXPECT_EQ(parse_hex2("A0"), 0xA0);
  EXPECT_EQ(parse_hex2("FF"), 0xFF);
  EXPECT_EQ(parse_hex2("00"), 0x00);
}

TEST(ParseHex2, KeepsTheLowEightBitsOfAnyInput) {
  EXPECT_EQ(parse_hex2("a0"), (('a' - 0x37) * 16) & 0xFF);
  const char zeros[2] = {0, 0};
  EXPECT_EQ(parse_hex2(zeros), (-0x30 * 16 - 0x30) & 0xFF);
  const char high[2] = {'\xFF', '\xFF'};
  EXPECT_EQ(parse_hex2(high), ((0xFF - 0x37) * 16 + (0xFF - 0x37)) & 0xFF);
}

}  // namespace
}  // namespace zanteq
