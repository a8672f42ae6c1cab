// The reader of the communication log in a program with a window: it takes
// what the threads appended (comm_log.h), keeps the newest rows for the
// 通信ログ window (log_rows.h), writes every row to the log file while
// "ファイルにも記録" is on (log_file.h) and saves the rows on 保存…. It
// runs from start-up, whether or not the window is open; the window only
// shows its rows and hands it the clicks of its buttons.
//
// The decisions live here: when to ask for a file, what is kept for the
// next start, when the file stops and what the boxes say. The platform
// gives the save dialogs, the file operations, the kept setting and the
// check box (LogRecorderPlatform). Paths are UTF-8.
//
// Interface thread only. The platform calls that open a modal dialog
// (choose_file) let the log timer run meanwhile, so take() may be called
// while set_to_file(), choose_file_again() or save() waits for the user;
// the recorder is in a consistent state at each of those calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/log/comm_log.h"
#include "core/log/log_file.h"
#include "core/log/log_format.h"
#include "core/log/log_rows.h"

namespace zanteq {

enum class LogFileUse {
  record,  // the file every row is appended to: an existing one is appended to
  save,    // a saved log (保存…): an existing one is replaced, after asking
};

class LogRecorderPlatform {
 public:
  virtual ~LogRecorderPlatform() = default;
  // The save dialog; nothing when the user cancels.
  virtual std::optional<std::string> choose_file(LogFileUse use) = 0;
  // Whether the file can be written, asked when the user turns recording
  // on, so a wrong choice is said at once rather than at the next row.
  virtual bool can_write(const std::string& path) = 0;
  // The file the rows are recorded to.
  virtual std::unique_ptr<LogFileStore> open_store(const std::string& path) = 0;
  // Kept for the next start ("log_to_file", "log_file").
  virtual void keep_setting(bool to_file, const std::string& path) = 0;
  // The platform's safe replace; false with the system's reason in `error`.
  virtual bool replace_file(const std::string& path, const std::string& bytes, std::string& error) = 0;
  // A box naming the file (caption "Error"), shown at once.
  virtual void show_file_error(const std::string& text) = 0;
  // to_file() or file_path() changed: the check box and the path follow.
  virtual void recording_changed() = 0;
};

// The name the save dialog offers: "通信ログ_20261207_134502.txt" for 保存…
// (the moment of saving), "通信ログ.log" for the file the rows go to.
std::string log_file_offered_name(LogFileUse use, const LocalTime& now);

// The boxes of a log file that cannot be written and of a 保存… that failed.
std::string log_file_failed_text(const std::string& path);
std::string log_save_failed_text(const std::string& path, const std::string& reason);

class LogRecorder {
 public:
  LogRecorder(CommLog& log, LogRecorderPlatform& platform, std::size_t row_limit = LogRows::default_limit,
              LocalTimeOf to_local = local_time);
  LogRecorder(const LogRecorder&) = delete;
  LogRecorder& operator=(const LogRecorder&) = delete;

  // Start-up, before anything is appended: the kept setting. Recording
  // starts when it was on and names a file; nothing is asked or shown.
  void start(bool to_file, const std::string& path);

  // What one take changed.
  struct Taken {
    std::size_t added = 0;    // rows added after the newest
    std::size_t dropped = 0;  // oldest rows dropped to keep the limit
    // The log file could not be written: recording has stopped, and this
    // box is to be shown once the rows are on screen. Empty otherwise.
    std::string file_error;
  };
  // The log timer: every event waiting becomes a row, goes to the file
  // while recording, and joins the rows.
  Taken take();

  const LogRows& rows() const { return rows_; }
  // クリア: the rows shown go; the file keeps them.
  void clear() { rows_.clear(); }

  bool to_file() const { return writer_.has_value(); }
  const std::string& file_path() const { return path_; }

  // The check box. Turning it on without a file asks for one first; a
  // question cancelled, or a file that cannot be written (said in a box),
  // leaves it off.
  void set_to_file(bool on);
  // Another file for the rows: asked for, and used from the next row on
  // when recording (one that cannot be written is said and not taken).
  void choose_file_again();

  // 保存…: the rows as a saved log, to a file asked for.
  void save();

 private:
  std::optional<std::string> writable_choice();
  void record_to(const std::string& path);
  void stop_recording();

  CommLog& log_;
  LogRecorderPlatform& platform_;
  const LocalTimeOf to_local_;
  LogRows rows_;
  std::string path_;
  std::unique_ptr<LogFileStore> store_;
  std::optional<LogFileWriter> writer_;  // while recording, on store_
};

// Where the 通信ログ list stands after a take. `top` is its first visible
// row and `per_page` how many it shows, as they were before the take, when
// it held `shown_before` rows; `dropped` of its oldest rows went.
struct LogViewPlace {
  bool newest = true;    // scroll to the newest row
  std::size_t top = 0;   // otherwise: the first visible row from now on
};
// It follows the newest row while that row was in view; a user who
// scrolled up keeps the rows they look at, moved up by those dropped above
// them.
LogViewPlace log_view_place(std::size_t top, std::size_t per_page, std::size_t shown_before, std::size_t dropped);

// When the 通信ログ list shows what the takes brought: at once, but while a
// run at the reply pace holds the line, once a second of it. A refresh of
// the list costs the interface thread (under Wine tens of milliseconds a
// time, a read-all's whole time again when done after every take), and the
// run's next command waits for it; the rows still reach the file at each
// take. Interface thread.
class LogListPace {
 public:
  static constexpr std::int64_t run_period_ms = 1000;

  // A take at `now_ms` brought `taken`: returns what the list is to show
  // now (the rows added and dropped since it last showed, and a file error,
  // which never waits), or nothing yet.
  std::optional<LogRecorder::Taken> take(std::int64_t now_ms, const LogRecorder::Taken& taken, bool run_holds_line);
  // Rows wait for the list: the caller takes again soon, so they are shown
  // once the run is over or its second has passed.
  bool waiting() const { return pending_.added > 0 || pending_.dropped > 0; }
  // クリア: the rows that waited are gone.
  void clear() { pending_ = {}; }

 private:
  LogRecorder::Taken pending_;
  bool in_run_ = false;
  std::int64_t held_since_ = 0;  // the list last showed, or the run began
};

}  // namespace zanteq
