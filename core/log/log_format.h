// The one formatter of the communication log: what a row of the window,
// a line of the log file and a line of a saved log say for each event.
//
// A wire line is shown as it was on the wire, less the CR LF that ends
// it: printable ASCII as it is, every other byte as <XX> (upper-case hex),
// and '<' itself as <3C>, so a row reads back to exactly one byte string
// ("VAB01100", "05GO", "G<00>O<0D>" for a line that ended in CR CR LF).
// Texts are UTF-8; the file and a saved log are UTF-8 with a byte-order
// mark, one row a line, columns separated by tabs, lines ending in CR LF:
//
//   2026-12-07 13:45:02.123<TAB>送信<TAB>VAB01100
//   2026-12-07 13:45:03.125<TAB><TAB>応答なし (1000 ms)
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/log/comm_log.h"

namespace zanteq {

// The wall clock for the callers of CommLog::append.
std::int64_t wall_clock_ms();

// A moment in the local time of this machine, broken down.
struct LocalTime {
  int year = 1970;
  int month = 1;   // 1..12
  int day = 1;     // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  bool operator==(const LocalTime& o) const {
    return year == o.year && month == o.month && day == o.day && hour == o.hour && minute == o.minute &&
           second == o.second && millisecond == o.millisecond;
  }
};

// Converts with the C library's local time rules (the TZ setting on POSIX,
// the system's time zone on Windows). Any thread.
LocalTime local_time(std::int64_t time_ms);

std::string clock_text(const LocalTime& t);  // "13:45:02.123"
std::string stamp_text(const LocalTime& t);  // "2026-12-07 13:45:02.123"

enum class LogDirection : std::uint8_t { none, sent, received };
const char* direction_text(LogDirection direction);  // "送信", "受信" or ""

// A wire line as a row shows it (see the top of this file).
std::string wire_text(std::string_view line);

// The text column of the event's row.
std::string event_text(const LogEvent& event);

struct LogRow {
  LocalTime time;
  LogDirection direction = LogDirection::none;
  std::string text;  // UTF-8, no control characters
};

LogRow row_of(const LogEvent& event, const LocalTime& time);

// The rows of one take, in order, each with its local time; the events the
// full queue dropped end the batch as one row that says how many.
using LocalTimeOf = LocalTime (*)(std::int64_t time_ms);
std::vector<LogRow> rows_of(const LogBatch& batch, LocalTimeOf to_local = local_time);

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

// One line of the log file and of a saved log, CR LF included.
std::string file_line(const LogRow& row);

}  // namespace zanteq
