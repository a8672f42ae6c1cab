// The log file's policy and its file operations.
#include "core/log/log_file.h"

#include <fstream>
#include <system_error>

namespace zanteq {

bool LogFileWriter::flush(std::string& chunk) {
  if (chunk.empty()) return true;
  if (!store_.append(chunk)) return false;
  *size_ += chunk.size();
  chunk.clear();
  return true;
}

LogFileWriter::Result LogFileWriter::append(const std::vector<LogRow>& rows) {
  if (failed_) return Result::stopped;
  if (rows.empty()) return Result::written;
  if (!size_) {
    size_ = store_.size();
    if (!size_) return fail();
  }
  // One write for the rows of one take, split where the file is renamed.
  std::string chunk;
  std::uint64_t size = *size_;  // what the file holds once `chunk` is written
  for (const LogRow& row : rows) {
    const std::string line = file_line(row);
    // A row that does not fit goes to a new file, unless it is the first
    // row after the mark: a new file takes at least one row.
    if (size > byte_order_mark.size() && size + line.size() > limit_) {
      if (!flush(chunk) || !store_.rotate()) return fail();
      size_ = 0;
      size = 0;
    }
    if (size == 0) {
      chunk += byte_order_mark;
      size += byte_order_mark.size();
    }
    chunk += line;
    size += line.size();
  }
  return flush(chunk) ? Result::written : fail();
}

std::optional<std::uint64_t> PathLogFileStore::size() {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path_, error);
  if (status.type() == std::filesystem::file_type::not_found) return 0;
  if (error) return std::nullopt;
  const std::uintmax_t size = std::filesystem::file_size(path_, error);
  if (error) return std::nullopt;
  return static_cast<std::uint64_t>(size);
}

bool PathLogFileStore::append(std::string_view bytes) {
  // Opened for each take and closed again, so the file is never held open:
  // it can be renamed, read or deleted between takes.
  std::ofstream out(path_, std::ios::binary | std::ios::app);
  if (!out) return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

bool PathLogFileStore::rotate() {
  std::filesystem::path old = path_;
  old += ".1";
  std::error_code error;
  std::filesystem::rename(path_, old, error);
  if (!error) return true;
  // Where a rename does not replace the target, make room first.
  std::filesystem::remove(old, error);
  std::filesystem::rename(path_, old, error);
  return !error;
}

}  // namespace zanteq
