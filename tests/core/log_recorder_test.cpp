// The communication log's reader in the Windows program: rows and file
// from start-up, the check box and its kept setting, a file that fails,
// 保存…, and where the list stands after a take.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

#include "core/log/log_recorder.h"

namespace zanteq {
namespace {

const LocalTime noon{2026, 12, 7, 13, 45, 2, 123};
LocalTime at_noon(std::int64_t) { return noon; }

const std::string bom = "\xEF\xBB\xBF";
std::string line(const char* direction, const char* text) {
  return std::string("2026-12-07 13:45:02.123\t") + direction + "\t" + text + "\r\n";
}

using Files = std::map<std::string, std::string>;

class MemoryStore final : public LogFileStore {
 public:
  MemoryStore(Files& files, std::string path, const bool& refuse) : files_(files), path_(std::move(path)), refuse_(refuse) {}
  std::optional<std::uint64_t> size() override { return files_.count(path_) ? files_[path_].size() : 0; }
  bool append(std::string_view bytes) override {
    if (refuse_) return false;
    files_[path_] += bytes;
    return true;
  }
  bool rotate() override { return false; }

 private:
  Files& files_;
  std::string path_;
  const bool& refuse_;
};

class FakePlatform final : public LogRecorderPlatform {
 public:
  Files files;
  bool refuse_writes = false;
  std::vector<std::optional<std::string>> answers;  // the save dialogs' answers, in order
  std::vector<LogFileUse> asked;
  std::function<void()> while_asking;               // what the log timer does meanwhile
  std::vector<std::string> kept, boxes;
  int changes = 0;

  std::optional<std::string> choose_file(LogFileUse use) override {
    asked.push_back(use);
    if (while_asking) while_asking();
    if (answers.empty()) return std::nullopt;
    std::optional<std::string> answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
  bool can_write(const std::string&) override { return !refuse_writes; }
  std::unique_ptr<LogFileStore> open_store(const std::string& path) override {
    return std::make_unique<MemoryStore>(files, path, refuse_writes);
  }
  void keep_setting(bool to_file, const std::string& path) override {
    kept.push_back(std::to_string(to_file) + " " + path);
  }
  bool replace_file(const std::string& path, const std::string& bytes, std::string& error) override {
    if (refuse_writes) return error = "Access denied.", false;
    files[path] = bytes;
    return true;
  }
  void show_file_error(const std::string& text) override { boxes.push_back(text); }
  void recording_changed() override { ++changes; }
};

class Recorder : public ::testing::Test {
 protected:
  void sent(const char* text) { log.append(sent_event(0, text)); }
  void received(const char* text) { log.append(received_event(0, text)); }

  CommLog log;
  FakePlatform platform;
  LogRecorder recorder{log, platform, 3, at_noon};
};

TEST_F(Recorder, RecordsFromStartUpAndKeepsTheNewestRows) {
  recorder.start(true, "C:\\logs\\comm.log");
  EXPECT_TRUE(recorder.to_file());
  EXPECT_TRUE(platform.kept.empty());  // nothing written or shown at start-up
  log.append(port_event(0, LogKind::port_opened, "COM1"));
  sent("AMI\r\n");
  received("GO\r\n");
  LogRecorder::Taken taken = recorder.take();
  EXPECT_EQ(taken.added, 3u);
  EXPECT_EQ(taken.dropped, 0u);
  EXPECT_EQ(platform.files["C:\\logs\\comm.log"],
            bom + line("", "COM1 を開きました") + line("送信", "AMI") + line("受信", "GO"));

  // The bound drops the oldest rows; the file keeps every row.
  sent("RVN\r\n");
  received("VN1.00\r\n");
  taken = recorder.take();
  EXPECT_EQ(taken.added, 2u);
  EXPECT_EQ(taken.dropped, 2u);
  ASSERT_EQ(recorder.rows().size(), 3u);
  EXPECT_EQ(recorder.rows()[0].text, "GO");
  EXPECT_EQ(recorder.rows()[2].text, "VN1.00");
  EXPECT_EQ(platform.files["C:\\logs\\comm.log"], bom + line("", "COM1 を開きました") + line("送信", "AMI") +
                                                    line("受信", "GO") + line("送信", "RVN") + line("受信", "VN1.00"));
  EXPECT_EQ(recorder.take().added, 0u);

  // Kept on without a file: off, nothing asked.
  LogRecorder unnamed{log, platform, 3, at_noon};
  unnamed.start(true, "");
  EXPECT_FALSE(unnamed.to_file());
  EXPECT_TRUE(platform.asked.empty());
}

TEST_F(Recorder, TheCheckBoxAsksForAFileOnceAndKeepsItsState) {
  recorder.start(false, "");
  recorder.set_to_file(true);  // cancelled: stays off, nothing kept
  EXPECT_EQ(platform.asked, std::vector<LogFileUse>{LogFileUse::record});
  EXPECT_FALSE(recorder.to_file());
  EXPECT_TRUE(platform.kept.empty());
  EXPECT_EQ(platform.changes, 1);  // the check box is cleared again

  platform.answers = {"D:\\a.log"};
  sent("AMI\r\n");
  recorder.set_to_file(true);
  EXPECT_TRUE(recorder.to_file());
  EXPECT_EQ(platform.kept, std::vector<std::string>{"1 D:\\a.log"});
  received("GO\r\n");
  recorder.take();  // what came before is in the file too: it was not taken yet
  EXPECT_EQ(platform.files["D:\\a.log"], bom + line("送信", "AMI") + line("受信", "GO"));

  recorder.set_to_file(false);
  sent("RVN\r\n");
  recorder.take();
  recorder.set_to_file(true);  // the same file again, without a question
  sent("AMI\r\n");
  recorder.take();
  EXPECT_EQ(platform.asked.size(), 2u);
  EXPECT_EQ(platform.kept, (std::vector<std::string>{"1 D:\\a.log", "0 D:\\a.log", "1 D:\\a.log"}));
  EXPECT_EQ(platform.files["D:\\a.log"], bom + line("送信", "AMI") + line("受信", "GO") + line("送信", "AMI"));

  // Another file: the next rows go there, with a mark of their own.
  platform.answers = {"E:\\b.log"};
  recorder.choose_file_again();
  received("GO\r\n");
  recorder.take();
  EXPECT_EQ(platform.files["E:\\b.log"], bom + line("受信", "GO"));
  EXPECT_EQ(platform.kept.back(), "1 E:\\b.log");
}

TEST_F(Recorder, AFileThatCannotBeWrittenIsSaidOnceAndTheBoxIsCleared) {
  recorder.start(true, "F:\\gone.log");
  platform.refuse_writes = true;
  sent("AMI\r\n");
  LogRecorder::Taken taken = recorder.take();
  EXPECT_NE(taken.file_error.find("F:\\gone.log"), std::string::npos);
  EXPECT_EQ(taken.added, 1u);  // the rows are shown all the same
  EXPECT_FALSE(recorder.to_file());
  EXPECT_EQ(platform.kept, std::vector<std::string>{"0 F:\\gone.log"});
  EXPECT_EQ(platform.changes, 1);
  sent("AMI\r\n");
  EXPECT_TRUE(recorder.take().file_error.empty());

  // Turned on again while it still cannot be written: said at once, stays off.
  recorder.set_to_file(true);
  EXPECT_FALSE(recorder.to_file());
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_NE(platform.boxes[0].find("F:\\gone.log"), std::string::npos);
  EXPECT_EQ(platform.kept.size(), 1u);
}

TEST_F(Recorder, SaveWritesTheRowsAsTheyAreOnceTheNameIsChosen) {
  sent("AMI\r\n");
  recorder.take();
  recorder.save();  // cancelled
  EXPECT_TRUE(platform.files.empty());

  // The log timer runs while the save dialog is open.
  platform.while_asking = [this] {
    received("GO\r\n");
    recorder.take();
  };
  platform.answers = {"G:\\saved.txt"};
  recorder.save();
  EXPECT_EQ(platform.asked.back(), LogFileUse::save);
  EXPECT_EQ(platform.files["G:\\saved.txt"], bom + line("送信", "AMI") + line("受信", "GO"));

  platform.while_asking = nullptr;
  platform.refuse_writes = true;
  platform.answers = {"G:\\saved.txt"};
  recorder.save();
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_NE(platform.boxes[0].find("G:\\saved.txt\nAccess denied."), std::string::npos);
  EXPECT_EQ(platform.files["G:\\saved.txt"], bom + line("送信", "AMI") + line("受信", "GO"));

  recorder.clear();
  EXPECT_TRUE(recorder.rows().empty());

  EXPECT_EQ(log_file_offered_name(LogFileUse::save, {2027, 1, 2, 3, 4, 5, 6}), "通信ログ_20270102_030405.txt");
  EXPECT_EQ(log_file_offered_name(LogFileUse::record, noon), "通信ログ.log");
}

TEST(LogViewPlace, FollowsTheNewestUnlessScrolledUp) {
  // 20 rows shown per page.
  EXPECT_TRUE(log_view_place(0, 20, 5, 0).newest);      // all rows fit
  EXPECT_TRUE(log_view_place(80, 20, 100, 3).newest);   // the newest row was in view
  EXPECT_TRUE(log_view_place(0, 20, 0, 0).newest);      // after クリア
  const LogViewPlace up = log_view_place(40, 20, 100, 0);
  EXPECT_FALSE(up.newest);
  EXPECT_EQ(up.top, 40u);
  EXPECT_EQ(log_view_place(40, 20, 100, 15).top, 25u);  // the same rows, moved up
  EXPECT_EQ(log_view_place(10, 20, 100, 15).top, 0u);   // they were dropped themselves
  EXPECT_FALSE(log_view_place(10, 20, 100, 15).newest);
}

TEST(LogListPace, ShowsAtOnceButOnceASecondWhileARunHoldsTheLine) {
  LogListPace pace;
  const auto rows = [](std::size_t added, std::size_t dropped = 0) {
    LogRecorder::Taken t;
    t.added = added;
    t.dropped = dropped;
    return t;
  };
  const auto shown = [](const std::optional<LogRecorder::Taken>& t) {
    return t ? std::to_string(t->added) + "+" + std::to_string(t->dropped) + (t->file_error.empty() ? "" : " " + t->file_error)
             : std::string("-");
  };
  EXPECT_EQ(shown(pace.take(0, rows(3), false)), "3+0");
  EXPECT_EQ(shown(pace.take(100, rows(0), false)), "-") << "nothing new";

  // A run from 5000 on: its rows wait a second from its start, added and
  // dropped counted up, and again a second after each showing.
  EXPECT_EQ(shown(pace.take(5000, rows(4), true)), "-");
  EXPECT_TRUE(pace.waiting());
  EXPECT_EQ(shown(pace.take(5900, rows(6, 2), true)), "-");
  EXPECT_EQ(shown(pace.take(6000, rows(1, 1), true)), "11+3");
  EXPECT_FALSE(pace.waiting());
  EXPECT_EQ(shown(pace.take(6500, rows(2), true)), "-");
  LogRecorder::Taken failed = rows(1);
  failed.file_error = "cannot write";
  EXPECT_EQ(shown(pace.take(6600, failed, true)), "3+0 cannot write") << "a file error never waits";
  EXPECT_EQ(shown(pace.take(6700, rows(5), true)), "-");
  // The run ends: what waited shows at the next take, with nothing new.
  EXPECT_EQ(shown(pace.take(6800, rows(0), false)), "5+0");

  // The next run counts its second from its own start; クリア forgets what
  // waited.
  EXPECT_EQ(shown(pace.take(20000, rows(2), true)), "-");
  pace.clear();
  EXPECT_FALSE(pace.waiting());
  EXPECT_EQ(shown(pace.take(20500, rows(0), false)), "-");
}

}  // namespace
}  // namespace zanteq
