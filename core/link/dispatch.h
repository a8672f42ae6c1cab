// Reply dispatch and the reply watch.
//
// dispatch_reply runs on the receiving thread for every complete line; it
// updates the link flags, hands data lines to the decoders (which write the
// record) and shows the unit's error replies through the Reporter at once.
// reply_tick runs on the interface thread at every main-timer tick; it shows
// "No Connect" and the deferred "Success".
#pragma once

#include <string_view>

#include "link/reporter.h"
#include "settings/record.h"

namespace zanteq {

constexpr int no_connect_ticks = 26;  // the box comes on the 27th tick of waiting

// `line` is one reply line as received, normally ending in "\r\n".
void dispatch_reply(LinkState& link, DeviceSettings& record, Reporter& reporter,
                    std::string_view line);

void reply_tick(LinkState& link, Reporter& reporter);

}  // namespace zanteq
