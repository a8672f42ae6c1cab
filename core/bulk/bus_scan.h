// Finding the units of an RS-485 bus: each address is asked once, one after
// the other, with the shortest read command there is and a short time-out,
// so a silent address costs little. An error reply still means a unit is
// there. The front end walks the scan address by address (for its progress
// and a stop between two questions) and shows what each one gave.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/link/address_list.h"
#include "core/link/exchange.h"

namespace zanteq {

// A unit answers within a few milliseconds; a silent address costs this.
constexpr int bus_scan_timeout_ms = 250;

enum class ScanAnswer {
  answered,       // a unit is at this address (any complete line, an error reply too)
  silent,         // nothing within the time-out
  other_address,  // a line came from another address: two units share one, or the wiring echoes
  line_failed,    // the port failed; the scan ends here
};

struct ScannedAddress {
  UnitTarget target;
  ScanAnswer answer = ScanAnswer::silent;
  std::string line;  // other_address: the line as it came; line_failed: the port's reason
};

class BusScan {
 public:
  // `exchange` works on `link`, which the scan aims at each address in turn.
  BusScan(Exchange& exchange, LinkState& link, std::vector<int> addresses,
          int timeout_ms = bus_scan_timeout_ms);

  // Every address asked, or the port failed.
  bool finished() const { return finished_; }
  // The address ask_next asks, while not finished.
  UnitTarget next() const;
  std::size_t asked() const { return asked_; }
  std::size_t count() const { return addresses_.size(); }

  ScannedAddress ask_next();

  // The addresses that answered so far, in the order asked.
  const std::vector<int>& found() const { return found_; }

 private:
  Exchange& exchange_;
  LinkState& link_;
  std::vector<int> addresses_;
  int timeout_ms_;
  std::size_t asked_ = 0;
  bool finished_ = false;
  std::vector<int> found_;
};

}  // namespace zanteq
