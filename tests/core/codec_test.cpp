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

TEST(FormatDec, TextsAreTheSameFields) {
  EXPECT_EQ(dec2_text(7), "07");
  EXPECT_EQ(dec2_text(-5), "00");
  EXPECT_EQ(dec3_text(64), "064");
  EXPECT_EQ(dec3_text(1000), "999");
}

// Expectations are the values worked out by hand, not the formula again: a
// wrong formula must not pass its own test.
TEST(ParseDec, IsArithmeticOnTheCharacterCodes) {
  EXPECT_EQ(parse_dec2("07"), 7);
  EXPECT_EQ(parse_dec2("31"), 31);
  EXPECT_EQ(parse_dec3("128"), 128);
  EXPECT_EQ(parse_dec3("000"), 0);
  // Not rejected: other characters give what their codes give.
  EXPECT_EQ(parse_dec2("A1"), 171);     // 'A' is 17 above '0'
  EXPECT_EQ(parse_dec3("1:0"), 200);    // ':' follows '9'
  EXPECT_EQ(parse_dec2("\r\n"), -388);  // (13 - 48) * 10 + (10 - 48)
}

TEST(ParseHex2, TakesUpperCaseHexPairs) {
  // The pairs of a title reply: 試験 is JIS 3B6E 3833, the padding 2121.
  EXPECT_EQ(parse_hex2("3B"), 59);
  EXPECT_EQ(parse_hex2("6E"), 110);
  EXPECT_EQ(parse_hex2("21"), 33);
  EXPECT_EQ(parse_hex2("82"), 130);
  EXPECT_EQ(parse_hex2("4F"), 79);
  EXPECT_EQ(parse_hex2("A0"), 160);
  EXPECT_EQ(parse_hex2("FF"), 255);
  EXPECT_EQ(parse_hex2("00"), 0);
}

TEST(ParseHex2, KeepsTheLowEightBitsOfAnyInput) {
  EXPECT_EQ(parse_hex2("a0"), 0xA0);  // 'a' counts 42: 42 * 16 = 0x2A0
  const char zeros[2] = {0, 0};
  EXPECT_EQ(parse_hex2(zeros), 0xD0);  // -48 * 16 - 48 = -816
  const char high[2] = {'\xFF', '\xFF'};
  EXPECT_EQ(parse_hex2(high), 0x48);  // 200 * 16 + 200 = 3400
}

}  // namespace
}  // namespace zanteq
