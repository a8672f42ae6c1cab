// The communication log's reader: rows, the log file and 保存….
#include "core/log/log_recorder.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace zanteq {

std::string log_file_offered_name(LogFileUse use, const LocalTime& now) {
  if (use == LogFileUse::record) return "通信ログ.log";
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d_%02d%02d%02d", now.year, now.month, now.day, now.hour, now.minute,
                now.second);
  return std::string("通信ログ_") + stamp + ".txt";
}

std::string log_file_failed_text(const std::string& path) {
  return "通信ログのファイルに書き込めません。\n\n" + path +
         "\n\nファイルへの記録を止めました。書き込み禁止、空き容量、USBメモリーや"
         "ネットワークの接続を確認し、「ファイルにも記録」を入れ直してください。";
}

std::string log_save_failed_text(const std::string& path, const std::string& reason) {
  std::string text = "通信ログを保存できませんでした。\n\n" + path;
  if (!reason.empty()) text += "\n" + reason;
  return text + "\n\n保存先のファイルは書き換えていません。";
}

LogRecorder::LogRecorder(CommLog& log, LogRecorderPlatform& platform, std::size_t row_limit, LocalTimeOf to_local)
    : log_(log), platform_(platform), to_local_(to_local), rows_(row_limit) {}

void LogRecorder::start(bool to_file, const std::string& path) {
  path_ = path;
  if (to_file && !path_.empty()) record_to(path_);
}

LogRecorder::Taken LogRecorder::take() {
  Taken taken;
  LogBatch batch = log_.take_all();
  if (batch.events.empty() && batch.dropped == 0) return taken;
  std::vector<LogRow> rows = rows_of(batch, to_local_);
  if (writer_ && writer_->append(rows) != LogFileWriter::Result::written) {
    // Said once, then nothing more is tried until the user turns it on
    // again: a pulled USB stick must not bring a box every 100 ms.
    taken.file_error = log_file_failed_text(path_);
    stop_recording();
  }
  taken.added = rows.size();
  taken.dropped = rows_.append(std::move(rows));
  return taken;
}

void LogRecorder::record_to(const std::string& path) {
  writer_.reset();
  path_ = path;
  store_ = platform_.open_store(path_);
  if (store_) writer_.emplace(*store_);
}

void LogRecorder::stop_recording() {
  writer_.reset();
  store_.reset();
  platform_.keep_setting(false, path_);
  platform_.recording_changed();
}

std::optional<std::string> LogRecorder::writable_choice() {
  const std::optional<std::string> chosen = platform_.choose_file(LogFileUse::record);
  if (!chosen || chosen->empty()) return std::nullopt;
  if (!platform_.can_write(*chosen)) {
    platform_.show_file_error(log_file_failed_text(*chosen));
    return std::nullopt;
  }
  return chosen;
}

void LogRecorder::set_to_file(bool on) {
  if (on && !to_file()) {
    std::optional<std::string> path = path_;
    if (path->empty()) {
      path = writable_choice();
    } else if (!platform_.can_write(*path)) {
      platform_.show_file_error(log_file_failed_text(*path));
      path.reset();
    }
    if (path) {
      record_to(*path);
      platform_.keep_setting(true, path_);
    }
  } else if (!on && to_file()) {
    return stop_recording();
  }
  platform_.recording_changed();  // also when nothing changed: the check box shows the state again
}

void LogRecorder::choose_file_again() {
  const std::optional<std::string> chosen = writable_choice();
  if (!chosen) return;
  if (to_file()) {
    record_to(*chosen);
  } else {
    path_ = *chosen;
  }
  platform_.keep_setting(to_file(), path_);
  platform_.recording_changed();
}

void LogRecorder::save() {
  const std::optional<std::string> chosen = platform_.choose_file(LogFileUse::save);
  if (!chosen || chosen->empty()) return;
  // The rows as they are once the name is chosen: the log went on meanwhile.
  std::string error;
  if (!platform_.replace_file(*chosen, rows_.save_text(), error))
    platform_.show_file_error(log_save_failed_text(*chosen, error));
}

LogViewPlace log_view_place(std::size_t top, std::size_t per_page, std::size_t shown_before, std::size_t dropped) {
  if (top + per_page >= shown_before) return {};
  return {false, top >= dropped ? top - dropped : 0};
}

std::optional<LogRecorder::Taken> LogListPace::take(std::int64_t now_ms, const LogRecorder::Taken& taken,
                                                    bool run_holds_line) {
  pending_.added += taken.added;
  pending_.dropped += taken.dropped;
  if (!taken.file_error.empty()) pending_.file_error = taken.file_error;
  if (run_holds_line && !in_run_) held_since_ = now_ms;
  in_run_ = run_holds_line;
  if (!waiting() && pending_.file_error.empty()) return std::nullopt;
  if (run_holds_line && pending_.file_error.empty() && now_ms - held_since_ < run_period_ms) return std::nullopt;
  held_since_ = now_ms;
  LogRecorder::Taken shown = pending_;
  pending_ = {};
  return shown;
}

}  // namespace zanteq

