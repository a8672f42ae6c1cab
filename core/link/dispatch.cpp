// Reply dispatch by the kind of line and the reply watch.
//
// Flags are written before any box is shown: a box blocks its thread, and
// the other thread must already see the state the line or tick produced.
#include "core/link/dispatch.h"

#include "core/link/reply_class.h"

namespace zanteq {

void dispatch_reply(LinkState& link, DeviceSettings& record, Reporter& reporter,
                    std::string_view line) {
  link.reply_wait_ticks = 0;
  link.reply_pending = 0;

  // Outside a transfer nothing was asked and no address is checked: on
  // RS-485 the first two bytes are dropped, whatever they are.
  ReplyContext context;
  context.rs_control = link.rs_control;
  const ClassifiedReply reply = classify_reply(line, context);

  link.sequence_abort = 0;

  switch (reply.kind) {
    case ReplyClass::accepted:
      if (link.sequence_step == 0) link.success_pending = 1;
      return;
    case ReplyClass::data:
    case ReplyClass::other_data:
      decode_reply(record, reply);
      if (reply.entry->raises_success) link.success_pending = 1;
      return;
    case ReplyClass::not_applied:
      if (link.sequence_step == 0) reporter.show_error_box("Mode Error");
      return;
    case ReplyClass::menu:
    case ReplyClass::error:
      link.sequence_abort = 1;
      reporter.show_error_box(reply_box_text(reply));
      return;
    case ReplyClass::other_address:
    case ReplyClass::echo:
    case ReplyClass::unmatched:
      return;
  }
}

bool reply_tick(LinkState& link, Reporter& reporter) {
  bool gave_up = false;
  if (link.reply_pending == 1) {
    const int before = link.reply_wait_ticks.fetch_add(1);
    if (before > no_connect_ticks) {
      link.reply_pending = 0;
      link.reply_wait_ticks = 0;
      gave_up = true;
      reporter.show_error_box("No Connect");
    }
  }
  // exchange: a tick that runs behind the open box must not show it again.
  if (link.success_pending.exchange(0) == 1) reporter.show_success_box("Success");
  return gave_up;
}

}  // namespace zanteq
