// Wire log files of the simulator.
#include "sim/wire_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "sim/faults.h"

namespace zanteq::sim {

std::string format_log_line(std::int64_t elapsed_ns, std::string_view kind, std::string_view text) {
  if (elapsed_ns < 0) elapsed_ns = 0;
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%lld.%03lld ", static_cast<long long>(elapsed_ns / 1000000),
                static_cast<long long>(elapsed_ns / 1000 % 1000));
  std::string line = stamp;
  line += kind;
  line += ' ';
  line += text;
  line += '\n';
  return line;
}

FileSink::~FileSink() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileSink::open(const std::string& path) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
  return fd_ >= 0;
}

void FileSink::write(std::string_view bytes) {
  while (fd_ >= 0 && !bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // a full disk must not stop the unit
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void WireLog::received(std::int64_t elapsed_ns, std::string_view bytes) {
  log_.write(format_log_line(elapsed_ns, "RX", escape_bytes(bytes)));
}

void WireLog::sent(std::int64_t elapsed_ns, std::string_view bytes) {
  log_.write(format_log_line(elapsed_ns, "TX", escape_bytes(bytes)));
}

void WireLog::note(std::int64_t elapsed_ns, std::string_view kind, std::string_view text) {
  log_.write(format_log_line(elapsed_ns, kind, escape_bytes(text)));
}

}  // namespace zanteq::sim
