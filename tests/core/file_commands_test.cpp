// New, Open, Save, Save As and the question at exit, against an in-memory
// file system and scripted answers of the user.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <set>

#include "tests/core/fakes.h"
#include "core/settings/file_commands.h"
#include "core/settings/settings_file.h"

namespace zanteq {
namespace {

using testing::Box;
using testing::RecordingReporter;

class FakeFilePlatform : public FilePlatform {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> unwritable;         // targets the system will not replace (read-only)
  bool no_new_files = false;                // the folder takes no new file
  std::size_t disk_room = SIZE_MAX;         // bytes a write gets through before it fails
  std::vector<std::string> errors;          // file boxes, in order
  std::deque<bool> answers;                 // Yes/No, in order
  std::deque<std::optional<std::string>> choices;  // file dialog results, in order
  bool replace_answer = false;

  std::vector<std::string> questions;
  std::vector<FileDialogMode> dialogs;
  std::vector<std::string> replace_questions;
  std::vector<std::string> shown_names;

  bool ask_yes_no(const char* text) override {
    questions.emplace_back(text);
    EXPECT_FALSE(answers.empty()) << "unexpected question " << text;
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<std::string> choose_file(FileDialogMode mode) override {
    dialogs.push_back(mode);
    EXPECT_FALSE(choices.empty()) << "unexpected file dialog";
    if (choices.empty()) return std::nullopt;
    auto choice = choices.front();
    choices.pop_front();
    return choice;
  }
  bool file_exists(const std::string& path) override { return files.count(path) != 0; }
  bool confirm_replace(const std::string& path) override {
    replace_questions.push_back(path);
    return replace_answer;
  }
  std::optional<std::string> read_file(const std::string& path) override {
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
  }
  // Saving: the platform's safe replace takes the whole file or leaves it.
  bool replace_file(const std::string& path, const std::string& bytes) override {
    if (no_new_files || unwritable.count(path) != 0 || bytes.size() > disk_room) return false;
    files[path] = bytes;
    return true;
  }
  void show_file_error(const std::string& text) override { errors.push_back(text); }
  void show_file_name(const std::string& path) override { shown_names.push_back(path); }
};

class FileCommandsTest : public ::testing::Test {
 protected:
  FileCommandsTest() { reset_settings(app); }

  std::string defaults_file() {
    AppState fresh;
    reset_settings(fresh);
    return format_settings_file(fresh.record);
  }

  AppState app;
  FakeFilePlatform platform;
  RecordingReporter reporter;
  FileCommands commands{app, platform, reporter};
};

TEST_F(FileCommandsTest, SaveAsWritesTheRecordAndRemembersThePath) {
  app.record.brightness[1] = 3;
  app.data_modified = 1;
  platform.choices.push_back(std::string("C:\\data\\set1.dat"));

  EXPECT_TRUE(commands.file_save_as());

  EXPECT_EQ(platform.dialogs, std::vector<FileDialogMode>{FileDialogMode::save});
  ASSERT_EQ(platform.files.count("C:\\data\\set1.dat"), 1u);
  EXPECT_EQ(platform.files["C:\\data\\set1.dat"], format_settings_file(app.record));
  EXPECT_EQ(app.file_name, "C:\\data\\set1.dat");
  EXPECT_EQ(app.data_modified, 0);
  EXPECT_EQ(platform.shown_names, std::vector<std::string>{"C:\\data\\set1.dat"});
  EXPECT_TRUE(reporter.boxes.empty());
}

TEST_F(FileCommandsTest, SaveAsAppendsTheExtensionToAPlainName) {
  platform.choices.push_back(std::string("C:\\data\\set1"));
  EXPECT_TRUE(commands.file_save_as());
  EXPECT_EQ(platform.files.count("C:\\data\\set1.dat"), 1u);
  EXPECT_EQ(platform.files.count("C:\\data\\set1"), 0u);
  EXPECT_EQ(app.file_name, "C:\\data\\set1.dat");
  EXPECT_TRUE(platform.replace_questions.empty());
}

TEST_F(FileCommandsTest, SaveAsAsksBeforeReplacingTheFileTheExtensionLandsOn) {
  platform.files["C:\\data\\set1.dat"] = "precious";
  app.data_modified = 1;

  platform.choices.push_back(std::string("C:\\data\\set1"));
  platform.replace_answer = false;
  EXPECT_FALSE(commands.file_save_as());
  EXPECT_EQ(platform.replace_questions, std::vector<std::string>{"C:\\data\\set1.dat"});
  EXPECT_EQ(platform.files["C:\\data\\set1.dat"], "precious");
  EXPECT_EQ(app.file_name, "");
  EXPECT_EQ(app.data_modified, 1);

  platform.choices.push_back(std::string("C:\\data\\set1"));
  platform.replace_answer = true;
  EXPECT_TRUE(commands.file_save_as());
  EXPECT_EQ(platform.files["C:\\data\\set1.dat"], defaults_file());
  EXPECT_EQ(app.file_name, "C:\\data\\set1.dat");
}

TEST_F(FileCommandsTest, SaveAsLeavesTheQuestionToTheDialogWhenTheNameIsKept) {
  // The save dialog itself asked about this name; no second question.
  platform.files["C:\\data\\set1.dat"] = "old";
  platform.choices.push_back(std::string("C:\\data\\set1.dat"));
  EXPECT_TRUE(commands.file_save_as());
  EXPECT_TRUE(platform.replace_questions.empty());
  EXPECT_EQ(platform.files["C:\\data\\set1.dat"], defaults_file());
}

TEST_F(FileCommandsTest, SaveAsCancelledOrFailingChangesNothing) {
  app.data_modified = 1;
  platform.choices.push_back(std::nullopt);
  EXPECT_FALSE(commands.file_save_as());
  EXPECT_TRUE(reporter.boxes.empty());

  platform.no_new_files = true;
  platform.choices.push_back(std::string("C:\\ro\\set1.dat"));
  EXPECT_FALSE(commands.file_save_as());
  EXPECT_EQ(platform.errors, std::vector<std::string>{save_failed_text("C:\\ro\\set1.dat")});
  EXPECT_TRUE(platform.files.empty());
  EXPECT_EQ(app.file_name, "");
  EXPECT_EQ(app.data_modified, 1);
  EXPECT_TRUE(platform.shown_names.empty());
}

TEST_F(FileCommandsTest, SaveWithoutAFileSaysSoAndOffersNoDialog) {
  app.data_modified = 1;
  EXPECT_FALSE(commands.file_save());
  EXPECT_EQ(reporter.boxes, (std::vector<Box>{{Box::warning, "Don't file open"}}));
  EXPECT_TRUE(platform.dialogs.empty());
  EXPECT_EQ(app.data_modified, 1);
}

TEST_F(FileCommandsTest, SaveReplacesTheRememberedFile) {
  app.file_name = "C:\\data\\set1.dat";
  platform.files[app.file_name] = "old";
  app.record.hue[3] = 200;
  app.data_modified = 1;
  EXPECT_TRUE(commands.file_save());
  EXPECT_EQ(platform.files[app.file_name], format_settings_file(app.record));
  EXPECT_EQ(app.data_modified, 0);
  EXPECT_TRUE(platform.dialogs.empty());
}

// Whichever step of a save fails, the old file keeps its bytes, no new
// file is left behind, a box names the file and the changes stay unsaved.
TEST_F(FileCommandsTest, AFailedSaveLeavesTheOldFileAsItWas) {
  app.file_name = "C:\\data\\set1.dat";
  const std::string old_bytes = defaults_file();
  app.record.hue[3] = 200;
  enum Step { no_new_file, disk_full_halfway, replace_refused };
  for (Step step : {no_new_file, disk_full_halfway, replace_refused}) {
    platform.files = {{app.file_name, old_bytes}};
    platform.no_new_files = step == no_new_file;
    platform.disk_room = step == disk_full_halfway ? old_bytes.size() / 2 : SIZE_MAX;
    if (step == replace_refused) platform.unwritable.insert(app.file_name);
    platform.errors.clear();
    app.data_modified = 1;

    EXPECT_FALSE(commands.file_save()) << step;
    EXPECT_EQ(platform.files, (std::map<std::string, std::string>{{app.file_name, old_bytes}})) << step;
    EXPECT_EQ(platform.errors, std::vector<std::string>{save_failed_text(app.file_name)}) << step;
    EXPECT_NE(platform.errors[0].find("C:\\data\\set1.dat"), std::string::npos);
    EXPECT_EQ(app.data_modified, 1) << step;
  }
  EXPECT_TRUE(reporter.boxes.empty());

  platform.unwritable.clear();
  platform.disk_room = SIZE_MAX;
  EXPECT_TRUE(commands.file_save());
  EXPECT_EQ(platform.files, (std::map<std::string, std::string>{{app.file_name, format_settings_file(app.record)}}));
}

TEST_F(FileCommandsTest, OpenLoadsTheFileIntoTheRecord) {
  AppState other;
  reset_settings(other);
  other.record.contrast[0] = 12;
  other.record.title[1].set("");
  other.record.alarm_hold_time.set("120");
  platform.files["C:\\data\\site.dat"] = format_settings_file(other.record);
  platform.choices.push_back(std::string("C:\\data\\site.dat"));

  commands.file_open();

  EXPECT_EQ(platform.dialogs, std::vector<FileDialogMode>{FileDialogMode::open});
  EXPECT_EQ(app.record.contrast[0], 12);
  EXPECT_EQ(app.record.title[1].str(), "");
  EXPECT_EQ(app.record.alarm_hold_time.str(), "120");
  EXPECT_EQ(app.file_name, "C:\\data\\site.dat");
  EXPECT_EQ(app.data_modified, 0);
  EXPECT_EQ(platform.shown_names, std::vector<std::string>{"C:\\data\\site.dat"});
  EXPECT_TRUE(platform.questions.empty());
}

TEST_F(FileCommandsTest, OpenRefusesADamagedFileAndChangesNothing) {
  app.file_name = "C:\\data\\before.dat";
  app.record.hue[0] = 9;
  app.data_modified = 1;
  const std::string before = format_settings_file(app.record);
  const std::string whole = defaults_file();
  // A copy cut off in the middle of line 40.
  std::size_t cut = 0;
  for (int line = 0; line < 39; ++line) cut = whole.find('\n', cut) + 1;
  platform.files["C:\\data\\cut.dat"] = whole.substr(0, cut) + "6";
  platform.answers.push_back(true);
  platform.choices.push_back(std::string("C:\\data\\cut.dat"));

  commands.file_open();

  ASSERT_EQ(platform.errors.size(), 1u);
  EXPECT_EQ(platform.errors[0],
            "設定ファイルの内容が正しくないため、読み込みを中止しました。\n\nC:\\data\\cut.dat\n\n"
            "41行目: ファイルが途中で終わっています（40行しかありません。72行必要です）。\n\n"
            "現在の設定は変わっていません。");
  EXPECT_EQ(format_settings_file(app.record), before);
  EXPECT_EQ(app.file_name, "C:\\data\\before.dat");
  EXPECT_EQ(app.data_modified, 1);
  EXPECT_TRUE(platform.shown_names.empty());
  EXPECT_TRUE(reporter.boxes.empty());
}

TEST_F(FileCommandsTest, OpenOfAMissingFileChangesNothing) {
  app.file_name = "C:\\data\\before.dat";
  app.record.hue[0] = 9;
  app.data_modified = 1;
  platform.answers.push_back(true);
  platform.choices.push_back(std::string("C:\\data\\gone.dat"));

  commands.file_open();

  EXPECT_EQ(reporter.boxes, (std::vector<Box>{{Box::warning, "Can't file open"}}));
  EXPECT_EQ(app.file_name, "C:\\data\\before.dat");
  EXPECT_EQ(app.record.hue[0], 9);
  EXPECT_EQ(app.data_modified, 1);
}

TEST_F(FileCommandsTest, OpenAndNewAskFirstWhenChangesAreUnsaved) {
  app.data_modified = 1;
  app.record.hue[0] = 9;

  platform.answers.push_back(false);
  commands.file_open();
  platform.answers.push_back(false);
  commands.file_new();
  EXPECT_EQ(platform.questions, (std::vector<std::string>{open_question, new_question}));
  EXPECT_TRUE(platform.dialogs.empty());
  EXPECT_EQ(app.record.hue[0], 9);
  EXPECT_EQ(app.data_modified, 1);

  platform.answers.push_back(true);
  commands.file_new();
  EXPECT_EQ(app.record.hue[0], 0);
  EXPECT_EQ(app.data_modified, 0);
}

TEST_F(FileCommandsTest, NewRestoresDefaultsAndKeepsTheFileForTheNextSave) {
  app.file_name = "C:\\data\\site.dat";
  app.record.saturation[2] = 1;
  app.link.slave_address = 7;

  commands.file_new();

  EXPECT_TRUE(platform.questions.empty());
  EXPECT_EQ(app.record.saturation[2], 80);
  EXPECT_EQ(app.link.slave_address, 7);
  EXPECT_EQ(app.file_name, "C:\\data\\site.dat");
  EXPECT_EQ(platform.shown_names, std::vector<std::string>{"C:\\data\\site.dat"});

  EXPECT_TRUE(commands.file_save());
  EXPECT_EQ(platform.files["C:\\data\\site.dat"], defaults_file());
}

TEST_F(FileCommandsTest, NewAndOpenWaitWhileASequenceRuns) {
  app.link.sequence_step = 3;
  app.record.hue[0] = 9;
  app.data_modified = 1;
  commands.file_new();
  commands.file_open();
  EXPECT_TRUE(platform.questions.empty());
  EXPECT_TRUE(platform.dialogs.empty());
  EXPECT_EQ(app.record.hue[0], 9);

  // Saving is not blocked.
  platform.choices.push_back(std::string("C:\\data\\during.dat"));
  EXPECT_TRUE(commands.file_save_as());
}

TEST_F(FileCommandsTest, ExitWithoutChangesAsksNothing) {
  EXPECT_TRUE(commands.confirm_exit());
  EXPECT_TRUE(platform.questions.empty());
}

TEST_F(FileCommandsTest, ExitAnsweredYesLeavesWithoutSaving) {
  app.data_modified = 1;
  platform.answers.push_back(true);
  EXPECT_TRUE(commands.confirm_exit());
  EXPECT_EQ(platform.questions, std::vector<std::string>{exit_question});
  EXPECT_TRUE(platform.files.empty());
}

TEST_F(FileCommandsTest, ExitAnsweredNoSavesToTheKnownFileThenLeaves) {
  app.data_modified = 1;
  app.file_name = "C:\\data\\site.dat";
  platform.answers.push_back(false);
  EXPECT_TRUE(commands.confirm_exit());
  EXPECT_TRUE(platform.dialogs.empty());
  EXPECT_EQ(platform.files.count("C:\\data\\site.dat"), 1u);
}

TEST_F(FileCommandsTest, ExitAnsweredNoWithoutAFileOffersSaveAs) {
  app.data_modified = 1;
  platform.answers.push_back(false);
  platform.choices.push_back(std::string("C:\\data\\new"));
  EXPECT_TRUE(commands.confirm_exit());
  EXPECT_EQ(platform.dialogs, std::vector<FileDialogMode>{FileDialogMode::save});
  EXPECT_EQ(platform.files.count("C:\\data\\new.dat"), 1u);
}

TEST_F(FileCommandsTest, ExitStaysWhenTheSaveIsCancelledOrFails) {
  app.data_modified = 1;
  platform.answers.push_back(false);
  platform.choices.push_back(std::nullopt);
  EXPECT_FALSE(commands.confirm_exit());
  EXPECT_EQ(app.data_modified, 1);

  app.file_name = "C:\\ro\\site.dat";
  platform.unwritable.insert(app.file_name);
  platform.answers.push_back(false);
  EXPECT_FALSE(commands.confirm_exit());
  EXPECT_EQ(app.data_modified, 1);
  EXPECT_EQ(platform.errors, std::vector<std::string>{save_failed_text(app.file_name)});
}

TEST_F(FileCommandsTest, SavedFileReadsBackAsTheSameRecord) {
  app.record.title[2].set("");
  app.record.brightness[0] = 0;
  app.record.agc[3] = 0;
  platform.choices.push_back(std::string("C:\\data\\round.dat"));
  ASSERT_TRUE(commands.file_save_as());
  const std::string first = platform.files["C:\\data\\round.dat"];

  commands.file_new();
  platform.choices.push_back(std::string("C:\\data\\round.dat"));
  commands.file_open();
  EXPECT_EQ(app.record.title[2].str(), "");
  EXPECT_EQ(app.record.brightness[0], 0);
  EXPECT_EQ(app.record.agc[3], 0);
  EXPECT_EQ(format_settings_file(app.record), first);
}

}  // namespace
}  // namespace zanteq
