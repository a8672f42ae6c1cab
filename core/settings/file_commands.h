// The file commands New, Open, Save and Save As and the save question at
// exit, over a small platform interface: the Windows program supplies the
// common dialogs, the question boxes and the file system; the decisions
// (when to ask, what to remember, what counts as saved) are made here.
//
// Paths are UTF-8 here; the Windows program converts them at its edge.
// Everything runs on the interface thread.
#pragma once

#include <optional>
#include <string>

#include "core/link/reporter.h"
#include "core/settings/record.h"

namespace zanteq {

enum class FileDialogMode { open, save };

class FilePlatform {
 public:
  virtual ~FilePlatform() = default;
  // Question box with Yes and No, caption "ZANTEQ"; true for Yes.
  virtual bool ask_yes_no(const char* text) = 0;
  // The common open or save dialog; nothing when the user cancels.
  virtual std::optional<std::string> choose_file(FileDialogMode mode) = 0;
  virtual bool file_exists(const std::string& path) = 0;
  // Asked before Save As replaces a file the save dialog did not ask about;
  // true to replace it.
  virtual bool confirm_replace(const std::string& path) = 0;
  // Whole content, nothing when the file cannot be opened.
  virtual std::optional<std::string> read_file(const std::string& path) = 0;
  // Writes the bytes as they are, replacing the file; false when that fails.
  virtual bool write_file(const std::string& path, const std::string& bytes) = 0;
  // The file now in use changed (or was confirmed): show it to the user.
  virtual void show_file_name(const std::string& path) = 0;
};

// The texts of the questions, as the user sees them.
extern const char* const new_question;   // "データを保存せずに新規作成しますか？"
extern const char* const open_question;  // "データを保存せずに別のファイルを開きますか？"
extern const char* const exit_question;  // "データを保存せずに終了しますか？"

class FileCommands {
 public:
  FileCommands(AppState& app, FilePlatform& platform, Reporter& reporter)
      : app_(app), platform_(platform), reporter_(reporter) {}

  // Both do nothing while a timed sequence runs, and ask first when the
  // record holds unsaved changes. New keeps file_name: a later Save writes
  // the defaults to the file last opened or saved.
  void file_new();
  void file_open();

  // Each returns whether the record is now saved.
  bool file_save();
  bool file_save_as();

  // The question at exit. True when the program may end: nothing to save,
  // the user chose to leave without saving, or the save succeeded. A
  // cancelled or failed save keeps the program open with its changes.
  bool confirm_exit();

 private:
  bool write_record(const std::string& path);

  AppState& app_;
  FilePlatform& platform_;
  Reporter& reporter_;
};

}  // namespace zanteq
