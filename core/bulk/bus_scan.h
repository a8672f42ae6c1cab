// Finding the units of an RS-485 bus: each address is asked once, one after
// the other, with the shortest read command there is and a short time-out,
// so a silent address costs little. An error reply still means a unit is
// there.
//
// Each question is a run of the transfer engine (scan_transfer_plan), so
// the scan paces, skips an adapter's echo and lines from other addresses
// exactly as every other transfer does. The scan does no I/O: the front end
// starts question() at next(), drives it until done as it drives any
// transfer (a blocking loop, a window), then take_answer() says what the
// address gave and moves on. Between two questions the front end shows its
// progress and may stop.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/bulk/transfer_plans.h"
#include "core/link/address_list.h"
#include "core/link/transfer.h"

namespace zanteq {

enum class ScanAnswer {
  answered,       // a unit is at this address (any complete line, an error reply too)
  silent,         // nothing within the time-out
  other_address,  // nothing from it, but a line came from another address: two units share one, or the wiring echoes
  line_failed,    // the port failed; the scan ends here
};

struct ScannedAddress {
  UnitTarget target;
  ScanAnswer answer = ScanAnswer::silent;
  std::string line;  // other_address: the first such line, printable; line_failed: the port's reason
  // Lines from other addresses heard while asking, printable, whatever the
  // answer ("19VN1.00").
  std::vector<std::string> foreign;
};

class BusScan {
 public:
  explicit BusScan(std::vector<int> addresses, int timeout_ms = scan_timeout_ms);

  // Every address asked, or the port failed.
  bool finished() const { return finished_; }
  // The address the next question goes to, while not finished.
  UnitTarget next() const;
  std::size_t asked() const { return asked_; }
  std::size_t count() const { return addresses_.size(); }

  // The question to next(): start it with question().start(now,
  // transfer_target(next())) and drive it until done.
  Transfer& question() { return question_; }
  // After the question is done: what the address gave.
  ScannedAddress take_answer();

  // The addresses that answered so far, in the order asked.
  const std::vector<int>& found() const { return found_; }

 private:
  std::vector<int> addresses_;
  Transfer question_;
  std::size_t asked_ = 0;
  bool finished_ = false;
  std::vector<int> found_;
};

}  // namespace zanteq
