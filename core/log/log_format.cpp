// The communication log's texts.
#include "core/log/log_format.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace zanteq {

namespace {

void append_hex(std::string& out, unsigned char byte) {
  static const char hex[] = "0123456789ABCDEF";
  out += '<';
  out += hex[byte >> 4];
  out += hex[byte & 0xF];
  out += '>';
}

// Wire bytes: printable ASCII but '<' as it is, every other byte as <XX>.
std::string escaped_bytes(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + 8);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && byte != '<') out += c;
    else append_hex(out, byte);
  }
  return out;
}

// Length of the well-formed UTF-8 sequence at the start of `s` (2..4
// bytes), or 0.
std::size_t utf8_sequence(std::string_view s) {
  const auto at = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = at(0);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the second byte's range
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
  else return 0;
  if (lead == 0xE0) low = 0xA0;         // no overlong forms
  else if (lead == 0xED) high = 0x9F;   // no surrogates
  else if (lead == 0xF0) low = 0x90;
  else if (lead == 0xF4) high = 0x8F;   // nothing past U+10FFFF
  if (s.size() < length || at(1) < low || at(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (at(i) < 0x80 || at(i) > 0xBF) return 0;
  return length;
}

// A port's name or a reason: UTF-8 text as it is, control characters and
// bytes that are not UTF-8 as <XX>, so a row stays one line of text.
std::string readable_text(std::string_view text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte < 0x7F) {
      out += text[i++];
      continue;
    }
    const std::size_t length = byte >= 0x80 ? utf8_sequence(text.substr(i)) : 0;
    if (length == 0) {
      append_hex(out, byte);
      ++i;
    } else {
      out.append(text, i, length);
      i += length;
    }
  }
  return out;
}

std::string port_text(const LogEvent& e, const char* what) {
  std::string text = readable_text(e.bytes) + what;
  if (!e.reason.empty()) text += "（" + readable_text(e.reason) + "）";
  return text;
}

}  // namespace

std::int64_t wall_clock_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

LocalTime local_time(std::int64_t time_ms) {
  // Whole seconds rounded down, also before 1970, so the milliseconds are
  // never negative.
  std::int64_t seconds = time_ms / 1000;
  int millisecond = static_cast<int>(time_ms % 1000);
  if (millisecond < 0) {
    millisecond += 1000;
    --seconds;
  }
  const std::time_t t = static_cast<std::time_t>(seconds);
  LocalTime out;
  out.millisecond = millisecond;
  // std::localtime shares one result between threads; the lock makes the
  // copy safe among the callers of this function (the only ones here).
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  const std::tm* tm = std::localtime(&t);
  if (!tm) tm = std::gmtime(&t);
  if (!tm) return out;
  out.year = tm->tm_year + 1900;
  out.month = tm->tm_mon + 1;
  out.day = tm->tm_mday;
  out.hour = tm->tm_hour;
  out.minute = tm->tm_min;
  out.second = tm->tm_sec;
  return out;
}

std::string clock_text(const LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", t.hour, t.minute, t.second, t.millisecond);
  return text;
}

std::string stamp_text(const LocalTime& t) {
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d ", t.year, t.month, t.day);
  return text + clock_text(t);
}

const char* direction_text(LogDirection direction) {
  switch (direction) {
    case LogDirection::sent: return "送信";
    case LogDirection::received: return "受信";
    case LogDirection::none: break;
  }
  return "";
}

std::string wire_text(std::string_view line) {
  if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n") line.remove_suffix(2);
  return escaped_bytes(line);
}

std::string event_text(const LogEvent& e) {
  switch (e.kind) {
    case LogKind::sent:
    case LogKind::received: return wire_text(e.bytes);
    case LogKind::port_opened: return port_text(e, " を開きました");
    case LogKind::port_closed: return port_text(e, " を閉じました");
    case LogKind::port_lost: return port_text(e, " との接続が切れました");
    case LogKind::port_back: return port_text(e, " に再接続しました");
    case LogKind::port_failed: return port_text(e, " を開けません");
    case LogKind::port_note: return readable_text(e.bytes) + ": " + readable_text(e.reason);
    case LogKind::no_reply: return "応答なし (" + std::to_string(e.count) + " ms)";
    case LogKind::unfinished_dropped:
      // Not a line: a CR at its end is one of its bytes.
      return "未完の行 " + std::to_string(e.bytes.size()) + " バイトを破棄: " + escaped_bytes(e.bytes);
    case LogKind::noise_dropped: return "ノイズ " + std::to_string(e.count) + " バイトを破棄";
    case LogKind::log_overflow: return "記録が追いつかず " + std::to_string(e.count) + " 件を省略";
  }
  return {};
}

LogRow row_of(const LogEvent& event, const LocalTime& time) {
  LogRow row;
  row.time = time;
  row.direction = event.kind == LogKind::sent       ? LogDirection::sent
                  : event.kind == LogKind::received ? LogDirection::received
                                                    : LogDirection::none;
  row.text = event_text(event);
  return row;
}

std::vector<LogRow> rows_of(const LogBatch& batch, LocalTimeOf to_local) {
  std::vector<LogRow> rows;
  rows.reserve(batch.events.size() + 1);
  for (const LogEvent& e : batch.events) rows.push_back(row_of(e, to_local(e.time_ms)));
  if (batch.dropped > 0) {
    LogEvent overflow;
    overflow.time_ms = batch.first_dropped_ms;
    overflow.kind = LogKind::log_overflow;
    overflow.count = batch.dropped;
    rows.push_back(row_of(overflow, to_local(overflow.time_ms)));
  }
  return rows;
}

std::string file_line(const LogRow& row) {
  std::string line = stamp_text(row.time);
  line += '\t';
  line += direction_text(row.direction);
  line += '\t';
  line += row.text;
  line += "\r\n";
  return line;
}

}  // namespace zanteq
