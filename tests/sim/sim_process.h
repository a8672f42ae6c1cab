// Runs zanteq-sim as a child process for a test and talks to it over its
// pseudo-terminal, its control FIFO and its files. Every wait has a
// deadline; the child always gets a time limit, and is stopped (and if
// need be killed) when the helper goes away.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zanteq::sim::testing {

using Millis = std::chrono::milliseconds;

// A fresh directory under the system's temporary folder, removed with its content.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

 private:
  std::string dir_;
};

std::string read_file(const std::string& path);

// Waits until `done` holds or the deadline passes; tells which.
bool wait_until(const std::function<bool()>& done, Millis timeout = Millis(3000));

class SimProcess {
 public:
  // Starts the simulator with `args`; a --time-limit of 20 s is added unless
  // `args` has one. Waits for the terminal path on its standard output.
  explicit SimProcess(std::vector<std::string> args);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  bool started() const { return !pty_path_.empty(); }
  const std::string& pty_path() const { return pty_path_; }
  // The first line it printed: the terminal, or the network port's URL.
  const std::string& announced() const { return pty_path_; }
  pid_t pid() const { return pid_; }

  // Opens the terminal side raw, as a serial program would; the descriptor
  // stays open until the helper goes away.
  int open_terminal();
  void send(std::string_view bytes);
  // Reads until `count` bytes came or the deadline passed; returns what came.
  std::string read_bytes(std::size_t count, Millis timeout = Millis(2000));
  // Reads until the bytes received end with `tail`, or the deadline passed.
  std::string read_until(std::string_view tail, Millis timeout = Millis(2000));
  // One read of whatever is there, after waiting up to `timeout` for anything.
  std::string read_some(Millis timeout = Millis(2000));
  // True when no byte is waiting right now.
  bool nothing_waiting();

  // Sends `command` and returns the answer up to its "\r\n".
  std::string ask(std::string_view command, Millis timeout = Millis(2000)) {
    send(command);
    return read_until("\r\n", timeout);
  }

  // Exit status after the child ended by itself within `timeout`; -1 when
  // it did not end, -2 when it ended on a signal.
  int wait_exit(Millis timeout = Millis(3000));
  void terminate();  // SIGTERM

 private:
  pid_t pid_ = -1;
  int stdout_fd_ = -1;
  int terminal_ = -1;
  std::string pty_path_;
  bool reaped_ = false;
  int status_ = 0;
};

// Writes one control line to the FIFO at `path`.
void control(const std::string& path, const std::string& line);

// The wire log without its timestamps: "KIND text" per event.
std::vector<std::string> log_events(const std::string& path);

}  // namespace zanteq::sim::testing
