// The log file: every row appended as it happens, in the form of a saved
// log (log_format.h). A new file starts with a byte-order mark; a row that
// would take the file past the size limit goes to a new file instead, the
// full one kept as "<name>.1" (replacing an older one). The first failure
// to write is reported once; then nothing more is tried until the user
// turns the file on again (restart).
//
// The decisions live in LogFileWriter; the file operations are behind
// LogFileStore, so tests give it a fake. PathLogFileStore does them with
// the standard library, for every front end (on Windows give it the path
// as a wide string). Owned by the one thread that takes the rows.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/log/log_format.h"

namespace zanteq {

class LogFileStore {
 public:
  virtual ~LogFileStore() = default;
  // The file's size in bytes, 0 when there is no file; nothing when it
  // cannot be told.
  virtual std::optional<std::uint64_t> size() = 0;
  // Appends every byte, creating the file; false when that failed.
  virtual bool append(std::string_view bytes) = 0;
  // Renames the file to "<name>.1", replacing an older one.
  virtual bool rotate() = 0;
};

class LogFileWriter {
 public:
  static constexpr std::uint64_t default_limit = 10ull * 1024 * 1024;  // 10 MB

  explicit LogFileWriter(LogFileStore& store, std::uint64_t limit = default_limit)
      : store_(store), limit_(limit) {}

  enum class Result {
    written,  // every row is in the file
    failed,   // the file could not be written: say so now, once
    stopped,  // after a failure: nothing tried
  };
  Result append(const std::vector<LogRow>& rows);

  // The user turned the file on again: try afresh (the size is asked anew).
  void restart() {
    failed_ = false;
    size_.reset();
  }

 private:
  Result fail() {
    failed_ = true;
    size_.reset();
    return Result::failed;
  }
  bool flush(std::string& chunk);

  LogFileStore& store_;
  std::uint64_t limit_;
  std::optional<std::uint64_t> size_;  // the file's size, once asked; kept up to date
  bool failed_ = false;
};

class PathLogFileStore final : public LogFileStore {
 public:
  explicit PathLogFileStore(std::filesystem::path path) : path_(std::move(path)) {}
  std::optional<std::uint64_t> size() override;
  bool append(std::string_view bytes) override;
  bool rotate() override;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace zanteq
