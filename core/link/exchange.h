// One command and its reply, for a front end that waits for each answer
// instead of running on a timer.
//
// The command is framed and sent as the send operation does (prepare_send);
// the reply is the first complete line that comes back, as the line
// assembly cuts it, and it is handed to dispatch_reply like every other
// line, so the reply watch's and the dispatch's rules decide what counts as
// the answer and what ends a run: an error or menu reply sets
// `sequence_abort`. A broadcast awaits nothing, as prepare_send leaves
// `reply_pending` at 0 for it.
//
// On RS-485 a reply must carry the unit's own address; a line from another
// address is not dispatched (its data must not reach this unit's record).
// The command itself coming back (an adapter's echo) is skipped.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/link/reporter.h"
#include "core/link/serial_line.h"
#include "core/settings/record.h"

namespace zanteq {

enum class ReplyKind {
  answered,       // a line came and was dispatched; not an error or menu reply
  refused,        // an error or menu reply: the run of a sequence ends on it
  silent,         // no complete line within the time-out
  wrong_address,  // RS-485: the line carries another unit's address
  not_awaited,    // a broadcast: nothing answers
  line_failed,    // the port failed (reading or writing)
  not_sent,       // the text cannot be framed (too long, bad address)
};

struct Reply {
  ReplyKind kind = ReplyKind::silent;
  std::string line;     // the line as received, CR LF removed (address kept)
  std::string text;     // the text the dispatch looked at: no address, no CR LF
  std::string message;  // the dispatch's box text ("Command Error"), or the port's error
  bool data = false;    // a data line, taken by one of the decoders
  bool accepted = false;  // "GO"
};

class Exchange {
 public:
  // The link's rs_control and slave_address choose the framing; replies are
  // decoded into `record`.
  Exchange(SerialLine& line, LinkState& link, DeviceSettings& record)
      : line_(line), link_(link), record_(record) {}

  // Sends `command` (ending in "\r\n") and waits up to `timeout_ms` for the
  // reply. Bytes already waiting before the send belong to an earlier
  // command (a late reply after a time-out) and are dropped first.
  Reply ask(std::string_view command, int timeout_ms);

  std::size_t bytes_sent() const { return bytes_sent_; }
  std::size_t bytes_received() const { return bytes_received_; }

 private:
  void drop_waiting_input();

  SerialLine& line_;
  LinkState& link_;
  DeviceSettings& record_;
  std::size_t bytes_sent_ = 0;
  std::size_t bytes_received_ = 0;
};

// The text of a reply line for messages: printable ASCII as it is, every
// other byte as \xHH, CR LF removed.
std::string printable_reply(std::string_view line);

}  // namespace zanteq
