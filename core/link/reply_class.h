// What a line from the unit is, and taking a data line into a record: the
// plain functions behind both the dispatch of lines outside a transfer
// (dispatch_reply) and the transfer engine (transfer.h), so the two can
// never disagree on what "GO", an error reply or a data line is.
//
// A line is looked at as the dispatch always has: it ends at its first zero
// byte and holds at most 599 bytes; on RS-485 its first two bytes are the
// address, whatever they are; "GO", "GN", "MENU" and "E0".."E3" must be
// exactly that text followed by CR LF; a data line is any text that begins
// with one of the decoders' prefixes.
#pragma once

#include <string>
#include <string_view>

#include "core/settings/decoders.h"
#include "core/settings/record.h"

namespace zanteq {

enum class ReplyClass {
  accepted,       // "GO": a set command was taken
  data,           // a data line for the field asked (any data line when nothing was asked)
  other_data,     // a data line, but for another field than the one asked
  not_applied,    // "GN": the unit cannot take the command in its present mode
  error,          // "E0".."E3": framing, parity, overrun or command error
  menu,           // "MENU": the unit shows its menu and takes no command
  other_address,  // RS-485: the line carries another unit's address
  echo,           // the command just sent, heard back (an RS-485 adapter's echo)
  unmatched,      // anything else: noise, a cut line, an unknown answer
};

// How the line came and what was asked, for classify_reply.
struct ReplyContext {
  int rs_control = 0;   // 0: RS-232C, no address on the line
  // RS-485: the address the reply must carry, 0..31, or 32 and more for
  // "FF". Negative: any address (the dispatch outside a transfer does not
  // look at it).
  int address = -1;
  // The framed command just sent, as written ("05RVAB01\r\n"); empty when
  // none is known, and then nothing is an echo.
  std::string_view sent;
  // The beginning of the data line that answers the read just sent
  // ("VAB01", "ADO"); empty when any data line will do.
  std::string_view asked;
};

struct ClassifiedReply {
  ReplyClass kind = ReplyClass::unmatched;
  // The line as the dispatch looks at it: cut at its first zero byte and
  // at 599 bytes, the address removed on RS-485, CR LF kept.
  std::string_view text;
  int error_code = -1;                 // 0..3 for E0..E3
  const ReplyPrefix* entry = nullptr;  // the decoder of a data line
};

ClassifiedReply classify_reply(std::string_view line, const ReplyContext& context);

// Takes a data line (data or other_data) into `record` with its decoder;
// does nothing for any other kind. The decoders read fixed positions, so the
// text is copied into a zero-filled line buffer first: a short line reads
// zeros, never past its end.
void decode_reply(DeviceSettings& record, const ClassifiedReply& reply);

// The box text of an error or menu reply ("Command Error", "Menu Display"),
// or nullptr for any other kind.
const char* reply_box_text(const ClassifiedReply& reply);

// Whether the reply ends a run: an error or menu reply.
inline bool reply_aborts(ReplyClass kind) { return kind == ReplyClass::error || kind == ReplyClass::menu; }

// The text of a line for messages and reports: printable ASCII as it is,
// every other byte as \xHH, the line end removed.
std::string printable_line(std::string_view line);

}  // namespace zanteq
