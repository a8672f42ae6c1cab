// The communication log: what its rows and file lines say, the queue
// between the threads, the window's bound and the log file's rotation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#include "core/log/comm_log.h"
#include "core/log/log_file.h"
#include "core/log/log_format.h"
#include "core/log/log_rows.h"

namespace zanteq {
namespace {

const LocalTime noon{2026, 12, 7, 13, 45, 2, 123};
LocalTime at_noon(std::int64_t) { return noon; }

// A row's text read back into bytes: <XX> is one byte, anything else itself.
std::string bytes_of(const std::string& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '<') {
      bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 3;
    } else {
      bytes += text[i];
    }
  }
  return bytes;
}

TEST(LogFormat, AWireLineShowsExactlyWhatTheWireHeld) {
  EXPECT_EQ(wire_text("VAB01100\r\n"), "VAB01100");
  EXPECT_EQ(wire_text("05GO\r\n"), "05GO");  // RS-485: the address stays
  EXPECT_EQ(wire_text("FFVAB01100\r\n"), "FFVAB01100");
  EXPECT_EQ(wire_text(std::string("G\0O\r\r\n", 6)), "G<00>O<0D>");
  EXPECT_EQ(wire_text("GO\n"), "GO<0A>");  // a line without its CR says so
  EXPECT_EQ(wire_text("\x13\xFE<3C> \x7F\r\n"), "<13><FE><3C>3C> <7F>");

  // Every byte, and a 600-byte line of random bytes, read back exactly.
  std::string every;
  for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
  std::mt19937 random(21);
  std::string long_line(598, '\0');
  for (char& c : long_line) c = static_cast<char>(random());
  for (const std::string& line : {every, long_line}) {
    const std::string text = wire_text(line + "\r\n");
    EXPECT_EQ(bytes_of(text), line);
    for (const char c : text) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << text;
  }
  EXPECT_EQ(wire_text(std::string(598, 'A') + "\r\n"), std::string(598, 'A'));
}

TEST(LogFormat, EventsSayWhatHappenedInJapanese) {
  const auto text = [](const LogEvent& e) { return event_text(e); };
  EXPECT_EQ(text(port_event(0, LogKind::port_opened, "COM12")), "COM12 を開きました");
  EXPECT_EQ(text(port_event(0, LogKind::port_closed, "COM12")), "COM12 を閉じました");
  EXPECT_EQ(text(port_event(0, LogKind::port_lost, "COM12")), "COM12 との接続が切れました");
  EXPECT_EQ(text(port_event(0, LogKind::port_back, "COM12")), "COM12 に再接続しました");
  EXPECT_EQ(text(port_event(0, LogKind::port_failed, "COM3", "使用中")), "COM3 を開けません（使用中）");
  EXPECT_EQ(text(port_event(0, LogKind::port_lost, "10.0.0.5:4001", "connection reset")),
            "10.0.0.5:4001 との接続が切れました（connection reset）");
  // A name or reason stays one line of valid UTF-8.
  EXPECT_EQ(text(port_event(0, LogKind::port_failed, "COM\t1", "a\r\nb\xFF\xE3\x81")),
            "COM<09>1 を開けません（a<0D><0A>b<FF><E3><81>）");
  EXPECT_EQ(text(no_reply_event(0, 1000)), "応答なし (1000 ms)");
  EXPECT_EQ(text(unfinished_event(0, "VAB0\r")), "未完の行 5 バイトを破棄: VAB0<0D>");
  EXPECT_EQ(text(noise_event(0, 37)), "ノイズ 37 バイトを破棄");

  // Rows and file lines: time, direction, text.
  const LogRow sent = row_of(sent_event(0, "05VAB01100\r\n"), noon);
  EXPECT_EQ(clock_text(sent.time), "13:45:02.123");
  EXPECT_STREQ(direction_text(sent.direction), "送信");
  EXPECT_EQ(file_line(sent), "2026-12-07 13:45:02.123\t送信\t05VAB01100\r\n");
  EXPECT_EQ(file_line(row_of(received_event(0, "05GO\r\n"), {2027, 1, 2, 3, 4, 5, 6})),
            "2027-01-02 03:04:05.006\t受信\t05GO\r\n");
  EXPECT_EQ(file_line(row_of(no_reply_event(0, 250), noon)), "2026-12-07 13:45:02.123\t\t応答なし (250 ms)\r\n");
}

#ifndef _WIN32
TEST(LogFormat, LocalTimeFollowsTheTimeZone) {
  const char* before = std::getenv("TZ");
  const std::string kept = before ? before : "";
  const auto zone = [](const char* tz) {
    ::setenv("TZ", tz, 1);
    ::tzset();
  };
  zone("UTC");
  EXPECT_EQ(local_time(1796651102123), (LocalTime{2026, 12, 7, 13, 45, 2, 123}));
  EXPECT_EQ(local_time(-1), (LocalTime{1969, 12, 31, 23, 59, 59, 999}));
  zone("JST-9");
  EXPECT_EQ(stamp_text(local_time(1796651102123)), "2026-12-07 22:45:02.123");
  if (before) ::setenv("TZ", kept.c_str(), 1);
  else ::unsetenv("TZ");
  ::tzset();
}
#endif

TEST(CommLog, TakesEverythingWaitingAndCountsWhatAFullQueueDropped) {
  CommLog log(3);
  EXPECT_TRUE(log.take_all().events.empty());
  for (int i = 0; i < 5; ++i) log.append(noise_event(100 + i, static_cast<std::size_t>(i)));
  LogBatch batch = log.take_all();
  ASSERT_EQ(batch.events.size(), 3u);
  EXPECT_EQ(batch.events[2].count, 2u);
  EXPECT_EQ(batch.dropped, 2u);
  EXPECT_EQ(batch.first_dropped_ms, 103);
  const std::vector<LogRow> rows = rows_of(batch, at_noon);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].text, "ノイズ 0 バイトを破棄");
  EXPECT_EQ(rows[3].text, "記録が追いつかず 2 件を省略");

  // Room again after a take, and nothing counted twice.
  EXPECT_TRUE(log.append(sent_event(200, "RVN\r\n")));
  batch = log.take_all();
  EXPECT_EQ(batch.events.size(), 1u);
  EXPECT_EQ(batch.dropped, 0u);
  EXPECT_EQ(rows_of(batch, at_noon).size(), 1u);
}

TEST(CommLog, WakesTheReaderOnlyForTheFirstEventAfterATake) {
  CommLog log(2);
  int wakes = 0;
  log.set_reader_wake([&wakes] { ++wakes; });
  log.append(sent_event(0, "A\r\n"));
  log.append(sent_event(0, "B\r\n"));
  log.append(sent_event(0, "C\r\n"));  // full: dropped, no wake
  EXPECT_EQ(wakes, 1);
  log.take_all();
  log.append(sent_event(0, "D\r\n"));
  EXPECT_EQ(wakes, 2);
  log.take_all();
  EXPECT_EQ(wakes, 2);  // taking wakes nobody
}

// Run under ThreadSanitizer too (tests/CMakeLists.txt): two threads append
// while this one takes; every event arrives once, in each thread's order,
// or is counted as dropped.
TEST(CommLog, TwoAppendingThreadsAndTheReader) {
  CommLog log(64);
  constexpr int per_thread = 20000;
  auto append_all = [&log](LogKind kind) {
    for (int i = 0; i < per_thread; ++i) {
      LogEvent e = sent_event(i, std::to_string(i));
      e.kind = kind;
      log.append(std::move(e));
    }
  };
  std::thread receiving(append_all, LogKind::received);
  std::thread sending(append_all, LogKind::sent);
  std::map<LogKind, std::int64_t> last{{LogKind::sent, -1}, {LogKind::received, -1}};
  std::uint64_t taken = 0, dropped = 0, out_of_order = 0;
  auto take = [&] {
    LogBatch batch = log.take_all();
    dropped += batch.dropped;
    for (const LogEvent& e : batch.events) {
      if (e.bytes != std::to_string(e.time_ms) || e.time_ms <= last[e.kind]) ++out_of_order;
      last[e.kind] = e.time_ms;
      ++taken;
    }
  };
  while (taken + dropped < 2 * per_thread) {
    take();
    if (taken + dropped >= 2 * per_thread) break;
    std::this_thread::yield();
  }
  receiving.join();
  sending.join();
  take();
  EXPECT_EQ(taken + dropped, 2u * per_thread);
  EXPECT_EQ(out_of_order, 0u);
  EXPECT_GT(taken, 0u);
}

TEST(LogRows, Row10001DropsRow1) {
  LogRows rows;
  std::vector<LogRow> batch;
  for (int i = 1; i <= 10000; ++i) batch.push_back({noon, LogDirection::received, std::to_string(i)});
  EXPECT_EQ(rows.append(std::move(batch)), 0u);
  EXPECT_EQ(rows[0].text, "1");
  EXPECT_EQ(rows.append({{noon, LogDirection::sent, "10001"}}), 1u);
  ASSERT_EQ(rows.size(), 10000u);
  EXPECT_EQ(rows[0].text, "2");
  EXPECT_EQ(rows[9999].text, "10001");

  const std::string saved = rows.save_text();
  const std::string first = "\xEF\xBB\xBF" "2026-12-07 13:45:02.123\t受信\t2\r\n";
  const std::string last = "2026-12-07 13:45:02.123\t送信\t10001\r\n";
  EXPECT_EQ(saved.substr(0, first.size()), first);
  EXPECT_EQ(saved.substr(saved.size() - last.size()), last);
  rows.clear();
  EXPECT_EQ(rows.save_text(), "\xEF\xBB\xBF");
}

// Files by name: "log" and "log.1".
class FakeStore : public LogFileStore {
 public:
  std::map<std::string, std::string> files;
  bool refuse_append = false, refuse_rotate = false, unknown_size = false;
  int calls = 0;

  std::optional<std::uint64_t> size() override {
    ++calls;
    if (unknown_size) return std::nullopt;
    return files.count("log") ? files["log"].size() : 0;
  }
  bool append(std::string_view bytes) override {
    ++calls;
    if (refuse_append) return false;
    files["log"] += bytes;
    return true;
  }
  bool rotate() override {
    ++calls;
    if (refuse_rotate) return false;
    files["log.1"] = files["log"];
    files.erase("log");
    return true;
  }
};

std::vector<LogRow> rows_saying(std::initializer_list<const char*> texts) {
  std::vector<LogRow> rows;
  for (const char* t : texts) rows.push_back({noon, LogDirection::sent, t});
  return rows;
}

TEST(LogFile, StartsWithAMarkAndMovesAFullFileAsideAtTheLimit) {
  const std::string line_a = file_line(rows_saying({"A"})[0]);
  FakeStore store;
  LogFileWriter writer(store, 3 + 3 * line_a.size());
  EXPECT_EQ(writer.append(rows_saying({"A", "A"})), LogFileWriter::Result::written);
  EXPECT_EQ(store.files["log"], "\xEF\xBB\xBF" + line_a + line_a);
  // The third row fills the file to the limit; the fourth starts a new one.
  EXPECT_EQ(writer.append(rows_saying({"A", "B"})), LogFileWriter::Result::written);
  EXPECT_EQ(store.files["log.1"], "\xEF\xBB\xBF" + line_a + line_a + line_a);
  EXPECT_EQ(store.files["log"], "\xEF\xBB\xBF" + file_line(rows_saying({"B"})[0]));
  // A row larger than the limit still goes in: one to a file.
  const std::string big(200, 'x');
  writer.append(rows_saying({big.c_str(), "C"}));
  EXPECT_EQ(store.files["log.1"], "\xEF\xBB\xBF" + file_line(rows_saying({big.c_str()})[0]));

  // An existing file is appended to as it is, and moved aside at 10 MB.
  FakeStore old;
  old.files["log"] = "earlier rows\r\n";
  LogFileWriter appending(old);
  appending.append(rows_saying({"A"}));
  EXPECT_EQ(old.files["log"], "earlier rows\r\n" + line_a);
  old.files["log"].resize(10 * 1024 * 1024 - line_a.size(), 'z');
  appending.restart();
  appending.append(rows_saying({"A", "A"}));
  EXPECT_EQ(old.files["log.1"].size(), 10u * 1024 * 1024);
  EXPECT_EQ(old.files["log"], "\xEF\xBB\xBF" + line_a);
}

TEST(LogFile, AFileThatCannotBeWrittenIsReportedOnceUntilTurnedOnAgain) {
  for (int failing : {0, 1, 2}) {
    FakeStore store;
    store.unknown_size = failing == 0;
    store.refuse_append = failing == 1;
    store.refuse_rotate = failing == 2;
    LogFileWriter writer(store, 100);
    const std::vector<LogRow> rows = rows_saying({"VAB01100", "GO", "RVN", "VN1.00"});
    EXPECT_EQ(writer.append(rows), LogFileWriter::Result::failed) << failing;
    const int calls = store.calls;
    EXPECT_EQ(writer.append(rows), LogFileWriter::Result::stopped);
    EXPECT_EQ(store.calls, calls);  // nothing tried
    store = FakeStore();
    writer.restart();
    EXPECT_EQ(writer.append(rows), LogFileWriter::Result::written);
  }
}

TEST(LogFile, OnDiskThroughTheStandardLibrary) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("zanteq-log-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(dir);
  const auto read = [](const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  };
  {
    std::ofstream(dir / "comm.log.1") << "an older file";
    PathLogFileStore store(dir / "comm.log");
    const std::string line = file_line(rows_saying({"GO"})[0]);
    LogFileWriter writer(store, 3 + 2 * line.size());
    EXPECT_EQ(writer.append(rows_saying({"GO", "GO"})), LogFileWriter::Result::written);
    EXPECT_EQ(writer.append(rows_saying({"GO"})), LogFileWriter::Result::written);
    EXPECT_EQ(read(dir / "comm.log.1"), "\xEF\xBB\xBF" + line + line);
    EXPECT_EQ(read(dir / "comm.log"), "\xEF\xBB\xBF" + line);

    PathLogFileStore nowhere(dir / "missing" / "comm.log");
    LogFileWriter failing(nowhere);
    EXPECT_EQ(failing.append(rows_saying({"GO"})), LogFileWriter::Result::failed);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zanteq
