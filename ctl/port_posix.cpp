// zanteqctl's platform side on Linux and other POSIX systems: termios for
// the line settings, poll for the reply time-outs, flock to hold the port.
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "core/link/exchange.h"
#include "ctl/port.h"

namespace zanteq::ctl {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int write_timeout_ms = 1000;  // as the Windows program's write time-out

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
  ::cfmakeraw(&t);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARODD | CSTOPB);
  t.c_cflag |= CS8 | PARENB | CREAD | CLOCAL | CRTSCTS;  // 8E1, output waits for CTS
  t.c_iflag |= IXON | IXOFF;  // XON/XOFF both ways, as the Windows program
  t.c_iflag &= ~static_cast<tcflag_t>(INPCK);  // parity generated, not checked
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  ::cfsetispeed(&t, B9600);
  ::cfsetospeed(&t, B9600);
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

std::atomic<int>* interrupt_flag = nullptr;

void on_interrupt(int) {
  if (interrupt_flag) interrupt_flag->store(1);
}

}  // namespace

std::unique_ptr<SerialLine> open_serial_port(const std::string& name, std::string& error) {
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

bool read_whole_file(const std::string& path, std::string& content, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return error = system_reason(errno), false;
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) return error = "read error", false;
  content = s.str();
  return true;
}

namespace {

bool write_all(int fd, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

// A plain file is written beside itself under a name of its own, flushed,
// then renamed over the old one: a write that fails (a full disk, a pulled
// stick) leaves the old file whole. Behind a link, the file it names is
// replaced, with its permissions. Anything else (a terminal, /dev/stdout, a
// pipe) is written as it is.
bool write_whole_file(const std::string& path, const std::string& content, std::string& error) {
  struct stat old {};
  const bool exists = ::stat(path.c_str(), &old) == 0;
  if (exists && !S_ISREG(old.st_mode)) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return error = system_reason(errno), false;
    const bool ok = write_all(fd, content);
    const int code = errno;
    if (::close(fd) != 0 || !ok) return error = system_reason(ok ? errno : code), false;
    return true;
  }
  std::string target = path;
  if (exists) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real) target = real;
    std::free(real);
  }
  std::string temporary = target + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());  // never an existing file, never through a link
  if (fd < 0) return error = system_reason(errno), false;
  mode_t mode = old.st_mode & 07777;
  if (!exists) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  const bool ok = ::fchmod(fd, mode) == 0 && write_all(fd, content) && ::fsync(fd) == 0;
  const int code = errno;
  const bool closed = ::close(fd) == 0;
  if (ok && closed && ::rename(temporary.c_str(), target.c_str()) == 0) return true;
  error = system_reason(ok && closed ? errno : code);
  ::unlink(temporary.c_str());
  return false;
}

bool can_write_file(const std::string& path, std::string& error) {
  const bool existed = ::access(path.c_str(), F_OK) == 0;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return error = system_reason(errno), false;
  ::close(fd);
  if (!existed) ::unlink(path.c_str());
  return true;
}

std::string cp932_to_utf8(std::string_view bytes) {
  iconv_t cd = ::iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return printable_reply(bytes);
  std::string in(bytes), out(bytes.size() * 3 + 4, '\0');
  char* src = in.data();
  char* dst = out.data();
  std::size_t src_left = in.size(), dst_left = out.size();
  const std::size_t done = ::iconv(cd, &src, &src_left, &dst, &dst_left);
  ::iconv_close(cd);
  if (done == static_cast<std::size_t>(-1)) return printable_reply(bytes);  // not code page 932
  out.resize(out.size() - dst_left);
  return out;
}

bool stderr_is_terminal() { return ::isatty(STDERR_FILENO) != 0; }

void watch_interrupt(std::atomic<int>& flag) {
  interrupt_flag = &flag;
  struct sigaction action {};
  action.sa_handler = on_interrupt;
  action.sa_flags = SA_RESETHAND;  // a second Ctrl-C ends the program at once
  ::sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

}  // namespace zanteq::ctl

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return zanteq::ctl::run_zanteqctl(args);
}
