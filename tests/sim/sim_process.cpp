// Child-process helper of the simulator tests.
#include "tests/sim/sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace zanteq::sim::testing {

namespace {

std::chrono::steady_clock::time_point deadline_in(Millis timeout) {
  return std::chrono::steady_clock::now() + timeout;
}

int remaining_ms(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zanteq-sim-test.XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  dir_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool wait_until(const std::function<bool()>& done, Millis timeout) {
  const auto deadline = deadline_in(timeout);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    std::this_thread::sleep_for(Millis(2));
  }
  return true;
}

SimProcess::SimProcess(std::vector<std::string> args) {
  bool limited = false;
  for (const std::string& a : args) limited = limited || a == "--time-limit";
  if (!limited) {
    args.push_back("--time-limit");
    args.push_back("20");
  }
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  std::vector<char*> argv;
  std::string program = ZANTEQ_SIM_EXECUTABLE;
  argv.push_back(program.data());
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  stdout_fd_ = out[0];
  if (pid_ < 0) throw std::runtime_error("fork failed");

  // The first line of its output is the terminal path, once it is ready.
  std::string line;
  const auto deadline = deadline_in(Millis(5000));
  while (line.find('\n') == std::string::npos) {
    pollfd p{stdout_fd_, POLLIN, 0};
    if (::poll(&p, 1, remaining_ms(deadline)) <= 0) break;
    char buf[256];
    const ssize_t n = ::read(stdout_fd_, buf, sizeof buf);
    if (n <= 0) break;
    line.append(buf, static_cast<std::size_t>(n));
  }
  if (line.find('\n') != std::string::npos) pty_path_ = line.substr(0, line.find('\n'));
}

SimProcess::~SimProcess() {
  if (terminal_ >= 0) ::close(terminal_);
  if (!reaped_ && pid_ > 0) {
    ::kill(pid_, SIGTERM);
    if (wait_exit(Millis(3000)) == -1) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  if (stdout_fd_ >= 0) ::close(stdout_fd_);
}

int SimProcess::open_terminal() {
  if (terminal_ >= 0) return terminal_;
  terminal_ = ::open(pty_path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (terminal_ < 0) throw std::runtime_error("cannot open " + pty_path_);
  termios t{};
  ::tcgetattr(terminal_, &t);
  ::cfmakeraw(&t);
  ::tcsetattr(terminal_, TCSANOW, &t);
  return terminal_;
}

void SimProcess::send(std::string_view bytes) {
  open_terminal();
  while (!bytes.empty()) {
    const ssize_t n = ::write(terminal_, bytes.data(), bytes.size());
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n < 0) throw std::runtime_error("write to the terminal failed");
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

std::string SimProcess::read_some(Millis timeout) {
  open_terminal();
  pollfd p{terminal_, POLLIN, 0};
  if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return {};
  char buf[1024];
  const ssize_t n = ::read(terminal_, buf, sizeof buf);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

std::string SimProcess::read_bytes(std::size_t count, Millis timeout) {
  const auto deadline = deadline_in(timeout);
  std::string got;
  while (got.size() < count) {
    const int left = remaining_ms(deadline);
    if (left == 0) break;
    got += read_some(Millis(left));
  }
  return got;
}

std::string SimProcess::read_until(std::string_view tail, Millis timeout) {
  const auto deadline = deadline_in(timeout);
  std::string got;
  while (got.size() < tail.size() || got.compare(got.size() - tail.size(), tail.size(), tail) != 0) {
    const int left = remaining_ms(deadline);
    if (left == 0) break;
    got += read_some(Millis(left));
  }
  return got;
}

bool SimProcess::nothing_waiting() {
  open_terminal();
  pollfd p{terminal_, POLLIN, 0};
  return ::poll(&p, 1, 0) == 0;
}

int SimProcess::wait_exit(Millis timeout) {
  if (!reaped_) {
    const bool ended = wait_until(
        [&] {
          const pid_t r = ::waitpid(pid_, &status_, WNOHANG);
          return r == pid_;
        },
        timeout);
    if (!ended) return -1;
    reaped_ = true;
  }
  return WIFEXITED(status_) ? WEXITSTATUS(status_) : -2;
}

void SimProcess::terminate() {
  if (!reaped_ && pid_ > 0) ::kill(pid_, SIGTERM);
}

void control(const std::string& path, const std::string& line) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open the control FIFO " + path);
  const std::string text = line + "\n";
  const ssize_t n = ::write(fd, text.data(), text.size());
  ::close(fd);
  if (n != static_cast<ssize_t>(text.size())) throw std::runtime_error("short write to the control FIFO");
}

std::vector<std::string> log_events(const std::string& path) {
  std::vector<std::string> events;
  std::istringstream in(read_file(path));
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t space = line.find(' ');
    events.push_back(space == std::string::npos ? line : line.substr(space + 1));
  }
  return events;
}

}  // namespace zanteq::sim::testing
