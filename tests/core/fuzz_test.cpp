// Bounded random input for the two places where outside bytes reach the
// record: reply lines from the unit (line assembly, dispatch and decoders)
// and settings files. Fixed seeds keep every run the same; the sanitizer
// build runs these too, so an out-of-bounds access fails the test there.
//
// The checks use their own copy of the prefix table and its field names, so
// a decoder that writes a field its prefix does not name, or a table in the
// wrong order, shows up as a foreign write.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/core/fakes.h"
#include "tests/fuzz/reply_fields.h"
#include "core/link/dispatch.h"
#include "core/link/line_assembler.h"
#include "core/settings/settings_file.h"

namespace zanteq {
namespace {

// One entry per field element: name, element index and value (a number,
// or the whole text slot). No allocation: this runs twice per random line.
struct FieldValue {
  const char* name;
  int index;
  int number;
  std::array<char, title_slot> text;
  bool operator==(const FieldValue& o) const {
    return std::strcmp(name, o.name) == 0 && index == o.index && number == o.number && text == o.text;
  }
};
using Snapshot = std::vector<FieldValue>;

template <std::size_t N>
void add(Snapshot& s, const char* name, const Value (&values)[N]) {
  for (std::size_t i = 0; i < N; ++i) s.push_back({name, static_cast<int>(i), values[i].load(), {}});
}
void add(Snapshot& s, const char* name, const Value& value) { s.push_back({name, 0, value.load(), {}}); }
template <std::size_t Size>
void add(Snapshot& s, const char* name, const GuardedText<Size>& text, int index = 0) {
  const auto slot = text.get();
  FieldValue f{name, index, 0, {}};
  std::copy(slot.begin(), slot.end(), f.text.begin());
  s.push_back(f);
}

Snapshot snapshot(const DeviceSettings& r) {
  Snapshot s;
  s.reserve(settings_file_lines);
  add(s, "alarm_mode", r.alarm_mode);
  add(s, "alarm_polarity", r.alarm_polarity);
  add(s, "alarm_hold_time", r.alarm_hold_time);
  add(s, "alarm_return", r.alarm_return);
  add(s, "alarm_display", r.alarm_display);
  add(s, "video_loss_detect", r.video_loss_detect);
  add(s, "video_loss_display", r.video_loss_display);
  add(s, "video_loss_signal_output", r.video_loss_signal_output);
  add(s, "video_loss_background", r.video_loss_background);
  add(s, "clock_display", r.clock_display);
  add(s, "clock_display_range", r.clock_display_range);
  add(s, "title_display_single", r.title_display_single);
  add(s, "title_display_split", r.title_display_split);
  add(s, "osd_size_single", r.osd_size_single);
  add(s, "osd_size_split", r.osd_size_split);
  add(s, "title_pos_x", r.title_pos_x);
  add(s, "title_pos_y", r.title_pos_y);
  add(s, "auto_switch_dwell", r.auto_switch_dwell);
  add(s, "brightness", r.brightness);
  add(s, "contrast", r.contrast);
  add(s, "sharpness", r.sharpness);
  add(s, "hue", r.hue);
  add(s, "saturation", r.saturation);
  add(s, "connector_input", r.connector_input);
  add(s, "border_line", r.border_line);
  add(s, "power_on_screen", r.power_on_screen);
  add(s, "split_mode", r.split_mode);
  add(s, "video_format", r.video_format);
  add(s, "osd_offset_h", r.osd_offset_h);
  add(s, "osd_offset_v", r.osd_offset_v);
  for (int ch = 0; ch < channel_count; ++ch) add(s, "title", r.title[ch], ch);
  add(s, "split2_channels", r.split2_channels);
  add(s, "ntsc_aspect", r.ntsc_aspect);
  add(s, "agc", r.agc);
  return s;
}

using testing::Named;

const Named* named_for(const std::string& text) {
  for (const Named& n : testing::named_reply_fields)
    if (text.compare(0, std::strlen(n.prefix), n.prefix) == 0) return &n;
  return nullptr;
}

// The text the dispatch works on: up to the first zero byte, without the
// RS-485 address, at most 599 bytes.
std::string working_text(const std::string& line, bool rs485) {
  std::string text = line.substr(0, line.find('\0'));
  if (rs485) text = text.size() > 2 ? text.substr(2) : "";
  return text.substr(0, line_buffer_size - 1);
}

class Random {
 public:
  explicit Random(unsigned seed) : engine_(seed) {}
  int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(engine_); }
  bool chance(int percent) { return below(100) < percent; }
  char byte() { return static_cast<char>(below(256)); }
  char of(const std::string& alphabet) { return alphabet[below(static_cast<int>(alphabet.size()))]; }
  int any_int() { return static_cast<int>(engine_()); }

 private:
  std::mt19937 engine_;
};

std::string random_line(Random& rnd, bool rs485) {
  static const std::string tail_chars = "0123456789ABCDEFNIMBGWOSLX24\r\n";
  static const std::vector<std::string> heads = [] {
    std::vector<std::string> h;
    for (const Named& n : testing::named_reply_fields) h.push_back(n.prefix);
    for (const char* s : {"GO\r\n", "GN\r\n", "MENU\r\n", "E0\r\n", "E1\r\n", "E2\r\n", "E3\r\n", "E4\r\n",
                          "E", "G", "MENU", "POSCAS", "POSD"})
      h.push_back(s);
    return h;
  }();

  std::string line;
  if (rs485 && rnd.chance(80)) {
    line += rnd.of("0123F");
    line += rnd.of("0123456789F");
  }
  if (rnd.chance(10)) {
    const int length = rnd.below(rnd.chance(10) ? 800 : 60);
    for (int i = 0; i < length; ++i) line += rnd.byte();
    return line;
  }
  line += heads[rnd.below(static_cast<int>(heads.size()))];
  const int tail = rnd.chance(5) ? rnd.below(700) : rnd.below(48);
  for (int i = 0; i < tail; ++i) line += rnd.chance(3) ? rnd.byte() : rnd.of(tail_chars);
  if (rnd.chance(70)) line += "\r\n";
  return line;
}

void scramble(DeviceSettings& r, Random& rnd) {
  std::string file;
  for (int line = 0; line < settings_file_lines; ++line) file += std::to_string(rnd.below(300) - 20) + "\n";
  EXPECT_EQ(read_settings_file(r, file), std::nullopt);
  r.alarm_hold_time.set("x");
  for (TitleText& t : r.title) t.set("y");
}

bool is_status(const std::string& t, std::initializer_list<const char*> lines) {
  return std::any_of(lines.begin(), lines.end(), [&t](const char* s) { return t == s; });
}

// Checks one dispatched line against what the line names; returns false
// after the first failure so a broken decoder does not flood the log.
bool dispatch_and_check(AppState& app, testing::RecordingReporter& reporter, const std::string& line) {
  const Snapshot before = snapshot(app.record);
  const int success_before = app.link.success_pending;
  const int step = app.link.sequence_step;
  const int rs = app.link.rs_control;
  app.link.reply_pending = 1;
  app.link.reply_wait_ticks = 9;
  app.link.sequence_abort = 1;
  reporter.boxes.clear();

  dispatch_reply(app.link, app.record, reporter, line);

  const std::string text = working_text(line, rs != 0);
  const bool is_go = text == "GO\r\n";
  const bool is_abort = is_status(text, {"MENU\r\n", "E0\r\n", "E1\r\n", "E2\r\n", "E3\r\n"});
  const bool is_mode = text == "GN\r\n";
  const Named* entry = (is_go || text == "MENU\r\n") ? nullptr : named_for(text);

  int allowed_channel = -2;  // any element
  if (entry && entry->channel_at >= 0) {
    // A short line reads the zero-filled rest of the line buffer.
    const std::string padded = text + std::string(8, '\0');
    const int number = (padded[entry->channel_at] - '0') * 10 + (padded[entry->channel_at + 1] - '0');
    allowed_channel = number >= 1 && number <= channel_count ? number - 1 : -1;
  }

  const Snapshot after = snapshot(app.record);
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (after[i] == before[i]) continue;
    const bool named_field = entry && std::strcmp(after[i].name, entry->field) == 0;
    const bool named_element = allowed_channel == -2 || after[i].index == allowed_channel;
    EXPECT_TRUE(named_field && named_element)
        << "line " << ::testing::PrintToString(line) << " wrote " << after[i].name << "[" << after[i].index << "]";
    if (!(named_field && named_element)) return false;
  }

  const bool raises = (is_go && step == 0) || (entry && std::string(entry->prefix) == "VN");
  const std::size_t boxes = (is_abort || (is_mode && step == 0)) ? 1 : 0;
  const bool flags_ok = app.link.reply_pending == 0 && app.link.reply_wait_ticks == 0 &&
                        app.link.sequence_abort == (is_abort ? 1 : 0) &&
                        app.link.success_pending == ((success_before || raises) ? 1 : 0) &&
                        app.link.sequence_step == step && app.link.rs_control == rs && reporter.boxes.size() == boxes;
  EXPECT_TRUE(flags_ok) << "line " << ::testing::PrintToString(line);
  return flags_ok;
}

TEST(FuzzDispatch, RandomLinesWriteOnlyTheFieldsTheyName) {
  for (unsigned seed : {1u, 2u, 3u}) {
    Random rnd(seed);
    AppState app;
    reset_settings(app);
    testing::RecordingReporter reporter;
    for (int i = 0; i < 12000; ++i) {
      if (i % 500 == 0) scramble(app.record, rnd);
      app.link.rs_control = rnd.chance(30) ? 1 : 0;
      app.link.sequence_step = rnd.chance(30) ? 1 + rnd.below(50) : 0;
      if (rnd.chance(20)) app.link.success_pending = 0;
      ASSERT_TRUE(dispatch_and_check(app, reporter, random_line(rnd, app.link.rs_control != 0)))
          << "seed " << seed << " case " << i;
    }
  }
}

TEST(FuzzDispatch, RandomStreamsThroughLineAssemblyStayWithinTheBuffer) {
  Random rnd(7);
  AppState app;
  reset_settings(app);
  testing::RecordingReporter reporter;
  LineAssembler assembler;
  int lines = 0;
  for (int i = 0; i < 600; ++i) {
    std::string stream;
    while (stream.size() < 1500) stream += random_line(rnd, false);
    std::size_t at = 0;
    while (at < stream.size()) {
      const std::size_t read = std::min<std::size_t>(stream.size() - at, 1 + rnd.below(rnd.chance(10) ? 900 : 40));
      assembler.feed(stream.data() + at, read, [&](std::string_view line) {
        ASSERT_LE(line.size(), max_reply_length);
        ASSERT_EQ(line.back(), '\n');
        ++lines;
        ASSERT_TRUE(dispatch_and_check(app, reporter, std::string(line)));
      });
      ASSERT_LT(assembler.pending(), line_buffer_size);
      at += read;
    }
  }
  EXPECT_GT(lines, 20000);
}

std::string random_token(Random& rnd) {
  switch (rnd.below(8)) {
    case 0: return std::to_string(rnd.any_int());
    case 1: return std::to_string(rnd.below(200) - 50);
    case 2: return "s";
    case 3: return std::string(1, rnd.of("+-")) + std::to_string(rnd.below(1000));
    case 4: return std::to_string(rnd.below(100)) + std::string(1 + rnd.below(3), rnd.of("abc#"));
    case 5: return "99999999999" + std::to_string(rnd.below(10));
    default: {
      std::string t;
      const int length = 1 + rnd.below(rnd.chance(20) ? 40 : 22);
      while (static_cast<int>(t.size()) < length) {
        const char c = rnd.byte();
        if (!std::isspace(static_cast<unsigned char>(c))) t += c;
      }
      return t;
    }
  }
}

std::string random_space(Random& rnd) {
  static const char* const spaces[] = {"\r\n", "\n", " ", "\t", "\r\n\r\n", "  \n\t", "\v\f"};
  return spaces[rnd.below(7)];
}

// A random file, or a sound one with random damage, is taken whole or not
// at all: a refused file leaves every field as it was, a taken one saves
// as 72 lines that load back to the same file.
TEST(FuzzSettingsFile, RandomFilesAreTakenWholeOrNotAtAll) {
  AppState sound;
  reset_settings(sound);
  const std::string sound_file = format_settings_file(sound.record);
  for (unsigned seed : {11u, 12u}) {
    Random rnd(seed);
    for (int i = 0; i < 1500; ++i) {
      AppState app;
      reset_settings(app);
      scramble(app.record, rnd);
      const std::string before = format_settings_file(app.record);

      std::string file;
      if (rnd.chance(10)) {
        const int length = rnd.below(2000);
        for (int k = 0; k < length; ++k) file += rnd.byte();
      } else if (rnd.chance(50)) {
        file = sound_file;
        const int damage = 1 + rnd.below(3);
        for (int k = 0; k < damage; ++k) file[rnd.below(static_cast<int>(file.size()))] = rnd.byte();
      } else {
        const int tokens = rnd.below(90);
        if (rnd.chance(30)) file += random_space(rnd);
        for (int k = 0; k < tokens; ++k) file += random_token(rnd) + random_space(rnd);
      }

      const std::optional<SettingsFileFault> fault = read_settings_file(app.record, file);
      if (fault) {
        ASSERT_GE(fault->line, 1);
        ASSERT_LE(fault->line, settings_file_lines + 1);
        ASSERT_FALSE(fault->reason.empty());
        ASSERT_EQ(format_settings_file(app.record), before) << "seed " << seed << " case " << i;
        continue;
      }
      for (TitleText& t : app.record.title) ASSERT_LE(t.str().size(), title_bytes);
      ASSERT_LE(app.record.alarm_hold_time.str().size(), 3u);

      const std::string saved = format_settings_file(app.record);
      ASSERT_EQ(std::count(saved.begin(), saved.end(), '\n'), settings_file_lines);
      AppState again;
      reset_settings(again);
      scramble(again.record, rnd);
      ASSERT_EQ(read_settings_file(again.record, saved), std::nullopt);
      ASSERT_EQ(format_settings_file(again.record), saved) << "seed " << seed << " case " << i;
    }
  }
}

TEST(FuzzSettingsFile, RandomRecordsRoundTrip) {
  Random rnd(21);
  for (int i = 0; i < 3000; ++i) {
    AppState app;
    reset_settings(app);
    std::string file;
    for (int line = 1; line <= settings_file_lines; ++line)
      file += (line == 3 ? std::string("0") : std::to_string(rnd.any_int())) + "\n";  // the hold time is set below
    ASSERT_EQ(read_settings_file(app.record, file), std::nullopt);
    auto text = [&rnd](std::size_t max) {
      std::string t;
      const std::size_t length = rnd.below(static_cast<int>(max) + 1);
      while (t.size() < length) {
        const char c = rnd.byte();
        if (c != '\0') t += c;
      }
      return t;
    };
    app.record.alarm_hold_time.set(text(3));
    for (TitleText& t : app.record.title) t.set(text(title_bytes));

    AppState loaded;
    reset_settings(loaded);
    const std::string saved = format_settings_file(app.record);
    ASSERT_EQ(read_settings_file(loaded.record, saved), std::nullopt);
    const Snapshot a = snapshot(app.record);
    const Snapshot b = snapshot(loaded.record);
    for (std::size_t f = 0; f < a.size(); ++f)
      if (std::strcmp(a[f].name, "title") != 0 && std::strcmp(a[f].name, "alarm_hold_time") != 0) {
        ASSERT_EQ(a[f], b[f]);
      }
    ASSERT_EQ(format_settings_file(loaded.record), saved);
  }
}

}  // namespace
}  // namespace zanteq
