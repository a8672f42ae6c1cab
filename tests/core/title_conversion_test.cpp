// Titles: what the edit stores, what is prepared for the wire, the
// Shift_JIS to JIS X 0208 conversion, and the single-channel buttons.
#include <gtest/gtest.h>

#include "tests/core/builder_fixture.h"
#include "core/dialogs/title.h"

namespace zanteq {
namespace {

using testing::Box;
using testing::OperationsTest;

const std::string sp = "\x81\x40";  // full-width space
std::string spaces(int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += sp;
  return s;
}

const char* const title_message = "ＪＩＳ第１水準,第２水準以外の字が選択されてます";

TEST(StoreTitle, EvenTextsAreFilledToTwentyBytesOddOnesToNineteen) {
  EXPECT_EQ(pad_edited_title(""), spaces(10));
  const std::string five = "\x8A\xBF\x8E\x9A\x83\x41\x83\x41\x83\x41";  // 漢字アアア
  EXPECT_EQ(pad_edited_title(five), five + spaces(5));
  EXPECT_EQ(pad_edited_title("A"), "A" + spaces(9));
  EXPECT_EQ(pad_edited_title("A").size(), 19u) << "an odd title stays odd";
  EXPECT_EQ(pad_edited_title(five + "A"), five + "A" + spaces(4));
  const std::string nineteen(19, 'x');
  EXPECT_EQ(pad_edited_title(nineteen), nineteen);
  EXPECT_EQ(pad_edited_title(spaces(10)), spaces(10));
  EXPECT_EQ(pad_edited_title(std::string(21, 'y')), std::string(21, 'y'));
  EXPECT_EQ(pad_edited_title(std::string(30, 'z')), std::string(21, 'z'))
      << "no more than 21 bytes are read from the edit";
}

TEST(StoreTitle, GoesToTheDialogChannelWithSplitAndAutoTakenAsChannelOne) {
  AppState app;
  reset_settings(app);
  app.ui.current_channel = 2;
  store_title(app, "\x8A\xBF");
  EXPECT_EQ(app.record.title[2].str(), "\x8A\xBF" + spaces(9));
  EXPECT_EQ(app.record.title[0].str(), default_titles[0]);

  for (int odd_channel : {4, 5, -1, 9}) {
    app.ui.current_channel = odd_channel;
    store_title(app, "\x8E\x9A");
    EXPECT_EQ(app.record.title[0].str(), "\x8E\x9A" + spaces(9)) << odd_channel;
  }
  EXPECT_EQ(app.record.title[3].str(), default_titles[3]);
  EXPECT_EQ(app.ui.current_channel, 9) << "storing does not move the shared channel";
}

TEST(PrepareTitle, PadsEvenTitlesAndRefusesOddOrLongOnes) {
  const std::string fourteen = spaces(3) + "\x82\x62\x82\x67\x82\x4F\x82\x50";
  EXPECT_EQ(prepare_title_text(fourteen), fourteen + spaces(3));
  EXPECT_EQ(prepare_title_text(""), spaces(10));
  EXPECT_EQ(prepare_title_text(spaces(10)), spaces(10));
  EXPECT_FALSE(prepare_title_text("A" + spaces(9)));
  EXPECT_FALSE(prepare_title_text(std::string(21, 'y')));
  EXPECT_FALSE(prepare_title_text(spaces(11)));
}

TEST(TitleLine, DefaultTitleOfChannelOne) {
  EXPECT_EQ(build_title(0, false, default_titles[0]),
            "CJ01" "2121" "2121" "2121" "2343" "2348" "2330" "2331" "2121" "2121" "2121" "\r\n");
  EXPECT_EQ(build_title(3, true, default_titles[3]),
            "CJN04" "2121" "2121" "2121" "2343" "2348" "2330" "2334" "2121" "2121" "2121" "\r\n");
  EXPECT_EQ(build_title(0, false, default_titles[0])->size(), 46u);
  EXPECT_EQ(build_title(0, true, default_titles[0])->size(), 47u);
}

TEST(TitleLine, KnownCharactersOfBothLeadByteRanges) {
  // 漢 8ABF -> 3441, 字 8E9A -> 3B7A, ア 8341 -> 2522, 熙 EAA4 -> 7426.
  const std::string text = "\x8A\xBF\x8E\x9A\x83\x41\xEA\xA4" + spaces(6);
  EXPECT_EQ(build_title(1, false, text),
            "CJ02" "3441" "3B7A" "2522" "7426" "2121" "2121" "2121" "2121" "2121" "2121" "\r\n");
}

TEST(TitleLine, IbmExtensionsAreSentAsTheirNecSelectedCodes) {
  // ⅰ entered as FA40 is EEEF in the NEC-selected area, JIS 7C71.
  EXPECT_EQ(title_wire_code(0xFA, 0x40), 0x7C71);
  EXPECT_EQ(title_wire_code(0xEE, 0xEF), 0x7C71);
  // 纊 FA5C is ED40, the first NEC-selected IBM character, JIS 7921.
  EXPECT_EQ(title_wire_code(0xFA, 0x5C), 0x7921);
  EXPECT_EQ(title_wire_code(0xFC, 0x4B), sjis_to_jis(0xEEEC));
  const std::string text = "\xFA\x40" + spaces(9);
  EXPECT_EQ(build_title(0, false, text)->substr(4, 4), "7C71");
}

TEST(TitleLine, IbmTableMatchesCodePage932Duplicates) {
  // Checked against the code page: each IBM code and its duplicate.
  const int pairs[][2] = {
      {0xFA40, 0xEEEF}, {0xFA49, 0xEEF8}, {0xFA55, 0xEEFA}, {0xFA57, 0xEEFC},
      {0xFA5C, 0xED40}, {0xFA7E, 0xED62}, {0xFA80, 0xED63}, {0xFA9B, 0xED7E},
      {0xFA9C, 0xED80}, {0xFAFC, 0xEDE0}, {0xFB40, 0xEDE1}, {0xFB5B, 0xEDFC},
      {0xFB5C, 0xEE40}, {0xFB7E, 0xEE62}, {0xFB80, 0xEE63}, {0xFB9B, 0xEE7E},
      {0xFB9C, 0xEE80}, {0xFBFC, 0xEEE0}, {0xFC40, 0xEEE1}, {0xFC4B, 0xEEEC},
  };
  for (const auto& p : pairs) EXPECT_EQ(ibm_to_nec_selected(p[0]), p[1]) << std::hex << p[0];
  for (int none : {0xFA4A, 0xFA54, 0xFA58, 0xFA5B, 0xFA7F, 0xFC4C, 0xFCFC, 0x8140})
    EXPECT_EQ(ibm_to_nec_selected(none), 0) << std::hex << none;
}

TEST(TitleLine, CharactersWithoutAJisCodeAreRefused) {
  // Ⅰ at FA4A, user-defined F040, FC4C, and two ASCII letters (even length).
  for (const std::string& bad : {std::string("\xFA\x4A"), std::string("\xF0\x40"),
                                std::string("\xFC\x4C"), std::string("AB"),
                                std::string("\xB1\xB2")}) {
    const std::string text = spaces(4) + bad + spaces(5);
    EXPECT_FALSE(build_title(0, false, text)) << std::hex << int(static_cast<unsigned char>(bad[0]));
  }
  EXPECT_FALSE(build_title(0, false, spaces(9))) << "a prepared text is exactly 20 bytes";
}

TEST(TitleLine, PairsLedByAControlByteAreMovedUpUnchecked) {
  EXPECT_EQ(title_wire_code(0x01, 0x41), 0x0141 + 0x9345);
  EXPECT_EQ(title_wire_code(0x13, 0x39), 0xA67E);
  EXPECT_EQ(title_wire_code(0x13, 0x3A), 0) << "just past the unchecked range";
}

// The textbook JIS X 0208 to Shift_JIS mapping, written independently of
// the converter under test.
int jis_to_sjis(int jis) {
  const int j1 = jis >> 8, j2 = jis & 0xFF;
  const int s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
  int s2;
  if (j1 & 1)
    s2 = j2 + (j2 >= 0x60 ? 0x20 : 0x1F);
  else
    s2 = j2 + 0x7E;
  return s1 * 256 + s2;
}

TEST(SjisToJis, EveryJisCellRoundTripsAndNothingElsePasses) {
  for (int j1 = 0x21; j1 <= 0x7E; ++j1)
    for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
      const int jis = j1 * 256 + j2;
      ASSERT_EQ(sjis_to_jis(jis_to_sjis(jis)), jis) << std::hex << jis;
    }
  int passed = 0;
  for (int code = 0; code <= 0xFFFF; ++code) {
    const int v = sjis_to_jis(code);
    if (v == 0) continue;
    ++passed;
    ASSERT_GE(v >> 8, 0x21);
    ASSERT_LE(v >> 8, 0x7E);
    ASSERT_GE(v & 0xFF, 0x21);
    ASSERT_LE(v & 0xFF, 0x7E);
  }
  EXPECT_EQ(passed, 94 * 94) << "one Shift_JIS code per JIS cell";
}

using TitleButtons = OperationsTest;

TEST_F(TitleButtons, SetAndDontMemorySendTheCurrentTitle) {
  EXPECT_TRUE(ops.send_title_checked(1, false));
  EXPECT_TRUE(ops.send_title_checked(1, true));
  const std::vector<std::string> sent = take_sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].substr(0, 4), "CJ02");
  EXPECT_EQ(sent[1].substr(0, 5), "CJN02");
  EXPECT_EQ(sent[0].substr(4), sent[1].substr(5));
}

TEST_F(TitleButtons, FiveCharactersAreSentWithFiveSpacesAppended) {
  app.record.title[0].set("\x8A\xBF\x8E\x9A\x83\x41\x83\x41\x83\x41");
  EXPECT_TRUE(ops.send_title_checked(0, false));
  EXPECT_EQ(one_sent(),
            "CJ01" "3441" "3B7A" "2522" "2522" "2522" "2121" "2121" "2121" "2121" "2121" "\r\n");
}

TEST_F(TitleButtons, RefusalsShowTheWarningAndSendNothing) {
  app.record.title[0].set(spaces(4) + "A" + spaces(4));  // odd: refused before conversion
  EXPECT_FALSE(ops.send_title_checked(0, false));
  app.record.title[0].set(spaces(4) + "AB" + spaces(4));  // even: refused by conversion
  EXPECT_FALSE(ops.send_title_checked(0, true));
  EXPECT_TRUE(take_sent().empty());
  ASSERT_EQ(reporter.boxes.size(), 2u);
  EXPECT_EQ(reporter.boxes[0], (Box{Box::warning, title_message}));
  EXPECT_EQ(reporter.boxes[1], (Box{Box::warning, title_message}));
}

TEST_F(TitleButtons, IgnoredWhileATimedSequenceRuns) {
  app.link.sequence_step = 3;
  EXPECT_FALSE(ops.send_title_checked(0, false));
  EXPECT_TRUE(take_sent().empty());
  EXPECT_TRUE(reporter.boxes.empty());
}

TEST_F(TitleButtons, TitleDisplaySwitches) {
  ops.send_title_display_single();
  app.record.title_display_split = 0;
  ops.send_title_display_split();
  EXPECT_EQ(take_sent(), (std::vector<std::string>{"CTDSON\r\n", "CTDDOF\r\n"}));
}

}  // namespace
}  // namespace zanteq
