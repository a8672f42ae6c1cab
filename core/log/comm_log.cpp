// The communication log's events and the queue between the threads.
#include "core/log/comm_log.h"

#include <utility>

namespace zanteq {

LogEvent sent_event(std::int64_t time_ms, std::string_view line) {
  LogEvent e;
  e.time_ms = time_ms;
  e.kind = LogKind::sent;
  e.bytes = std::string(line);
  return e;
}

LogEvent received_event(std::int64_t time_ms, std::string_view line) {
  LogEvent e = sent_event(time_ms, line);
  e.kind = LogKind::received;
  return e;
}

LogEvent port_event(std::int64_t time_ms, LogKind kind, std::string_view port_name, std::string_view reason) {
  LogEvent e;
  e.time_ms = time_ms;
  e.kind = kind;
  e.bytes = std::string(port_name);
  e.reason = std::string(reason);
  return e;
}

LogEvent no_reply_event(std::int64_t time_ms, int timeout_ms) {
  LogEvent e;
  e.time_ms = time_ms;
  e.kind = LogKind::no_reply;
  e.count = timeout_ms > 0 ? static_cast<std::uint64_t>(timeout_ms) : 0;
  return e;
}

LogEvent unfinished_event(std::int64_t time_ms, std::string_view bytes) {
  LogEvent e = sent_event(time_ms, bytes);
  e.kind = LogKind::unfinished_dropped;
  e.count = bytes.size();
  return e;
}

LogEvent noise_event(std::int64_t time_ms, std::size_t count) {
  LogEvent e;
  e.time_ms = time_ms;
  e.kind = LogKind::noise_dropped;
  e.count = count;
  return e;
}

CommLog::CommLog(std::size_t capacity) : capacity_(capacity > 0 ? capacity : 1) {
  waiting_.reserve(capacity_);
}

bool CommLog::append(LogEvent event) {
  bool first = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (waiting_.size() >= capacity_) {
      if (dropped_++ == 0) first_dropped_ms_ = event.time_ms;
      return false;
    }
    first = waiting_.empty() && dropped_ == 0;
    waiting_.push_back(std::move(event));  // a move into reserved room: no allocation here
  }
  // Only the first event after a take wakes the reader: it takes the rest
  // with it, so a flood costs one wake-up per take.
  if (first && wake_) wake_();
  return true;
}

LogBatch CommLog::take_all() {
  // The room for the next events is made outside the lock, so an appending
  // thread never waits for an allocation of the reader's.
  if (spare_.capacity() < capacity_) spare_.reserve(capacity_);
  LogBatch batch;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (waiting_.empty() && dropped_ == 0) return batch;
    waiting_.swap(spare_);
    batch.dropped = dropped_;
    batch.first_dropped_ms = first_dropped_ms_;
    dropped_ = 0;
  }
  batch.events = std::move(spare_);
  spare_ = std::vector<LogEvent>();
  return batch;
}

}  // namespace zanteq
