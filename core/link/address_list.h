// Slave addresses written as a list, as an installer names the units of a
// bus: "5", "05", "0-7,12", "all" (00..31), and the units such a list
// sends to.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/link/transfer.h"

namespace zanteq {

// Each number one or two decimal digits within 0..31, a range low to high.
// The addresses in the order given, each once; false (and `addresses`
// empty) for anything else.
bool parse_address_list(std::string_view text, std::vector<int>& addresses);

// Every address of a bus, 00..31: what a scan asks when no list is given.
std::vector<int> every_address();

// One unit that commands go to.
struct UnitTarget {
  int rs_control = 0;  // 0: RS-232C, the one unit on the line; otherwise RS-485
  int address = 0;     // RS-485: 0..31, or broadcast_address for every unit at once

  bool broadcast() const;
  // As messages and JSON name it: "RS-232C", "07", "FF".
  std::string name() const;
};

// The units of a command: without a list the RS-232C unit; with
// `broadcast` one send to address FF; otherwise each address of the list,
// in its order.
std::vector<UnitTarget> unit_targets(const std::vector<int>* addresses, bool broadcast);

// The target of a transfer to `target`.
inline TransferTarget transfer_target(const UnitTarget& target) {
  return TransferTarget{target.rs_control, target.address};
}

}  // namespace zanteq
