// Auto-switch dwell times.
#include "core/dialogs/auto_switch.h"

#include "core/dialogs/command_fields.h"

namespace zanteq {

std::string build_auto_switch(const DeviceSettings& r) {
  std::string line = "CASTM0000000000\r\n";
  for (int k = 0; k < dwell_count; ++k) put_dec2(line, 5 + 2 * k, r.auto_switch_dwell[k]);
  return line;
}

}  // namespace zanteq
