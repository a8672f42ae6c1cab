// Classifying the unit's lines: what a line is for a transfer that asked a
// given field of a given unit, and the same line for the dispatch, which
// asks nothing and checks no address.
#include <gtest/gtest.h>

#include "core/link/reply_class.h"
#include "core/settings/settings_file.h"

namespace zanteq {
namespace {

TEST(ClassifyReply, ALineIsJudgedAgainstTheUnitAndTheFieldAsked) {
  ReplyContext unit05;
  unit05.rs_control = 1;
  unit05.address = 5;
  unit05.sent = "05RVL\r\n";
  unit05.asked = "VL";
  ReplyContext dispatch;  // outside a transfer
  dispatch.rs_control = 1;

  struct Case {
    const char* line;
    ReplyClass for_unit;
    ReplyClass for_dispatch;
  };
  const Case cases[] = {
      {"05VLNFNF\r\n", ReplyClass::data, ReplyClass::data},
      // begins with the name asked, but is the background's answer
      {"05VLBCB\r\n", ReplyClass::other_data, ReplyClass::data},
      {"05VAB01000\r\n", ReplyClass::other_data, ReplyClass::data},
      {"07VLNFNF\r\n", ReplyClass::other_address, ReplyClass::data},
      {"FFGO\r\n", ReplyClass::other_address, ReplyClass::accepted},
      {"05RVL\r\n", ReplyClass::echo, ReplyClass::unmatched},
      {"05RVL\n", ReplyClass::echo, ReplyClass::unmatched},
      {"05GO\r\n", ReplyClass::accepted, ReplyClass::accepted},
      {"05GN\r\n", ReplyClass::not_applied, ReplyClass::not_applied},
      {"05MENU\r\n", ReplyClass::menu, ReplyClass::menu},
      {"05E2\r\n", ReplyClass::error, ReplyClass::error},
      {"05E4\r\n", ReplyClass::unmatched, ReplyClass::unmatched},
      {"05GO\n", ReplyClass::unmatched, ReplyClass::unmatched},
      {"GO\r\n", ReplyClass::other_address, ReplyClass::unmatched},
      {"5\n", ReplyClass::other_address, ReplyClass::unmatched},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(classify_reply(c.line, unit05).kind, c.for_unit) << c.line;
    EXPECT_EQ(classify_reply(c.line, dispatch).kind, c.for_dispatch) << c.line;
  }

  const ClassifiedReply e2 = classify_reply("05E2\r\n", unit05);
  EXPECT_EQ(e2.error_code, 2);
  EXPECT_STREQ(reply_box_text(e2), "Over Run Error");
  EXPECT_STREQ(reply_box_text(classify_reply("05MENU\r\n", unit05)), "Menu Display");
  EXPECT_EQ(reply_box_text(classify_reply("05GN\r\n", unit05)), nullptr);

  // The channel is part of what was asked.
  unit05.asked = "VAB02";
  EXPECT_EQ(classify_reply("05VAB02100\r\n", unit05).kind, ReplyClass::data);
  EXPECT_EQ(classify_reply("05VAB01100\r\n", unit05).kind, ReplyClass::other_data);
  // RS-232C: no address, "FF" of a broadcast is just text.
  ReplyContext rs232c;
  rs232c.address = 5;
  EXPECT_EQ(classify_reply("GO\r\n", rs232c).kind, ReplyClass::accepted);
  EXPECT_EQ(classify_reply("05GO\r\n", rs232c).kind, ReplyClass::unmatched);
  // A raw line with a NUL, heard back: read up to the NUL, as the line
  // is, it is still the echo and not a connector-input reply "CI".
  ReplyContext raw;
  raw.rs_control = 1;
  raw.address = 5;
  using namespace std::string_view_literals;
  raw.sent = "05CI\0\r\n"sv;
  EXPECT_EQ(classify_reply("05CI\0\r\n"sv, raw).kind, ReplyClass::echo);
  EXPECT_EQ(classify_reply("05CI1\r\n"sv, raw).kind, ReplyClass::data);
}

TEST(DecodeReply, OnlyDataLinesReachTheRecordAndShortOnesReadZeros) {
  AppState app;
  reset_settings(app);
  ReplyContext context;
  context.asked = "VAC02";
  decode_reply(app.record, classify_reply("VAC02100\r\n", context));
  EXPECT_EQ(app.record.contrast[1], 100);
  decode_reply(app.record, classify_reply("VAC03099\r\n", context));  // another field, still data
  EXPECT_EQ(app.record.contrast[2], 99);

  const std::string before = format_settings_file(app.record);
  for (const char* line : {"GO\r\n", "GN\r\n", "E3\r\n", "MENU\r\n", "XYZ\r\n"})
    decode_reply(app.record, classify_reply(line, context));
  context.rs_control = 1;
  context.address = 5;
  decode_reply(app.record, classify_reply("07VAC02000\r\n", context));
  EXPECT_EQ(format_settings_file(app.record), before);

  decode_reply(app.record, classify_reply("05OOH", context));  // cut short: the digits read as zeros
  EXPECT_EQ(app.record.osd_offset_h, -528);
  EXPECT_EQ(printable_line("05\x01GO\r\n"), "05\\x01GO");
}

}  // namespace
}  // namespace zanteq
