// The bus scan over the exchange of one command and its reply.
#include "core/bulk/bus_scan.h"

#include <utility>

namespace zanteq {

namespace {

const char* const scan_command = "RVN\r\n";  // the version: the shortest answer of all

}  // namespace

BusScan::BusScan(Exchange& exchange, LinkState& link, std::vector<int> addresses, int timeout_ms)
    : exchange_(exchange),
      link_(link),
      addresses_(std::move(addresses)),
      timeout_ms_(timeout_ms),
      finished_(addresses_.empty()) {}

UnitTarget BusScan::next() const {
  return UnitTarget{1, finished_ ? 0 : addresses_[asked_]};
}

ScannedAddress BusScan::ask_next() {
  ScannedAddress result;
  result.target = next();
  if (finished_) return result;
  aim_at(link_, result.target);
  const Reply reply = exchange_.ask(scan_command, timeout_ms_);
  ++asked_;
  switch (reply.kind) {
    case ReplyKind::answered:
    case ReplyKind::refused:
      result.answer = ScanAnswer::answered;
      found_.push_back(result.target.address);
      break;
    case ReplyKind::wrong_address:
      result.answer = ScanAnswer::other_address;
      result.line = reply.line;
      break;
    case ReplyKind::line_failed:
      result.answer = ScanAnswer::line_failed;
      result.line = reply.message;
      finished_ = true;
      break;
    case ReplyKind::silent:
    case ReplyKind::not_awaited:
    case ReplyKind::not_sent:
      break;
  }
  if (asked_ == addresses_.size()) finished_ = true;
  return result;
}

}  // namespace zanteq
