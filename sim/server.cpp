// The simulator's event loop.
//
// One thread owns everything: the pty master, our own handle of the
// terminal side (kept open so the line never hangs up between clients, and
// for a Wine server that makes the terminal its controlling one), the
// control FIFO (opened read-write so it never reports end of file when a
// writer goes), a signalfd for SIGINT/SIGTERM/SIGHUP, the units' state and
// the output queue. Control input is handled before line input in each
// pass, so a control command written before a command line always acts on
// that line.
//
// On a bus of several units the line carries one thing at a time: a line
// that comes while an answer is still on its way (or waiting for its delay)
// is logged when it comes but taken only once that answer has left, so no
// unit acts on a line before the one in front of it has been answered.
//
// With --tcp or --rfc2217 a listening socket and one client take the pty's
// place (sim/net_line.h); everything else works alike. The unit's line goes
// on when the client goes: answers that come due while nobody is connected
// are logged and go nowhere, as a device server drops them, and a new
// client starts with no XOFF or flow-control suspension in force.
#include "sim/server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <random>
#include <string>

#include "core/link/codec.h"
#include "platform/files.h"
#include "platform/posix/terminal.h"
#include "sim/bus.h"
#include "sim/faults.h"
#include "sim/net_line.h"
#include "sim/responder.h"
#include "sim/unit_commands.h"
#include "sim/unit_state.h"
#include "sim/wire_log.h"

namespace zanteq::sim {

namespace {

constexpr char xon = 0x11;
constexpr char xoff = 0x13;
constexpr std::size_t max_kept_line = 4096;  // longer lines are cut (and refused)

std::int64_t monotonic_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string errno_text(const std::string& what) { return what + ": " + std::strerror(errno); }

// A reader (a test, a script) sees either the old file or the whole new one.
bool write_file_atomically(const std::string& path, const std::string& text, std::string& error) {
  if (platform::replace_file(path, text, error)) return true;
  error = "cannot write " + path + ": " + error;
  return false;
}

bool read_lines(const std::string& path, std::vector<std::string>& lines, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return true;
}

class Simulator {
 public:
  explicit Simulator(const Options& o) : options_(o) {}
  ~Simulator() { cleanup(); }
  int run();

 private:
  bool open_terminal(std::string& error);
  bool open_line(std::string& error);
  bool open_control(std::string& error);
  bool open_signals(std::string& error);
  bool apply_startup(std::string& error);
  bool announce(std::string& error);
  void cleanup();

  std::int64_t elapsed_ns() const { return monotonic_ns() - start_ns_; }
  std::int64_t elapsed_ms() const { return elapsed_ns() / 1000000; }

  bool apply_set(const std::vector<Unit*>& units, const std::string& command, std::string& error);
  bool execute_control(const std::string& line, std::string& error);
  void read_control();
  void read_line_input();
  void take_line_bytes(const char* buf, std::size_t n);
  bool networked() const { return options_.transport != Options::Transport::terminal; }
  void accept_network();
  void read_network();
  void flush_network();
  void client_gone(const std::string& why);
  void receive_line(const std::string& line);
  void take_line(const std::string& line, std::int64_t received_ns);
  bool take_waiting_line();
  void write_output();
  bool dump_state(const std::string& path, const std::vector<Unit*>& units, std::string& error);
  void stop(const std::string& reason) {
    if (stop_reason_.empty()) stop_reason_ = reason;
  }

  const Options& options_;
  std::int64_t start_ns_ = monotonic_ns();
  int master_ = -1;
  int slave_ = -1;
  int control_ = -1;
  int signals_ = -1;
  NetLine net_;       // --tcp, --rfc2217: in the pty's place
  std::string path_;  // the terminal, or the network port's URL
  bool created_fifo_ = false;
  bool wrote_path_file_ = false;
  bool made_link_ = false;

  Bus bus_{options_.rs485, options_.addresses};
  struct WaitingLine {
    std::string bytes;
    std::int64_t received_ns;
  };
  std::deque<WaitingLine> waiting_lines_;  // on a bus: received while the line was busy
  OutputQueue output_;
  WireLog log_;
  bool pace_ = options_.pace;
  bool echo_ = false;  // every line received goes back out before its answer
  bool held_by_xoff_ = false;
  bool wait_writable_ = false;
  std::string line_;          // received line being collected
  bool line_cut_ = false;     // bytes of it beyond max_kept_line were dropped
  std::string control_buf_;
  std::string stop_reason_;
};

bool Simulator::open_terminal(std::string& error) {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) return error = errno_text("posix_openpt"), false;
  if (::grantpt(master_) != 0) return error = errno_text("grantpt"), false;
  if (::unlockpt(master_) != 0) return error = errno_text("unlockpt"), false;
  char name[256];
  if (::ptsname_r(master_, name, sizeof name) != 0) return error = errno_text("ptsname_r"), false;
  path_ = name;
  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) return error = errno_text("open " + path_), false;

  // Raw bytes at the unit's 9600 baud. A pty has no real line: Linux keeps
  // it at 8 bits without parity whatever a client asks for, and accepts
  // (and ignores) the even parity and handshakes a serial program sets.
  termios t{};
  if (::tcgetattr(slave_, &t) != 0) return error = errno_text("tcgetattr"), false;
  platform::make_raw_9600(t);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  if (::tcsetattr(slave_, TCSANOW, &t) != 0) return error = errno_text("tcsetattr"), false;

  const int flags = ::fcntl(master_, F_GETFL);
  if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0)
    return error = errno_text("fcntl"), false;
  return true;
}

bool Simulator::open_line(std::string& error) {
  if (!networked()) return open_terminal(error);
  if (!net_.listen(options_.listen, options_.transport == Options::Transport::rfc2217, error)) return false;
  path_ = net_.url();
  return true;
}

bool Simulator::open_control(std::string& error) {
  if (options_.control.empty()) return true;
  const std::string& path = options_.control;
  struct stat st{};
  if (::lstat(path.c_str(), &st) == 0) {
    if (!S_ISFIFO(st.st_mode)) return error = path + " exists and is not a FIFO", false;
    ::unlink(path.c_str());  // a FIFO left by an earlier run: start afresh
  }
  if (::mkfifo(path.c_str(), 0600) != 0) return error = errno_text("mkfifo " + path), false;
  created_fifo_ = true;
  control_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (control_ < 0) return error = errno_text("open " + path), false;
  return true;
}

bool Simulator::open_signals(std::string& error) {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  if (::sigprocmask(SIG_BLOCK, &set, nullptr) != 0) return error = errno_text("sigprocmask"), false;
  signals_ = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (signals_ < 0) return error = errno_text("signalfd"), false;
  ::signal(SIGPIPE, SIG_IGN);
  return true;
}

bool Simulator::apply_set(const std::vector<Unit*>& units, const std::string& command, std::string& error) {
  std::string text = command;
  if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) text += "\r\n";
  const std::string reply = apply_to_units(units, text, elapsed_ms());
  if (reply == reply_go) return true;
  error = "the unit refuses '" + command + "' (" + escape_bytes(reply) + ")";
  return false;
}

bool Simulator::execute_control(const std::string& line, std::string& error) {
  ControlCommand c;
  if (!parse_control(line, c, error)) return false;
  const std::vector<Unit*> units = bus_.select(c.unit);
  if (units.empty()) {
    return error = "there is no unit " + dec2_text(c.unit) + " on this line", false;
  }
  switch (c.kind) {
    case ControlCommand::none: return true;
    case ControlCommand::fault:
      for (Unit* u : units) u->faults.add(c.rule);
      break;
    case ControlCommand::pace: pace_ = c.on; break;
    case ControlCommand::echo: echo_ = c.on; break;
    case ControlCommand::clear:
      for (Unit* u : units) u->faults.clear();
      break;
    case ControlCommand::set:
      if (!apply_set(units, c.text, error)) return false;
      break;
    case ControlCommand::restart:
      for (Unit* u : units) restart_unit(u->state);
      break;
    case ControlCommand::dump: {
      const std::string& path = c.text.empty() ? options_.state_out : c.text;
      if (path.empty()) return error = "dump needs a path (or --state-out)", false;
      if (!dump_state(path, units, error)) return false;
      break;
    }
    case ControlCommand::mark: log_.note(elapsed_ns(), "MARK", c.text); return true;
    case ControlCommand::send:
    case ControlCommand::noise: {
      // Bytes of the unit's own, after what is already going out: the
      // event loop writes them as it writes answers, paced when pacing is on.
      // A burst without a seed is logged with the one it used (within what
      // `seed` takes), so it can be made again.
      const std::uint32_t seed = c.seed ? *c.seed : std::random_device{}() % 1000000000u;
      const bool noise = c.kind == ControlCommand::noise;
      output_.push(noise ? noise_bytes(c.count, seed, c.no_lf, c.no_flow) : c.text, Delivery{}, monotonic_ns());
      log_.note(elapsed_ns(), "CTL", noise && !c.seed ? line + " seed " + std::to_string(seed) : line);
      return true;
    }
    case ControlCommand::quit: stop("quit"); break;
  }
  log_.note(elapsed_ns(), "CTL", line);
  return true;
}

bool Simulator::dump_state(const std::string& path, const std::vector<Unit*>& units, std::string& error) {
  bool written = true;
  for (const Unit* u : units) {
    std::string text;
    for (const std::string& c : state_commands(u->state, elapsed_ms())) text += c + "\n";
    std::string failure;
    if (!write_file_atomically(unit_state_path(path, *u, bus_.shared()), text, failure)) {
      // The other units' files are still worth having.
      written = false;
      error = failure;
    }
  }
  return written;
}

bool Simulator::apply_startup(std::string& error) {
  const std::vector<Unit*> every_unit = bus_.select(-1);
  for (Unit* u : every_unit)
    u->state.version = {options_.version[0], options_.version[1], options_.version[2], options_.version[3]};
  for (const StartupAction& a : options_.startup) {
    std::vector<std::string> lines;
    switch (a.kind) {
      case StartupAction::set:
        if (!apply_set(every_unit, a.text, error)) return false;
        break;
      case StartupAction::control:
        if (!execute_control(a.text, error)) return error = "--fault '" + a.text + "': " + error, false;
        break;
      case StartupAction::state_file:
      case StartupAction::script_file:
        if (!read_lines(a.text, lines, error)) return false;
        for (std::size_t i = 0; i < lines.size(); ++i) {
          const std::string& l = lines[i];
          const std::size_t first = l.find_first_not_of(" \t");
          if (first == std::string::npos || l[first] == '#') continue;
          const bool ok = a.kind == StartupAction::state_file ? apply_set(every_unit, l.substr(first), error)
                                                              : execute_control(l, error);
          if (!ok) return error = a.text + ":" + std::to_string(i + 1) + ": " + error, false;
        }
        break;
    }
  }
  return true;
}

bool Simulator::announce(std::string& error) {
  if (!options_.path_file.empty()) {
    if (!write_file_atomically(options_.path_file, path_ + "\n", error)) return false;
    wrote_path_file_ = true;
  }
  if (!options_.link.empty()) {
    const std::string tmp = options_.link + ".tmp." + std::to_string(::getpid());
    ::unlink(tmp.c_str());
    if (::symlink(path_.c_str(), tmp.c_str()) != 0) return error = errno_text("symlink " + tmp), false;
    if (::rename(tmp.c_str(), options_.link.c_str()) != 0) {
      error = errno_text("rename " + tmp + " to " + options_.link);
      ::unlink(tmp.c_str());
      return false;
    }
    made_link_ = true;
  }
  log_.note(elapsed_ns(), "START", path_);
  std::printf("%s\n", path_.c_str());
  std::fflush(stdout);
  return true;
}

void Simulator::cleanup() {
  // Remove only what still is ours: a caller may have reused the names.
  char target[512];
  if (made_link_) {
    const ssize_t n = ::readlink(options_.link.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == path_) ::unlink(options_.link.c_str());
    made_link_ = false;
  }
  if (wrote_path_file_) {
    std::ifstream in(options_.path_file);
    std::string content;
    std::getline(in, content);
    if (content == path_) ::unlink(options_.path_file.c_str());
    wrote_path_file_ = false;
  }
  if (created_fifo_) {
    struct stat st{};
    if (::lstat(options_.control.c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) ::unlink(options_.control.c_str());
    created_fifo_ = false;
  }
  for (int* fd : {&control_, &signals_, &slave_, &master_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
}

void Simulator::read_control() {
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(control_, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    control_buf_.append(buf, static_cast<std::size_t>(n));
  }
  std::size_t nl;
  while ((nl = control_buf_.find('\n')) != std::string::npos) {
    const std::string line = control_buf_.substr(0, nl);
    control_buf_.erase(0, nl + 1);
    std::string error;
    if (!execute_control(line, error)) {
      log_.note(elapsed_ns(), "ERR", line + ": " + error);
      std::fprintf(stderr, "zanteq-sim: control '%s': %s\n", line.c_str(), error.c_str());
    }
  }
}

void Simulator::receive_line(const std::string& line) {
  const std::int64_t now = monotonic_ns();
  log_.received(now - start_ns_, line);
  const bool busy = bus_.shared() && (!output_.empty() || !waiting_lines_.empty());
  // An adapter that hears its own transmission hands every line back,
  // whoever it is for, ahead of the answer to it.
  if (echo_) output_.push(line, Delivery{}, now);
  if (busy)
    waiting_lines_.push_back({line, now});
  else
    take_line(line, now);
}

void Simulator::take_line(const std::string& line, std::int64_t received_ns) {
  // Timed from its arrival: a delayed answer is as late as asked, not later
  // by the time the line waited.
  const Answer a = bus_.on_line(line, (received_ns - start_ns_) / 1000000);
  if (!a.bytes.empty()) output_.push(a.bytes, a.delivery, received_ns);
}

bool Simulator::take_waiting_line() {
  if (waiting_lines_.empty() || !output_.empty()) return false;
  const WaitingLine w = std::move(waiting_lines_.front());
  waiting_lines_.pop_front();
  take_line(w.bytes, w.received_ns);
  return true;
}

void Simulator::read_line_input() {
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // EAGAIN: all read
    take_line_bytes(buf, static_cast<std::size_t>(n));
  }
}

void Simulator::take_line_bytes(const char* buf, std::size_t n) {
  std::string command_bytes;  // these bytes less flow control, for the raw log
  command_bytes.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const char c = buf[i];
    if (c == xon || c == xoff) {
      // Flow control of the line, not part of a command.
      held_by_xoff_ = c == xoff;
      log_.note(elapsed_ns(), "RX", escape_bytes(std::string(1, c)));
      continue;
    }
    command_bytes += c;
    if (line_.size() < max_kept_line) line_ += c;
    else line_cut_ = true;
    if (c == '\n') {
      if (line_cut_ && line_.back() != '\n') line_ += '\n';
      log_.raw(command_bytes);  // the raw log is never behind the RX event
      command_bytes.clear();
      receive_line(line_);
      line_.clear();
      line_cut_ = false;
    }
  }
  log_.raw(command_bytes);
}

void Simulator::accept_network() {
  const std::string note = net_.accept_client();
  if (!note.empty()) log_.note(elapsed_ns(), "NET", note);
}

void Simulator::read_network() {
  NetLine::Received r = net_.receive();
  for (const Rfc2217Event& e : r.events) {
    log_.note(elapsed_ns(), "RFC2217", describe(e));
    if (e.kind == Rfc2217Event::Kind::flow_suspend) held_by_xoff_ = true;
    if (e.kind == Rfc2217Event::Kind::flow_resume) held_by_xoff_ = false;
  }
  take_line_bytes(r.data.data(), r.data.size());
  if (r.closed) client_gone(r.why);
  else flush_network();  // negotiation answers
}

void Simulator::flush_network() {
  std::string why;
  if (!net_.flush(why)) client_gone(why);
}

void Simulator::client_gone(const std::string& why) {
  log_.note(elapsed_ns(), "NET", net_.close_client(why));
  held_by_xoff_ = false;
}

void Simulator::write_output() {
  wait_writable_ = false;
  while (!held_by_xoff_) {
    const std::int64_t now = monotonic_ns();
    const OutputQueue::Chunk chunk = output_.take(now, pace_);
    if (chunk.bytes.empty()) return;
    // Logged before the bytes go out, so whoever has read an answer finds
    // it in the log.
    if (chunk.new_piece) {
      log_.sent(elapsed_ns(), chunk.piece);
      output_.announced();
    }
    ssize_t n = static_cast<ssize_t>(chunk.bytes.size());
    if (networked()) {
      net_.send(chunk.bytes);
      flush_network();
    } else {
      n = ::write(master_, chunk.bytes.data(), chunk.bytes.size());
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) wait_writable_ = true;
      else stop(errno_text("write to the terminal"));
      return;
    }
    output_.written(static_cast<std::size_t>(n), now, pace_);
    if (static_cast<std::size_t>(n) < chunk.bytes.size()) {
      wait_writable_ = true;
      return;
    }
  }
}

int Simulator::run() {
  std::string error;
  if (!options_.log.empty() && !log_.open(options_.log)) error = errno_text("cannot open " + options_.log);
  if (error.empty() && !options_.rx_raw.empty() && !log_.open_raw(options_.rx_raw))
    error = errno_text("cannot open " + options_.rx_raw);
  if (error.empty() && open_signals(error) && open_line(error) && open_control(error) &&
      apply_startup(error) && announce(error)) {
    error.clear();
  }
  if (!error.empty()) {
    std::fprintf(stderr, "zanteq-sim: %s\n", error.c_str());
    return 1;
  }

  const std::int64_t deadline =
      options_.time_limit > 0 ? start_ns_ + static_cast<std::int64_t>(options_.time_limit * 1e9) : 0;
  while (stop_reason_.empty()) {
    const std::int64_t now = monotonic_ns();
    if (deadline && now >= deadline) {
      stop("time limit");
      break;
    }
    std::int64_t wake = deadline ? deadline : now + 3600LL * 1000000000LL;
    if (!held_by_xoff_ && !wait_writable_)
      if (const auto due = output_.next_due(pace_)) wake = std::min(wake, std::max(*due, now));

    // A descriptor of -1 is passed over: the pty's in network mode, the
    // sockets' otherwise and the client's while nobody is connected.
    pollfd fds[5] = {{signals_, POLLIN, 0},
                     {control_, POLLIN, 0},
                     {master_, static_cast<short>(POLLIN | (wait_writable_ ? POLLOUT : 0)), 0},
                     {net_.client_fd(), static_cast<short>(POLLIN | (net_.wants_write() ? POLLOUT : 0)), 0},
                     {net_.listen_fd(), POLLIN, 0}};
    const std::int64_t wait = wake - now;
    const timespec timeout{static_cast<time_t>(wait / 1000000000), static_cast<long>(wait % 1000000000)};
    const int ready = ::ppoll(fds, 5, &timeout, nullptr);
    if (ready < 0 && errno != EINTR) {
      stop(errno_text("poll"));
      break;
    }
    if (fds[0].revents & POLLIN) {
      signalfd_siginfo info{};
      if (::read(signals_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        const char* name = sigabbrev_np(static_cast<int>(info.ssi_signo));
        stop(std::string("signal SIG") + (name ? name : "?"));
      }
    }
    if (control_ >= 0 && (fds[1].revents & POLLIN)) read_control();
    if (fds[2].revents & POLLIN) read_line_input();
    // The client before the listener: one that left makes room for the next.
    if (fds[3].revents & (POLLIN | POLLHUP | POLLERR)) read_network();
    if (net_.connected() && (fds[3].revents & POLLOUT)) flush_network();
    if (fds[4].revents & POLLIN) accept_network();
    write_output();
    while (take_waiting_line()) write_output();
  }

  if (!line_.empty()) log_.received(elapsed_ns(), line_);  // an unfinished line, as it stood
  if (!options_.state_out.empty() && !dump_state(options_.state_out, bus_.select(-1), error))
    std::fprintf(stderr, "zanteq-sim: %s\n", error.c_str());
  log_.note(elapsed_ns(), "STOP", stop_reason_);
  const bool failed = stop_reason_.rfind("signal", 0) != 0 && stop_reason_ != "time limit" && stop_reason_ != "quit";
  cleanup();
  return failed ? 1 : 0;
}

}  // namespace

int run_simulator(const Options& options) {
  Simulator sim(options);
  return sim.run();
}

}  // namespace zanteq::sim
