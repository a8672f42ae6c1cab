// Fuzz target: a list of slave addresses as an installer types it for
// zanteqctl's --address or the simulator's --rs485 ("5", "0-7,12", "all").
//
// Checked besides the sanitizers:
//  - a taken list holds addresses 0..31 only, each once, at least one; a
//    refused one leaves nothing behind;
//  - the addresses written back as a plain list ("3,0,12") read as the same
//    list;
//  - every address taken is written in the text, alone or as the end of a
//    range around it.
#include <algorithm>
#include <string>
#include <vector>

#include "core/link/address_list.h"
#include "core/link/framing.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// Whether `address` is one of the text's items or lies within one of its
// ranges, read here with the standard library's own number parsing.
bool named_in(std::string_view text, int address) {
  if (text == "all") return true;
  std::size_t from = 0;
  while (from <= text.size()) {
    const std::size_t comma = std::min(text.find(',', from), text.size());
    const std::string item(text.substr(from, comma - from));
    const std::size_t dash = item.find('-');
    const int first = std::stoi(item.substr(0, dash));
    const int last = dash == std::string::npos ? first : std::stoi(item.substr(dash + 1));
    if (address >= first && address <= last) return true;
    from = comma + 1;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zanteq;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<int> addresses{99};
  if (!parse_address_list(text, addresses)) {
    FUZZ_CHECK(addresses.empty(), "a refused list left addresses behind");
    return 0;
  }
  FUZZ_CHECK(!addresses.empty(), "a list taken without an address");
  std::string plain;
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    const int a = addresses[i];
    FUZZ_CHECK(a >= 0 && a < broadcast_address, "an address outside 0..31");
    FUZZ_CHECK(std::count(addresses.begin(), addresses.end(), a) == 1, "an address twice");
    FUZZ_CHECK(named_in(text, a), "an address the text does not name");
    plain += (i ? "," : "") + std::to_string(a);
  }
  std::vector<int> again;
  FUZZ_CHECK(parse_address_list(plain, again) && again == addresses, "the list written plainly reads otherwise");
  return 0;
}
