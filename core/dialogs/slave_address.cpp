// The slave-address combo's contents for each kind of dialog.
#include "core/dialogs/slave_address.h"

#include "core/link/codec.h"
#include "core/link/framing.h"

namespace zanteq {

SlaveAddressCombo slave_address_combo(const LinkState& link, SlaveAddressUse use) {
  SlaveAddressCombo combo{{}, -1, false};
  for (int address = 0; address < broadcast_address; ++address) {
    char text[3] = {};
    format_dec2(address, text);
    combo.entries.emplace_back(text);
  }
  if (use != SlaveAddressUse::read_all) combo.entries.emplace_back("Bloadcast");

  const int address = link.slave_address;
  combo.enabled = use == SlaveAddressUse::address_dialog || link.rs_control != 0;
  if (combo.enabled && address >= 0 && address < static_cast<int>(combo.entries.size()))
    combo.selection = address;
  return combo;
}

}  // namespace zanteq
