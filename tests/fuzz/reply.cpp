// Fuzz target: bytes from a unit, in reads cut where the input says, through
// line assembly, reply dispatch and the decoders into a record, on RS-232C
// or RS-485.
//
// Input: a flags byte (bit 0 RS-485, bit 1 a timed sequence runs), a count
// byte (low four bits: N), N read sizes, then the unit's bytes. The sizes
// are used in turn, over and over; size 0 is a command going out, so its
// reply starts a fresh line. Without sizes the bytes come in one read.
//
// Checked besides the sanitizers:
//  - the assembler hands over exactly the lines the bytes hold, cut where
//    they may be: each one up to its LF, at most 599 bytes with it, longer
//    ones dropped whole, and what stood before a command dropped; it never
//    holds more than 599 bytes, so a line always fits the 600-byte buffer;
//  - a line writes only the fields its prefix names, on a channel field only
//    the channel it names, nothing around the record (guard bytes), and never
//    more than a field holds (the hold time three bytes, a title twenty, each
//    slot zero-terminated and zero behind its text);
//  - every line ends the wait for a reply.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/link/dispatch.h"
#include "core/link/line_assembler.h"
#include "core/settings/decoders.h"
#include "core/settings/settings_file.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/reply_fields.h"

namespace zanteq::fuzz {
namespace {

// The field each prefix may write and where its channel number stands (-1:
// every element of the field may change).
using testing::Named;

const Named& named_for(const char* prefix) {
  for (const Named& n : testing::named_reply_fields)
    if (std::strcmp(n.prefix, prefix) == 0) return n;
  fail("a reply prefix without its field here", __FILE__, __LINE__);
}

constexpr std::size_t guard_size = 64;
constexpr unsigned char guard_byte = 0xA5;

struct GuardedRecord {
  unsigned char before[guard_size];
  DeviceSettings record;
  unsigned char after[guard_size];
};

const std::string& factory_file() {
  static const std::string file = [] {
    auto app = std::make_unique<AppState>();
    reset_settings(*app);
    return format_settings_file(app->record);
  }();
  return file;
}

bool guards_intact(const GuardedRecord& g) {
  for (std::size_t i = 0; i < guard_size; ++i)
    if (g.before[i] != guard_byte || g.after[i] != guard_byte) return false;
  return true;
}

// Text of at most `most` bytes, then zeros to the end of the slot.
template <std::size_t Size>
bool slot_holds_at_most(const GuardedText<Size>& text, std::size_t most) {
  const auto slot = text.get();
  const std::size_t length = std::strlen(slot.data());
  if (length > most) return false;
  for (std::size_t i = length; i < Size; ++i)
    if (slot[i] != '\0') return false;
  return true;
}

// The text the dispatch looks at: up to a zero byte, without the RS-485
// address, at most 599 bytes.
std::string working_text(std::string_view line, bool rs485) {
  line = line.substr(0, line.find('\0'));
  if (rs485) line = line.size() > 2 ? line.substr(2) : std::string_view();
  return std::string(line.substr(0, max_reply_length));
}

void dispatch_and_check(GuardedRecord& g, LinkState& link, std::string_view line) {
  const RecordFields before = record_fields(g.record);
  link.reply_pending = 1;
  link.reply_wait_ticks = 5;
  KeptMessage reporter;
  dispatch_reply(link, g.record, reporter, line);

  FUZZ_CHECK(guards_intact(g), "a reply wrote outside the record");
  FUZZ_CHECK(slot_holds_at_most(g.record.alarm_hold_time, 3), "the hold time holds more than 3 bytes");
  for (const TitleText& title : g.record.title)
    FUZZ_CHECK(slot_holds_at_most(title, title_bytes), "a title holds more than 20 bytes");
  FUZZ_CHECK(link.reply_pending == 0 && link.reply_wait_ticks == 0, "a line left the reply wait running");

  const std::string text = working_text(line, link.rs_control != 0);
  const ReplyPrefix* entry = text == "GO\r\n" || text == "MENU\r\n" ? nullptr : find_reply_prefix(text);
  const Named* allowed = entry ? &named_for(entry->prefix) : nullptr;
  int channel = -1;  // the element a channel reply may write; -1 none
  if (allowed && allowed->channel_at >= 0) {
    const std::string padded = text + std::string(8, '\0');  // the zero-filled line buffer
    const int number = (padded[allowed->channel_at] - '0') * 10 + (padded[allowed->channel_at + 1] - '0');
    if (number >= 1 && number <= channel_count) channel = number - 1;
  }
  const RecordFields after = record_fields(g.record);
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (after[i] == before[i]) continue;
    FUZZ_CHECK(allowed && std::strcmp(after[i].name, allowed->field) == 0,
               "a reply wrote a field its prefix does not name");
    FUZZ_CHECK(allowed->channel_at < 0 || after[i].element == channel,
               "a channel reply wrote another channel");
  }
}

// The lines the bytes hold: each piece up to an LF, at most 599 bytes with
// it; what stands before a command without its LF is no line.
std::vector<std::string> expected_lines(const std::vector<std::string>& segments) {
  std::vector<std::string> lines;
  for (const std::string& segment : segments) {
    std::size_t from = 0;
    for (std::size_t lf; (lf = segment.find('\n', from)) != std::string::npos; from = lf + 1)
      if (lf + 1 - from <= max_reply_length) lines.push_back(segment.substr(from, lf + 1 - from));
  }
  return lines;
}

}  // namespace
}  // namespace zanteq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zanteq;
  using namespace zanteq::fuzz;
  Input input(data, size);
  const unsigned flags = input.byte();
  std::vector<std::size_t> reads;
  for (unsigned n = input.byte() & 0x0F; n > 0; --n) reads.push_back(input.byte());
  const std::string_view stream = input.rest();

  auto g = std::make_unique<GuardedRecord>();
  std::memset(g->before, guard_byte, guard_size);
  std::memset(g->after, guard_byte, guard_size);
  FUZZ_CHECK(!read_settings_file(g->record, factory_file()), "the factory settings do not load");
  LinkState link;
  link.rs_control = flags & 1;
  link.sequence_step = flags & 2 ? 7 : 0;

  LineAssembler assembler;
  std::vector<std::string> lines;
  std::vector<std::string> segments(1);  // the bytes between commands
  // Sizes that are all commands would never move on: one read then.
  if (std::none_of(reads.begin(), reads.end(), [](std::size_t r) { return r > 0; })) reads.clear();
  std::size_t at = 0;
  for (std::size_t turn = 0; at < stream.size(); ++turn) {
    const std::size_t wanted = reads.empty() ? stream.size() : reads[turn % reads.size()];
    if (wanted == 0) {
      assembler.command_sent();
      segments.emplace_back();
      continue;
    }
    const std::size_t length = std::min(stream.size() - at, wanted);
    assembler.feed(stream.data() + at, length, [&](std::string_view line) {
      lines.emplace_back(line);
      dispatch_and_check(*g, link, line);
    });
    FUZZ_CHECK(assembler.pending() <= max_reply_length, "the line assembler holds more than 599 bytes");
    segments.back().append(stream.data() + at, length);
    at += length;
  }
  FUZZ_CHECK(lines == expected_lines(segments), "the assembled lines are not the lines of the bytes");
  return 0;
}
