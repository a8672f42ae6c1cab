// Reply line assembly: the same bytes give the same lines however the
// reads cut them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/link/line_assembler.h"

namespace zanteq {
namespace {

using Lines = std::vector<std::string>;

// Feeds `bytes` as successive reads of the given sizes (the last read takes
// the rest) and returns every line handed over plus the unfinished tail.
struct Result {
  Lines lines;
  std::size_t pending;
};

Result feed_in_reads(const std::string& bytes, const std::vector<std::size_t>& cuts) {
  LineAssembler assembler;
  Result result;
  auto collect = [&result](std::string_view line) { result.lines.emplace_back(line); };
  std::size_t start = 0;
  for (std::size_t cut : cuts) {
    assembler.feed(bytes.data() + start, cut - start, collect);
    start = cut;
  }
  assembler.feed(bytes.data() + start, bytes.size() - start, collect);
  result.pending = assembler.pending();
  return result;
}

// One read, every single split into two reads, and one byte per read.
void expect_lines(const std::string& bytes, const Lines& expected, std::size_t expected_pending = 0) {
  {
    SCOPED_TRACE("one read");
    const Result r = feed_in_reads(bytes, {});
    EXPECT_EQ(r.lines, expected);
    EXPECT_EQ(r.pending, expected_pending);
  }
  for (std::size_t cut = 1; cut < bytes.size(); ++cut) {
    SCOPED_TRACE("split at " + std::to_string(cut));
    const Result r = feed_in_reads(bytes, {cut});
    ASSERT_EQ(r.lines, expected);
    ASSERT_EQ(r.pending, expected_pending);
  }
  {
    SCOPED_TRACE("byte at a time");
    std::vector<std::size_t> cuts;
    for (std::size_t i = 1; i < bytes.size(); ++i) cuts.push_back(i);
    const Result r = feed_in_reads(bytes, cuts);
    EXPECT_EQ(r.lines, expected);
    EXPECT_EQ(r.pending, expected_pending);
  }
}

TEST(LineAssembler, HandsOverOneLine) { expect_lines("GO\r\n", {"GO\r\n"}); }

TEST(LineAssembler, SplitsSeveralLinesOfOneReadInOrder) {
  expect_lines("GO\r\nGO\r\n", {"GO\r\n", "GO\r\n"});
  expect_lines("VAB01064\r\nE3\r\nMENU\r\n", {"VAB01064\r\n", "E3\r\n", "MENU\r\n"});
}

TEST(LineAssembler, KeepsTheUnfinishedTailForTheNextRead) {
  expect_lines("GO\r\nVA", {"GO\r\n"}, 2);
  expect_lines("GO\r", {}, 3);  // CR alone ends nothing

  LineAssembler assembler;
  Lines lines;
  auto collect = [&lines](std::string_view line) { lines.emplace_back(line); };
  assembler.feed("CJ01", 4, collect);
  assembler.feed("2121\r\nG", 7, collect);
  assembler.feed("O\r\n", 3, collect);
  EXPECT_EQ(lines, (Lines{"CJ012121\r\n", "GO\r\n"}));
  EXPECT_EQ(assembler.pending(), 0u);
}

TEST(LineAssembler, PassesRs485AddressesAndOddBytesThrough) {
  expect_lines("05GO\r\n\n", {"05GO\r\n", "\n"});
  expect_lines(std::string("A\0B\n", 4), {std::string("A\0B\n", 4)});
}

TEST(LineAssembler, TakesTheLongestLineThatFitsTheBuffer) {
  const std::string longest = std::string(max_reply_length - 2, 'A') + "\r\n";
  ASSERT_EQ(longest.size(), line_buffer_size - 1);
  expect_lines(longest + "GO\r\n", {longest, "GO\r\n"});
}

TEST(LineAssembler, DropsAnOverLongLineWholeAndGoesOn) {
  // 600 bytes without LF, its tail (which looks like a reply) and the LF:
  // none of it is a line; the next line comes through.
  const std::string over_long = std::string(600, 'A') + "GO\r\n";
  expect_lines(over_long + "GN\r\n", {"GN\r\n"});

  const std::string just_over = std::string(max_reply_length - 1, 'A') + "\r\n";
  ASSERT_EQ(just_over.size(), line_buffer_size);
  expect_lines(just_over + "E0\r\n", {"E0\r\n"});
}

TEST(LineAssembler, NeverGrowsPastItsBufferOnEndlessInput) {
  LineAssembler assembler;
  int lines = 0;
  const std::string chunk(1000, 'Z');
  for (int i = 0; i < 5; ++i) {
    assembler.feed(chunk.data(), chunk.size(), [&lines](std::string_view) { ++lines; });
    EXPECT_LT(assembler.pending(), line_buffer_size);
  }
  assembler.feed("\nGO\r\n", 5, [&lines](std::string_view line) {
    EXPECT_EQ(line, "GO\r\n");
    ++lines;
  });
  EXPECT_EQ(lines, 1);
}

TEST(LineAssembler, ACommandGoingOutDropsAnUnfinishedLine) {
  // Noise, a cut-off reply, and the tail of an over-long line: each is gone
  // once a command goes out, and the command's reply comes through whole.
  for (const std::string& before : {std::string("\x13\xFEzz"), std::string("VAB01"),
                                    std::string(700, 'A')}) {
    SCOPED_TRACE(before.substr(0, 8));
    LineAssembler assembler;
    Lines lines;
    auto collect = [&lines](std::string_view line) { lines.emplace_back(line); };
    assembler.feed(before.data(), before.size(), collect);
    assembler.command_sent();
    assembler.feed("G", 1, collect);
    assembler.feed("O\r\n", 3, collect);
    EXPECT_EQ(lines, Lines{"GO\r\n"});
    EXPECT_EQ(assembler.pending(), 0u);
  }

  // Only what came before the command: a reply that completes in the same
  // read as the command is untouched, and without a command a split reply
  // is still joined.
  LineAssembler assembler;
  Lines lines;
  auto collect = [&lines](std::string_view line) { lines.emplace_back(line); };
  assembler.feed("E3\r\nVAB", 7, collect);
  assembler.feed("01100\r\n", 7, collect);
  assembler.command_sent();
  assembler.feed("GO\r\n", 4, collect);
  EXPECT_EQ(lines, (Lines{"E3\r\n", "VAB01100\r\n", "GO\r\n"}));
}

// What the assembly throws away, as the log tells it: "over_long N" or
// "before_command BYTES".
using Drops = std::vector<std::string>;

struct Told {
  Lines lines;
  Drops drops;
};

// Feeds `bytes` in reads of `read_size` bytes (0: one read); a '|' in
// `bytes` stands for a command going out there.
Told feed_telling(const std::string& bytes, std::size_t read_size = 0) {
  LineAssembler assembler;
  Told told;
  const auto line = [&told](std::string_view l) { told.lines.emplace_back(l); };
  const auto dropped = [&told](const DroppedBytes& d) {
    told.drops.push_back(d.why == DroppedBytes::Why::over_long
                             ? "over_long " + std::to_string(d.count)
                             : "before_command " + std::string(d.bytes));
    if (d.why == DroppedBytes::Why::over_long) EXPECT_TRUE(d.bytes.empty());
    else EXPECT_EQ(d.count, d.bytes.size());
  };
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = std::min(bytes.find('|', start), bytes.size());
    if (read_size > 0) end = std::min(end, start + read_size);
    assembler.feed(bytes.data() + start, end - start, line, dropped);
    start = end;
    if (start < bytes.size() && bytes[start] == '|') {
      assembler.command_sent();
      ++start;
    }
  }
  assembler.feed(nullptr, 0, line, dropped);  // a read after the last command
  return told;
}

TEST(LineAssembler, TellsWhatItThrowsAwayHoweverTheReadsCutIt) {
  // The same lines as without a drop handler, and the same drops, in one
  // read, at every read size up to a line, and byte by byte.
  const std::string flood = std::string(10000, '\xA5');
  const std::vector<std::pair<std::string, Told>> cases = {
      {"E3\r\nVAB01|GO\r\n", {{"E3\r\n", "GO\r\n"}, {"before_command VAB01"}}},
      {"\x13\xFEzz\r|GO\r\n|", {{"GO\r\n"}, {"before_command \x13\xFEzz\r"}}},
      // 597 bytes and CR LF is the longest line; 599 and LF is over-long.
      {std::string(597, 'A') + "\r\n" + std::string(599, 'B') + "\nGN\r\n",
       {{std::string(597, 'A') + "\r\n", "GN\r\n"}, {"over_long 600"}}},
      {std::string(600, 'A') + "GO\r\nGN\r\n", {{"GN\r\n"}, {"over_long 604"}}},
      {std::string(700, 'A') + "|GO\r\n", {{"GO\r\n"}, {"over_long 700"}}},
      // Endless noise is told while it lasts, every 4800 bytes.
      {flood + "\nGO\r\n", {{"GO\r\n"}, {"over_long 4800", "over_long 4800", "over_long 401"}}},
      {flood + "|", {{}, {"over_long 4800", "over_long 4800", "over_long 400"}}},
  };
  for (const auto& [bytes, expected] : cases) {
    for (std::size_t read_size : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{7},
                                  std::size_t{599}, std::size_t{600}, std::size_t{601}}) {
      SCOPED_TRACE(bytes.substr(0, 12) + " in reads of " + std::to_string(read_size));
      const Told told = feed_telling(bytes, read_size);
      EXPECT_EQ(told.lines, expected.lines);
      EXPECT_EQ(told.drops, expected.drops);
    }
  }
  // Nothing thrown away, nothing told; a command before anything came drops nothing.
  EXPECT_TRUE(feed_telling("|GO\r\n|VAB01100\r\n|").drops.empty());
}

}  // namespace
}  // namespace zanteq
