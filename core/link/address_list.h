// Slave addresses written as a list, as an installer names the units of a
// bus: "5", "05", "0-7,12", "all" (00..31).
#pragma once

#include <string_view>
#include <vector>

namespace zanteq {

// Each number one or two decimal digits within 0..31, a range low to high.
// The addresses in the order given, each once; false (and `addresses`
// empty) for anything else.
bool parse_address_list(std::string_view text, std::vector<int>& addresses);

}  // namespace zanteq
