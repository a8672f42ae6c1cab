// Parsing a list of slave addresses, and the units it names.
#include "core/link/address_list.h"

#include <algorithm>

#include "core/link/codec.h"
#include "core/link/framing.h"

namespace zanteq {

namespace {

bool address_number(std::string_view digits, int& value) {
  if (digits.empty() || digits.size() > 2) return false;
  value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value < broadcast_address;
}

}  // namespace

bool parse_address_list(std::string_view text, std::vector<int>& addresses) {
  addresses.clear();
  if (text == "all") text = "0-31";
  std::size_t from = 0;
  while (from <= text.size()) {
    const std::size_t comma = std::min(text.find(',', from), text.size());
    const std::string_view item = text.substr(from, comma - from);
    const std::size_t dash = item.find('-');
    int first = 0, last = 0;
    const bool ok = dash == std::string_view::npos
                        ? address_number(item, first) && (last = first, true)
                        : address_number(item.substr(0, dash), first) &&
                              address_number(item.substr(dash + 1), last) && first <= last;
    if (!ok) {
      addresses.clear();
      return false;
    }
    for (int a = first; a <= last; ++a)
      if (std::find(addresses.begin(), addresses.end(), a) == addresses.end()) addresses.push_back(a);
    from = comma + 1;
  }
  return true;
}

std::vector<int> every_address() {
  std::vector<int> addresses;
  for (int a = 0; a < broadcast_address; ++a) addresses.push_back(a);
  return addresses;
}

bool UnitTarget::broadcast() const { return rs_control != 0 && address >= broadcast_address; }

std::string UnitTarget::name() const {
  if (rs_control == 0) return "RS-232C";
  if (broadcast()) return "FF";
  return dec2_text(address);
}

std::vector<UnitTarget> unit_targets(const std::vector<int>* addresses, bool broadcast) {
  if (broadcast) return {UnitTarget{1, broadcast_address}};
  if (!addresses) return {UnitTarget{0, 0}};
  std::vector<UnitTarget> targets;
  for (const int a : *addresses) targets.push_back(UnitTarget{1, a});
  return targets;
}

}  // namespace zanteq
