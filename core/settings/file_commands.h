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
#include "core/settings/settings_file.h"

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

  // Gives `path` the content `bytes` through the platform's safe replace:
  // the user's file is never left empty or half written (a full disk, a USB
  // stick pulled, a share gone), and a read-only file stays as it is. False
  // when the file could not be replaced; it is then as it was.
  virtual bool replace_file(const std::string& path, const std::string& bytes) = 0;

  // A box about a file on the interface thread (caption "Error",
  // exclamation icon); the text names the file. UTF-8.
  virtual void show_file_error(const std::string& text) = 0;
  // The file now in use changed (or was confirmed): show it to the user.
  virtual void show_file_name(const std::string& path) = 0;
};

// The texts of the questions, as the user sees them.
extern const char* const new_question;   // "データを保存せずに新規作成しますか？"
extern const char* const open_question;  // "データを保存せずに別のファイルを開きますか？"
extern const char* const exit_question;  // "データを保存せずに終了しますか？"

// The boxes of a save that failed and of a file refused by Open; each names
// the file and says that nothing was lost.
std::string save_failed_text(const std::string& path);
std::string open_refused_text(const std::string& path, const SettingsFileFault& fault);

class FileCommands {
 public:
  FileCommands(AppState& app, FilePlatform& platform, Reporter& reporter)
      : app_(app), platform_(platform), reporter_(reporter) {}

  // Both do nothing while a timed sequence runs, and ask first when the
  // record holds unsaved changes. New keeps file_name: a later Save writes
  // the defaults to the file last opened or saved. Open takes a file only
  // when all of it is sound; otherwise it says which line is wrong and
  // leaves the record, file_name and data_modified as they were.
  void file_new();
  void file_open();

  // Each returns whether the record is now saved. A failed save leaves the
  // file as it was and the changes marked as unsaved.
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
