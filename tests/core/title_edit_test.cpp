// The title edit kept within 20 bytes of code page 932, whatever is typed
// or pasted.
#include <gtest/gtest.h>

#include "core/dialogs/title_edit.h"

#include <string>

namespace zanteq {
namespace {

// ASCII and half-width katakana take one byte, 'é' and characters outside
// the basic plane have no cp932 code, everything else takes two.
std::size_t fake_cp932_bytes(std::u16string_view c) {
  if (c.size() != 1) return 0;
  const char16_t u = c[0];
  if (u == u'é') return 0;
  if (u < 0x80 || (u >= 0xFF61 && u <= 0xFF9F)) return 1;
  return 2;
}

FittedTitleEdit fit(std::u16string_view before, std::u16string_view after) {
  return fit_title_edit(before, after, fake_cp932_bytes, 20);
}

TEST(TitleEdit, TextWithinTheLimitIsLeftAlone) {
  const FittedTitleEdit f = fit(u"あい", u"あいう");
  EXPECT_FALSE(f.changed);
  EXPECT_EQ(f.text, u"あいう");
  EXPECT_FALSE(fit(u"ああああああああああ", u"あああああああああ").changed);  // deleting
  // Replacing one character of a full title by another.
  EXPECT_FALSE(fit(u"ああああああああああ", u"あああいああああああ").changed);
}

TEST(TitleEdit, TwentyKanjiPastedKeepTen) {
  const std::u16string twenty(20, u'漢');
  const FittedTitleEdit f = fit(u"", twenty);
  EXPECT_TRUE(f.changed);
  EXPECT_EQ(f.text, std::u16string(10, u'漢'));
  EXPECT_EQ(f.caret, 10u);
}

TEST(TitleEdit, AnEleventhKanjiIsRefused) {
  const std::u16string ten(10, u'あ');
  const FittedTitleEdit f = fit(ten, ten + u"い");
  EXPECT_TRUE(f.changed);
  EXPECT_EQ(f.text, ten);
  EXPECT_EQ(f.caret, 10u);
}

TEST(TitleEdit, PasteInTheMiddleKeepsWhatFitsAndTheTextAround) {
  const FittedTitleEdit f = fit(u"ああああああああ", u"ああいいいああああああ");
  EXPECT_EQ(f.text, u"ああいいああああああ");
  EXPECT_EQ(f.caret, 4u);
}

TEST(TitleEdit, OddByteCountsAreCountedExactly) {
  // 18 bytes of kanji leave room for two ASCII letters, not three.
  const std::u16string nine(9, u'あ');
  EXPECT_EQ(fit(nine, nine + u"abc").text, nine + u"ab");
  // The cut is where the limit is reached: a later one-byte character does
  // not jump the queue past a two-byte one that no longer fits.
  EXPECT_EQ(fit(nine + u"a", nine + u"aいb").text, nine + u"a");
  // Half-width katakana take one byte.
  EXPECT_EQ(fit(u"", std::u16string(25, u'ｱ')).text, std::u16string(20, u'ｱ'));
}

TEST(TitleEdit, CharactersWithoutCp932CodeAreDropped) {
  const FittedTitleEdit f = fit(u"あ", u"あéい");
  EXPECT_EQ(f.text, u"あい");
  EXPECT_EQ(f.caret, 2u);
  // A character outside the basic plane goes as a whole, never half a pair.
  EXPECT_EQ(fit(u"あ", u"あ\U0001F600い").text, u"あい");
  EXPECT_EQ(fit(u"\U0001F600", u"\U0001F601").text, u"");
}

TEST(TitleEdit, AnOverlongTextOnlyShrinks) {
  // A title longer than the limit (from a file) may be shortened but not
  // lengthened.
  const std::u16string eleven(11, u'あ');
  EXPECT_FALSE(fit(eleven, std::u16string(10, u'あ')).changed);
  EXPECT_EQ(fit(eleven, eleven + u"a").text, eleven);
}

class UserTitle : public ::testing::Test {
 protected:
  UserTitle() { reset_settings(app); }
  AppState app;
};

TEST_F(UserTitle, TypingChangesTheTitleOfTheChannelAndMarksIt) {
  app.ui.current_channel = 1;
  EXPECT_TRUE(apply_user_title(app, "\x82\xa0"));  // "あ"
  std::string padded = "\x82\xa0";
  for (int i = 0; i < 9; ++i) padded += "\x81\x40";
  EXPECT_EQ(app.record.title[1].str(), padded);
  EXPECT_EQ(app.data_modified, 1);
  EXPECT_EQ(app.record.title[0].str(), default_titles[0]);
}

TEST_F(UserTitle, TheSameTitleAgainIsNoChange) {
  // The default title as the edit shows it, and the same text without its
  // trailing full-width blanks, both store what is already there.
  EXPECT_FALSE(apply_user_title(app, default_titles[0]));
  const std::string typed = std::string(default_titles[0]).substr(0, 14);
  EXPECT_FALSE(apply_user_title(app, typed));
  EXPECT_EQ(app.data_modified, 0);
}

TEST_F(UserTitle, SplitOrAutomaticSwitchingEditsChannelOne) {
  app.ui.current_channel = 5;
  EXPECT_TRUE(apply_user_title(app, "\x82\xa0\x82\xa2"));
  EXPECT_EQ(app.record.title[0].str().substr(0, 4), "\x82\xa0\x82\xa2");
  EXPECT_EQ(app.record.title[0].str().size(), 20u);
}

}  // namespace
}  // namespace zanteq
