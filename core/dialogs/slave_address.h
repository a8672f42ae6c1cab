// What the slave-address combo of a dialog holds: its entries, the entry
// selected at opening and whether the user may change it.
#pragma once

#include <string>
#include <vector>

#include "core/settings/record.h"

namespace zanteq {

enum class SlaveAddressUse {
  // The feature dialogs and set-all: "00".."31" and "Bloadcast". On RS-485
  // slave_address is selected; on RS-232C, where no address goes on the
  // wire, the combo is disabled and shows nothing.
  feature_dialog,
  // Read-all: a broadcast is never answered, so there is no "Bloadcast".
  // With broadcast chosen elsewhere nothing is selected (the reads go out
  // to "FF" all the same).
  read_all,
  // The slave address dialog: never disabled, so the address can be chosen
  // ahead of switching to RS-485, and slave_address is always selected.
  address_dialog,
};

struct SlaveAddressCombo {
  std::vector<std::string> entries;  // at indexes 0, 1, 2, ...; index = address
  int selection;                     // -1: nothing selected
  bool enabled;
};

SlaveAddressCombo slave_address_combo(const LinkState& link, SlaveAddressUse use);

}  // namespace zanteq
