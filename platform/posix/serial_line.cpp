// The serial port on Linux and other POSIX systems: termios for the line
// settings, poll for the reply time-outs, flock to hold the port; the port
// list from /dev and /sys.
#include "platform/serial_line.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>

#include "platform/posix/terminal.h"

namespace zanteq::platform {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int write_timeout_ms = 1000;  // as the Windows programs' write time-out

std::string system_reason(int code) { return std::strerror(code); }

class PosixPort : public SerialLine {
 public:
  explicit PosixPort(int fd) : fd_(fd) {}
  ~PosixPort() override {
    ::tcflush(fd_, TCIFLUSH);
    ::close(fd_);
  }

  bool write_all(std::string_view bytes) override {
    const auto deadline = Clock::now() + std::chrono::milliseconds(write_timeout_ms);
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n > 0) {
        bytes.remove_prefix(static_cast<std::size_t>(n));
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) return fail(errno);
      // The driver's queue is full or the handshake holds the line.
      const int left = remaining(deadline);
      pollfd p{fd_, POLLOUT, 0};
      if (left == 0 || (::poll(&p, 1, left) == 0 && remaining(deadline) == 0)) {
        error_ = "writing timed out (the handshake holds the line)";
        return false;
      }
    }
    return true;
  }

  long read_some(char* buffer, std::size_t size, int timeout_ms) override {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      pollfd p{fd_, POLLIN, 0};
      const int ready = ::poll(&p, 1, remaining(deadline));
      if (ready < 0) {
        if (errno == EINTR) continue;  // Ctrl-C: the line on the wire finishes first
        return fail(errno), -1;
      }
      if (ready == 0) return 0;
      if (p.revents & (POLLERR | POLLNVAL)) return error_ = "the port reported an error", -1;
      const ssize_t n = ::read(fd_, buffer, size);
      if (n > 0) return static_cast<long>(n);
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (n < 0) return fail(errno), -1;
      error_ = "the port was closed (hang-up)";
      return -1;
    }
  }

  std::string error() const override { return error_; }

 private:
  static int remaining(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
  }
  bool fail(int code) {
    error_ = system_reason(code);
    return false;
  }

  int fd_;
  std::string error_;
};

bool configure(int fd, std::string& error) {
  termios t{};
  if (::tcgetattr(fd, &t) != 0) return error = "not a serial port: " + system_reason(errno), false;
  make_raw_9600(t);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARODD | CSTOPB);
  t.c_cflag |= CS8 | PARENB | CRTSCTS;  // 8E1, output waits for CTS
  t.c_iflag |= IXON | IXOFF;  // XON/XOFF both ways, as the Windows program
  t.c_iflag &= ~static_cast<tcflag_t>(INPCK);  // parity generated, not checked
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  if (::tcsetattr(fd, TCSANOW, &t) != 0) {
    // The call fails when a setting did not take; a pseudo-terminal takes no
    // parity, which only matters on a real line. Raw 8-bit at 9600 must hold.
    const int code = errno;
    termios now{};
    const bool usable = ::tcgetattr(fd, &now) == 0 && (now.c_cflag & CSIZE) == CS8 &&
                        (now.c_lflag & (ICANON | ECHO)) == 0 && ::cfgetospeed(&now) == B9600;
    if (!usable) return error = "the line settings were refused: " + system_reason(code), false;
  }
  ::tcflush(fd, TCIOFLUSH);
  return true;
}

std::string read_small_file(const std::string& path) {
  std::ifstream in(path);
  std::string text;
  std::getline(in, text);
  return text;
}

std::vector<std::string> names_in(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (const dirent* e = ::readdir(d))
      if (e->d_name[0] != '.') names.emplace_back(e->d_name);
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// ttyS0..ttyS31 exist as device files on every PC; only those with a UART
// behind them have a port type other than 0 (PORT_UNKNOWN).
bool is_real_legacy_port(const std::string& name) {
  const std::string type = read_small_file("/sys/class/tty/" + name + "/type");
  return !type.empty() && type != "0";
}

}  // namespace

std::unique_ptr<SerialLine> open_serial_line(const std::string& name, std::string& error) {
  const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = errno == EBUSY ? "in use by another program" : system_reason(errno);
    return nullptr;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error = errno == EWOULDBLOCK ? "in use by another program" : system_reason(errno);
    ::close(fd);
    return nullptr;
  }
  if (!::isatty(fd)) {
    error = "not a serial port";
    ::close(fd);
    return nullptr;
  }
  if (!configure(fd, error)) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<PosixPort>(fd);
}

std::vector<std::string> list_serial_ports() {
  // Stable names of USB adapters, by the device they point at.
  std::map<std::string, std::vector<std::string>> aliases;
  const std::string by_id = "/dev/serial/by-id";
  for (const std::string& link : names_in(by_id)) {
    char target[4096];
    const ssize_t n = ::readlink((by_id + "/" + link).c_str(), target, sizeof target - 1);
    if (n <= 0) continue;
    target[n] = '\0';
    const char* base = std::strrchr(target, '/');
    aliases["/dev/" + std::string(base ? base + 1 : target)].push_back(by_id + "/" + link);
  }

  std::vector<std::string> lines;
  for (const std::string& name : names_in("/dev")) {
    const bool legacy = name.rfind("ttyS", 0) == 0;
    const bool usb = name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0;
    if (!usb && !(legacy && is_real_legacy_port(name))) continue;
    std::string line = "/dev/" + name;
    for (const std::string& alias : aliases["/dev/" + name]) line += "  " + alias;
    lines.push_back(line);
  }
  return lines;
}

}  // namespace zanteq::platform
