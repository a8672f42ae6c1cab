// Reply dispatch by prefix and the reply watch.
//
// Flags are written before any box is shown: a box blocks its thread, and
// the other thread must already see the state the line or tick produced.
#include "core/link/dispatch.h"

#include <cstring>

#include "core/link/framing.h"
#include "core/settings/decoders.h"

namespace zanteq {

namespace {

struct ErrorReply {
  const char* line;
  const char* message;
};

const ErrorReply error_replies[] = {
    {"E0\r\n", "Framing Error"},
    {"E1\r\n", "Parity Error"},
    {"E2\r\n", "Over Run Error"},
    {"E3\r\n", "Command Error"},
};

}  // namespace

void dispatch_reply(LinkState& link, DeviceSettings& record, Reporter& reporter,
                    std::string_view line) {
  link.reply_wait_ticks = 0;
  link.reply_pending = 0;

  // The decoders read fixed positions and rely on a zero-filled buffer
  // behind a short line.
  char text[line_buffer_size] = {};
  line = line.substr(0, line.find('\0'));
  if (link.rs_control != 0) line = line.size() > 2 ? line.substr(2) : std::string_view();
  line = line.substr(0, line_buffer_size - 1);
  if (!line.empty()) std::memcpy(text, line.data(), line.size());
  const std::string_view working(text, line.size());

  link.sequence_abort = 0;

  if (working == "GO\r\n") {
    if (link.sequence_step == 0) link.success_pending = 1;
    return;
  }
  if (working == "MENU\r\n") {
    link.sequence_abort = 1;
    reporter.show_error_box("Menu Display");
    return;
  }
  if (const ReplyPrefix* entry = find_reply_prefix(working)) {
    entry->decode(record, text);
    if (entry->raises_success) link.success_pending = 1;
    return;
  }
  if (working == "GN\r\n") {
    if (link.sequence_step == 0) reporter.show_error_box("Mode Error");
    return;
  }
  for (const ErrorReply& error : error_replies) {
    if (working == error.line) {
      link.sequence_abort = 1;
      reporter.show_error_box(error.message);
      return;
    }
  }
}

void reply_tick(LinkState& link, Reporter& reporter) {
  if (link.reply_pending == 1) {
    const int before = link.reply_wait_ticks.fetch_add(1);
    if (before > no_connect_ticks) {
      link.reply_pending = 0;
      link.reply_wait_ticks = 0;
      reporter.show_error_box("No Connect");
    }
  }
  // exchange: a tick that runs behind the open box must not show it again.
  if (link.success_pending.exchange(0) == 1) reporter.show_success_box("Success");
}

}  // namespace zanteq
