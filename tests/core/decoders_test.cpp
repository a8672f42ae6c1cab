// Decoding of the unit's data replies into the record, through the
// dispatch as the receiving thread runs it.
#include <gtest/gtest.h>

#include <atomic>
#include <initializer_list>
#include <string>
#include <thread>

#include "tests/core/fakes.h"
#include "core/link/dispatch.h"
#include "core/settings/decoders.h"
#include "core/settings/settings_file.h"

namespace zanteq {
namespace {

class Decoders : public ::testing::Test {
 public:
  void SetUp() override { reset_settings(app); }
  DeviceSettings& r() { return app.record; }
  void reply(const std::string& line) {
    dispatch_reply(app.link, app.record, reporter, line);
    EXPECT_TRUE(reporter.boxes.empty()) << "a data reply shows nothing";
  }
  // The record as a whole, to see that a reply changed nothing.
  std::string snapshot() { return format_settings_file(app.record); }

  AppState app;
  testing::RecordingReporter reporter;
};

// Sets the field to a marker, decodes the line and returns the field.
int decoded(Decoders& t, Value& field, const std::string& line, int marker = 77) {
  field = marker;
  t.reply(line);
  return field;
}

TEST_F(Decoders, OneLetterMeansZeroAnythingElseOne) {
  EXPECT_EQ(decoded(*this, r().alarm_display, "ADOF\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().alarm_display, "ADON\r\n"), 1);
  EXPECT_EQ(decoded(*this, r().alarm_display, "ADOX\r\n"), 1);
  EXPECT_EQ(decoded(*this, r().alarm_mode, "AMI\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().alarm_mode, "AME\r\n"), 1);
  EXPECT_EQ(decoded(*this, r().alarm_mode, "AMX\r\n"), 1);
  EXPECT_EQ(decoded(*this, r().alarm_polarity, "APM\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().alarm_polarity, "APB\r\n"), 1);
  EXPECT_EQ(decoded(*this, r().alarm_return, "AROF\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().alarm_return, "AROX\r\n"), 1);
  EXPECT_EQ(decoded(*this, r().connector_input, "CIA\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().connector_input, "CIR\r\n"), 1);
  EXPECT_EQ(decoded(*this, r().connector_input, "CI\r\n"), 1) << "a short line reads CR";

  reply("AGCFNXF\r\n");
  EXPECT_EQ(r().agc[0], 0);
  EXPECT_EQ(r().agc[1], 1);
  EXPECT_EQ(r().agc[2], 1);
  EXPECT_EQ(r().agc[3], 0);
}

TEST_F(Decoders, OneLetterMeansOneAnythingElseZero) {
  EXPECT_EQ(decoded(*this, r().ntsc_aspect, "NARF\r\n"), 1);
  EXPECT_EQ(decoded(*this, r().ntsc_aspect, "NAR4\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().ntsc_aspect, "NARX\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().video_loss_background, "VLBCB\r\n"), 1);
  EXPECT_EQ(decoded(*this, r().video_loss_background, "VLBCN\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().video_loss_background, "VLBCX\r\n"), 0);
}

TEST_F(Decoders, OnlyTheListedLettersCountOthersLeaveTheField) {
  EXPECT_EQ(decoded(*this, r().border_line, "BLB\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().border_line, "BLG\r\n"), 1);
  EXPECT_EQ(decoded(*this, r().border_line, "BLW\r\n"), 2);
  EXPECT_EQ(decoded(*this, r().border_line, "BLO\r\n"), 3);
  EXPECT_EQ(decoded(*this, r().border_line, "BLX\r\n"), 77);

  // The letter after the 'O' of "ON"/"OF".
  EXPECT_EQ(decoded(*this, r().title_display_split, "CTDDOF\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().title_display_split, "CTDDON\r\n"), 1);
  EXPECT_EQ(decoded(*this, r().title_display_split, "CTDDNF\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().title_display_split, "CTDDOX\r\n"), 77);
  EXPECT_EQ(decoded(*this, r().title_display_single, "CTDSON\r\n"), 1);
  EXPECT_EQ(decoded(*this, r().title_display_single, "CTDSO\r\n"), 77);

  EXPECT_EQ(decoded(*this, r().osd_size_split, "CTFSDS\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().osd_size_split, "CTFSDL\r\n"), 1);
  EXPECT_EQ(decoded(*this, r().osd_size_split, "CTFSDM\r\n"), 77);
  EXPECT_EQ(decoded(*this, r().osd_size_single, "CTFSSL\r\n"), 1);
  EXPECT_EQ(decoded(*this, r().osd_size_single, "CTFSSX\r\n"), 77);

  EXPECT_EQ(decoded(*this, r().split_mode, "DSS2\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().split_mode, "DSS4\r\n"), 1);
  EXPECT_EQ(decoded(*this, r().split_mode, "DSS3\r\n"), 77);

  EXPECT_EQ(decoded(*this, r().clock_display, "TSDOF\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().clock_display, "TSDON\r\n"), 1);
  EXPECT_EQ(decoded(*this, r().clock_display, "TSDOX\r\n"), 77);
  EXPECT_EQ(decoded(*this, r().video_loss_display, "VLDOF\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().video_loss_display, "VLDOX\r\n"), 77);
  EXPECT_EQ(decoded(*this, r().video_loss_signal_output, "VLSOON\r\n"), 1);
  EXPECT_EQ(decoded(*this, r().video_loss_signal_output, "VLSOOF\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().video_loss_signal_output, "VLSOO\r\n"), 77);

  for (Value& v : r().video_loss_detect) v = 77;
  reply("VLFNX\r\n");  // ch.04 reads CR
  EXPECT_EQ(r().video_loss_detect[0], 0);
  EXPECT_EQ(r().video_loss_detect[1], 1);
  EXPECT_EQ(r().video_loss_detect[2], 77);
  EXPECT_EQ(r().video_loss_detect[3], 77);
}

TEST_F(Decoders, NumbersAreStoredAsTheDialogsIndex) {
  EXPECT_EQ(decoded(*this, r().osd_offset_h, "OOH15\r\n"), 15);
  EXPECT_EQ(decoded(*this, r().osd_offset_v, "OOV03\r\n"), 3);
  EXPECT_EQ(decoded(*this, r().clock_display_range, "TSDR1\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().clock_display_range, "TSDR8\r\n"), 7);

  EXPECT_EQ(decoded(*this, r().power_on_screen, "POSS03\r\n"), 2);
  EXPECT_EQ(decoded(*this, r().power_on_screen, "POSS01\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().power_on_screen, "POSD\r\n"), 4);
  EXPECT_EQ(decoded(*this, r().power_on_screen, "POSCAS\r\n"), 5);

  reply("SPD20204\r\n");
  EXPECT_EQ(r().split2_channels[0], 1);
  EXPECT_EQ(r().split2_channels[1], 3);

  reply("VF1237\r\n");
  EXPECT_EQ(r().video_format[0], 0);
  EXPECT_EQ(r().video_format[1], 1);
  EXPECT_EQ(r().video_format[2], 2);
  EXPECT_EQ(r().video_format[3], 6);

  reply("CASTM0109309900\r\n");
  const int dwell[] = {1, 9, 30, 99, 0};
  for (int k = 0; k < dwell_count; ++k) EXPECT_EQ(r().auto_switch_dwell[k], dwell[k]);
}

TEST_F(Decoders, MalformedDigitsAreStoredAsTheirArithmetic) {
  EXPECT_EQ(decoded(*this, r().osd_offset_h, "OOHA1\r\n"), ('A' - '0') * 10 + 1);
  EXPECT_EQ(decoded(*this, r().osd_offset_v, "OOV\r\n"), ('\r' - '0') * 10 + ('\n' - '0'));
  EXPECT_EQ(decoded(*this, r().clock_display_range, "TSDR\r\n"), '\r' - '1');
}

TEST_F(Decoders, BrightnessIsShiftedByHalfTheRange) {
  EXPECT_EQ(decoded(*this, r().brightness[0], "VAB01000\r\n"), 64);
  EXPECT_EQ(decoded(*this, r().brightness[0], "VAB01064\r\n"), 0);
  EXPECT_EQ(decoded(*this, r().brightness[0], "VAB01127\r\n"), 63);
  EXPECT_EQ(decoded(*this, r().brightness[3], "VAB04063\r\n"), 127);
}

TEST_F(Decoders, PictureValuesGoToTheirChannel) {
  EXPECT_EQ(decoded(*this, r().contrast[3], "VAC04100\r\n"), 100);
  EXPECT_EQ(decoded(*this, r().sharpness[2], "VASH0331\r\n"), 31);
  EXPECT_EQ(decoded(*this, r().hue[1], "VAH02255\r\n"), 255);
  EXPECT_EQ(decoded(*this, r().saturation[0], "VASA01127\r\n"), 127);
}

TEST_F(Decoders, AChannelOutsideOneToFourWritesNothing) {
  const std::string before = snapshot();
  for (const char* line :
       {"VAB00064\r\n", "VAB05064\r\n", "VAB99000\r\n", "VABA1000\r\n", "VAC00100\r\n", "VAC05100\r\n",
        "VASH0010\r\n", "VASH0510\r\n", "VAH00200\r\n", "VAH-1200\r\n", "VASA05100\r\n", "VASA\r\n",
        "CJ0021212121212121212121212121212121212121\r\n",
        "CJ0521212121212121212121212121212121212121\r\n", "CJ\r\n"}) {
    reply(line);
    EXPECT_EQ(snapshot(), before) << line;
  }
}

TEST_F(Decoders, HoldTimeIsCopiedAsItComes) {
  reply("ADT045\r\n");
  EXPECT_EQ(r().alarm_hold_time.str(), "045");
  reply("ADT7\r\n");
  EXPECT_EQ(r().alarm_hold_time.str(), "7\r\n");
  reply("ADT");
  EXPECT_EQ(r().alarm_hold_time.str(), "");
  reply("ADT12345\r\n");
  EXPECT_EQ(r().alarm_hold_time.str(), "123");
}

TEST(JisToSjis, KnownCodes) {
  const std::pair<uint16_t, uint16_t> table[] = {
      {0x2121, 0x8140},  // full-width space
      {0x2343, 0x8262},  // Ｃ
      {0x2330, 0x824F},  // ０
      {0x2421, 0x829F},  // ぁ (even row)
      {0x2422, 0x82A0},  // あ
      {0x255F, 0x837E},  // ミ, last cell before the trail byte 0x7F is skipped
      {0x2560, 0x8380},  // ム, first after it
      {0x3021, 0x889F},  // 亜
      {0x4F53, 0x9872},  // 腕, end of level 1
      {0x5021, 0x989F},  // 弌
      {0x5F21, 0xE040},  // first row on lead bytes 0xE0..
      {0x7426, 0xEAA4},  // 熙
      {0x7E7E, 0xEFFC},
  };
  for (const auto& [jis, sjis] : table) EXPECT_EQ(jis_to_sjis(jis), sjis) << std::hex << jis;
}

TEST(JisToSjis, CodesOutsideTheRowsGiveZero) {
  for (uint16_t jis : {0x0000, 0x2020, 0x217F, 0x7F21, 0x2100, 0xFFFF, 0x8140})
    EXPECT_EQ(jis_to_sjis(jis), 0) << std::hex << jis;
}

class TitleReply : public Decoders {
 protected:
  std::string title(int ch) { return r().title[ch].str(); }
};

// "CJ", the channel, then the codes as written (four hex digits each).
std::string cj(const char* channel, std::initializer_list<const char*> codes) {
  std::string line = std::string("CJ") + channel;
  for (const char* code : codes) line += code;
  return line + "\r\n";
}

TEST_F(TitleReply, DropsTrailingFullWidthSpacesKeepsLeadingOnes) {
  const std::string line =
      cj("01", {"2121", "2121", "2121", "2343", "2348", "2330", "2331", "2121", "2121", "2121"});
  EXPECT_EQ(line, "CJ01" "212121212121" "2343234823302331" "212121212121" "\r\n");
  reply(line);
  EXPECT_EQ(title(0), "\x81\x40\x81\x40\x81\x40\x82\x62\x82\x67\x82\x4F\x82\x50");
  const auto slot = r().title[0].get();
  for (std::size_t i = 14; i < slot.size(); ++i) EXPECT_EQ(slot[i], '\0');
  EXPECT_EQ(title(1), default_titles[1]) << "other channels untouched";
}

TEST_F(TitleReply, LengthFollowsTheTrailingSpaces) {
  reply(cj("02", {"2422", "2422", "2422", "2422", "2422", "2422", "2121", "2121", "2121", "2121"}));
  EXPECT_EQ(title(1).size(), 12u);
  reply(cj("03", {"2121", "2422", "2422", "2422", "2422", "2422", "2422", "2422", "2422", "2422"}));
  EXPECT_EQ(title(2).size(), 20u);
  EXPECT_EQ(title(2).substr(0, 4), "\x81\x40\x82\xA0");
  reply(cj("04", {"2121", "2121", "2121", "2121", "2121", "2121", "2121", "2121", "2121", "2121"}));
  EXPECT_EQ(title(3), "") << "ten spaces are an empty title";
  reply(cj("04", {"3021", "2121", "4F53", "2121", "2121", "2121", "2121", "2121", "2121", "7E7E"}));
  EXPECT_EQ(title(3), "\x88\x9F\x81\x40\x98\x72\x81\x40\x81\x40\x81\x40\x81\x40\x81\x40\x81\x40\xEF\xFC");
}

TEST_F(TitleReply, ACodeOutsideTheRowsEndsTheTitle) {
  reply(cj("01", {"2422", "2422", "0000", "2422", "2422", "2422", "2422", "2422", "2422", "2422"}));
  EXPECT_EQ(title(0), "\x82\xA0\x82\xA0");
  reply(cj("02", {"7F21", "2422", "2422", "2422", "2422", "2422", "2422", "2422", "2422", "2422"}));
  EXPECT_EQ(title(1), "");
  reply(cj("03", {"2422"}));  // short line: CR LF and zeros are no JIS codes
  EXPECT_EQ(title(2), "\x82\xA0");
  reply(cj("04", {"2422", "2180", "2422"}));  // cell 0x80 lies outside the rows
  EXPECT_EQ(title(3), "\x82\xA0");
}

TEST_F(TitleReply, IsNeverSeenHalfWrittenByTheOtherThread) {
  // The receiving thread rewrites ch.01 between two titles of different
  // length while the interface thread reads it.
  const std::string a = cj("01", {"2422", "2422", "2422", "2422", "2422", "2422", "2422", "2422", "2422", "2422"});
  const std::string b = cj("01", {"3021", "2121", "2121", "2121", "2121", "2121", "2121", "2121", "2121", "2121"});
  std::string long_title;
  for (int k = 0; k < 10; ++k) long_title += "\x82\xA0";
  const std::string short_title = "\x88\x9F";
  std::atomic<bool> done{false};
  std::thread receiving([&] {
    for (int i = 0; i < 20000; ++i) dispatch_reply(app.link, app.record, reporter, i % 2 ? a : b);
    done = true;
  });
  int torn = 0;
  while (!done) {
    const std::string seen = title(0);
    if (seen != long_title && seen != short_title && seen != default_titles[0]) ++torn;
  }
  receiving.join();
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(title(0), long_title);
}

TEST(ReplyPrefixes, TableHoldsEveryPrefixOnceWithLongerOnesFirst) {
  ASSERT_EQ(reply_prefix_count, 33);
  for (int i = 0; i < reply_prefix_count; ++i) {
    const std::string prefix = reply_prefixes[i].prefix;
    EXPECT_EQ(find_reply_prefix(prefix + "X\r\n"), &reply_prefixes[i]) << prefix;
    EXPECT_EQ(reply_prefixes[i].raises_success, prefix == "VN") << prefix;
  }
  EXPECT_EQ(find_reply_prefix("GO\r\n"), nullptr);
  EXPECT_EQ(find_reply_prefix(""), nullptr);
  EXPECT_EQ(find_reply_prefix("V"), nullptr);
}

}  // namespace
}  // namespace zanteq
