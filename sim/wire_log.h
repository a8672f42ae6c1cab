// The wire log: one line per event, written with a single write() and so
// on disk as soon as it happens, in a form tests can compare byte for byte:
//
//   <ms> <KIND> <text>\n
//
// <ms> is the time since the simulator started, in milliseconds with three
// decimals. KIND is RX (one received line, every byte of it including the
// RS-485 address and CR LF), TX (one piece of an answer as it goes out),
// CTL (a control command carried out), ERR (a control command refused),
// MARK (text given by `mark`), START (the terminal path, or the network
// port's URL), STOP (the reason), and on a network port NET (a client
// connected, refused or gone) and RFC2217 (the client's negotiation and
// line settings). Every text is escaped (see escape_bytes), so an event is always
// one line; printable ASCII stands as it is.
//
// The raw log, when asked for, holds only the received bytes, exactly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zanteq::sim {

std::string format_log_line(std::int64_t elapsed_ns, std::string_view kind, std::string_view text);

class FileSink {
 public:
  FileSink() = default;
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;
  ~FileSink();
  // Creates or truncates the file; false with errno set on failure.
  bool open(const std::string& path);
  bool is_open() const { return fd_ >= 0; }
  void write(std::string_view bytes);

 private:
  int fd_ = -1;
};

class WireLog {
 public:
  bool open(const std::string& path) { return log_.open(path); }
  bool open_raw(const std::string& path) { return raw_.open(path); }

  // One received line for the log; the raw log is fed by raw().
  void received(std::int64_t elapsed_ns, std::string_view bytes);
  void raw(std::string_view bytes) { raw_.write(bytes); }
  void sent(std::int64_t elapsed_ns, std::string_view bytes);
  void note(std::int64_t elapsed_ns, std::string_view kind, std::string_view text);

 private:
  FileSink log_;
  FileSink raw_;
};

}  // namespace zanteq::sim
