// Reply dispatch and the reply watch.
//
// dispatch_reply runs on the receiving thread for every complete line; it
// updates the link flags, hands data lines to the decoders (which write the
// record) and shows the unit's error replies through the Reporter at once.
// reply_tick runs on the interface thread at every main-timer tick; it shows
// "No Connect" and the deferred "Success". The two meet only in the atomic
// flags of LinkState.
#pragma once

#include <string_view>

#include "core/link/reporter.h"
#include "core/settings/record.h"

namespace zanteq {

// reply_tick gives up when the count before its increment exceeds this: the
// "No Connect" box comes on the 27th tick of waiting (about 8 s at 300 ms).
constexpr int no_connect_ticks = 25;

// `line` is one reply line as received, normally ending in "\r\n". Like the
// zero-terminated line buffer it stands for, it ends at its first zero byte
// and holds at most 599 bytes; anything beyond is not looked at. Any line,
// even one that matches nothing, ends the wait for a reply.
void dispatch_reply(LinkState& link, DeviceSettings& record, Reporter& reporter,
                    std::string_view line);

// True on the tick that gave up waiting ("No Connect"), for the
// communication log.
bool reply_tick(LinkState& link, Reporter& reporter);

}  // namespace zanteq
