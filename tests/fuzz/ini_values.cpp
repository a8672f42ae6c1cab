// Fuzz target: the values of a hand-edited zanteq.ini as the platform hands
// them over, and the older INI places built from two folder names.
//
// Input: the value text; after its first zero byte the two folder names,
// parted by the next zero byte.
//
// Checked besides the sanitizers:
//  - the value is what the C library's atoi makes of the first nine
//    characters (the older programs read it so);
//  - the checked port and unit-name entry lie within their tables and keep
//    every value that does; the pace is the old one for 1 only;
//  - a value written by the interface dialog reads back as itself;
//  - each older place ends in the INI's name.
#include <cstdlib>
#include <string>

#include "core/link/port_link.h"
#include "core/settings/ini_values.h"
#include "core/settings/record.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zanteq;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string_view text = input.substr(0, input.find('\0'));

  const int value = ini_to_int(text);
  const std::string nine(text.substr(0, ini_value_chars));
  FUZZ_CHECK(value == std::atoi(nine.c_str()), "the value is not what atoi makes of it");

  const int port = checked_com_port(value);
  FUZZ_CHECK(port >= 0 && port <= com_port_max && (port == value || port == 0), "a port outside COM1..COM256");
  const int entry = checked_select_number(value);
  FUZZ_CHECK(entry >= -1 && entry < unit_name_count && (entry == value || entry == 0),
             "a unit-name entry outside the table");
  const int pace = checked_transfer_pace(value);
  FUZZ_CHECK(pace == (value == transfer_pace_timer ? transfer_pace_timer : transfer_pace_replies),
             "a pace other than the two, or 1 not taken as the old pace");
  const std::string written = int_to_ini(value);
  if (written.size() <= ini_value_chars) FUZZ_CHECK(ini_to_int(written) == value, "a written value reads back otherwise");

  if (text.size() < input.size()) {
    const std::string_view folders = input.substr(text.size() + 1);
    const std::string_view local = folders.substr(0, folders.find('\0'));
    const std::string_view windows = local.size() < folders.size() ? folders.substr(local.size() + 1) : "";
    const auto places = older_ini_places(std::string(local), std::string(windows));
    FUZZ_CHECK(places.size() <= 2, "more than two older INI places");
    for (const std::string& place : places)
      FUZZ_CHECK(place.size() > 11 && place.compare(place.size() - 11, 11, "\\zanteq.ini") == 0,
                 "an older INI place that does not name the INI");
  }
  return 0;
}
