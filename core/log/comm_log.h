// The communication log: every line on the wire and every event of the
// port, with its time, for the 通信ログ window, its file and zanteqctl --log.
//
// Who appends (CommLog::append; any thread; it never waits for the reader,
// a full queue drops the event and counts it):
//  - the receiving thread: each line received (the line assembly's lines,
//    as they are handed to the dispatch), the bytes the line assembly
//    throws away (its drop handler: unfinished_event, noise_event), and
//    the port lost;
//  - the interface thread: each line sent (the framed bytes, address and
//    CR LF included, just before the write), the port opened, closed, back
//    or failing to open, and a command unanswered when the reply watch
//    gives up;
//  - later, a network port's connection thread: the same port events, with
//    the reason a connection failed or ended.
// Each caller gives the wall-clock time (wall_clock_ms() in log_format.h),
// so tests fix it.
//
// Who takes (CommLog::take_all, one reader only): the Windows program's
// log timer (at most every 100 ms, from start-up, whether or not the window
// is open), or zanteqctl after each step of its loop (TransferLoop appends
// the lines and drops; zanteqctl the port's events) and at the end.
//
// What the front end does with a batch (log_format.h, log_rows.h,
// log_file.h): rows_of(batch) makes the rows, one per event plus one
// saying how many events the full queue dropped. The window adds them to
// its LogRows (the list view shows rows[i]: clock_text(time),
// direction_text(direction), text; texts are UTF-8, converted to UTF-16 at
// the window) and scrolls to the newest unless the user has scrolled up.
// While "ファイルにも記録" is on, the same rows go to LogFileWriter::append;
// its first failure is answered with one box naming the file and the check
// box cleared. 保存… writes LogRows::save_text(). zanteqctl --log gives
// its rows to a LogFileWriter only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace zanteq {

enum class LogKind : std::uint8_t {
  sent,                // bytes: the line as written
  received,            // bytes: the line as received, LF included
  port_opened,         // bytes: the port's name ("COM12", "10.0.0.5:4001")
  port_closed,         // bytes: the port's name
  port_lost,           // bytes: the port's name; reason: why, when known
  port_back,           // bytes: the port's name
  port_failed,         // bytes: the port's name; reason: why it cannot be opened
  no_reply,            // count: the time-out waited, in milliseconds
  unfinished_dropped,  // bytes: an unfinished line dropped before a command
  noise_dropped,       // count: bytes of an over-long line thrown away
  log_overflow,        // count: events the full queue dropped (made by rows_of)
};

struct LogEvent {
  std::int64_t time_ms = 0;  // wall clock: milliseconds since 1970-01-01 00:00 UTC
  LogKind kind = LogKind::sent;
  std::string bytes;         // wire bytes exactly, or a port's name in UTF-8
  std::string reason;        // port events: UTF-8, may be empty
  std::uint64_t count = 0;
};

LogEvent sent_event(std::int64_t time_ms, std::string_view line);
LogEvent received_event(std::int64_t time_ms, std::string_view line);
// `kind` is one of the port_* kinds.
LogEvent port_event(std::int64_t time_ms, LogKind kind, std::string_view port_name,
                    std::string_view reason = {});
LogEvent no_reply_event(std::int64_t time_ms, int timeout_ms);
LogEvent unfinished_event(std::int64_t time_ms, std::string_view bytes);
LogEvent noise_event(std::int64_t time_ms, std::size_t count);

// What one take_all found: the events in the order they were appended,
// and what the full queue dropped since the take before (all of it later
// than these events: the queue drops only while it is full).
struct LogBatch {
  std::vector<LogEvent> events;
  std::uint64_t dropped = 0;
  std::int64_t first_dropped_ms = 0;  // the time of the first event dropped
};

// The queue between the threads that see the wire and the one that shows
// it. Appending holds a lock for a move into reserved room; taking holds it
// for a swap, so neither side waits for the other's work.
class CommLog {
 public:
  // About 15 s of the shortest lines at 9600 baud: far more than arrives
  // between two takes of a reader that takes every 100 ms.
  static constexpr std::size_t default_capacity = 4096;

  explicit CommLog(std::size_t capacity = default_capacity);
  CommLog(const CommLog&) = delete;
  CommLog& operator=(const CommLog&) = delete;

  // Any thread. False when the queue was full: the event is dropped and
  // counted for the reader.
  bool append(LogEvent event);

  // The one reader: everything waiting, at once.
  LogBatch take_all();

 private:
  const std::size_t capacity_;
  std::mutex mutex_;
  std::vector<LogEvent> waiting_;  // guarded by mutex_; `capacity_` reserved
  std::uint64_t dropped_ = 0;      // guarded by mutex_
  std::int64_t first_dropped_ms_ = 0;
  std::vector<LogEvent> spare_;    // the reader's: becomes `waiting_` at the next take
};

}  // namespace zanteq
