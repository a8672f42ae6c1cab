// The bus scan, one engine run per address.
#include "core/bulk/bus_scan.h"

#include <utility>

namespace zanteq {

namespace {

// The engine notes a foreign line as "step 1 RVN: 19VN1.00".
std::string noted_line(const std::string& note) {
  const std::size_t colon = note.find(": ");
  return colon == std::string::npos ? note : note.substr(colon + 2);
}

}  // namespace

BusScan::BusScan(std::vector<int> addresses, int timeout_ms)
    : addresses_(std::move(addresses)),
      question_(scan_transfer_plan(timeout_ms), TransferPacing{Pacing::replies, 0}),
      finished_(addresses_.empty()) {}

UnitTarget BusScan::next() const { return UnitTarget{1, finished_ ? 0 : addresses_[asked_]}; }

ScannedAddress BusScan::take_answer() {
  ScannedAddress result;
  result.target = next();
  if (finished_ || !question_.done()) return result;
  ++asked_;
  const TransferOutcome& outcome = question_.outcome();
  for (const std::string& note : outcome.foreign) result.foreign.push_back(noted_line(note));
  if (outcome.end == TransferEnd::line_failed) {
    result.answer = ScanAnswer::line_failed;
    result.line = outcome.message;
    finished_ = true;
    return result;
  }
  if (!outcome.steps.empty() && outcome.steps.front().state == StepReport::answered) {
    result.answer = ScanAnswer::answered;
    found_.push_back(result.target.address);
  } else if (!result.foreign.empty()) {
    result.answer = ScanAnswer::other_address;
    result.line = result.foreign.front();
  }
  if (asked_ == addresses_.size()) finished_ = true;
  return result;
}

}  // namespace zanteq
