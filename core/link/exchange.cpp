// One command and its reply, paced by the reply.
#include "core/link/exchange.h"

#include <chrono>
#include <optional>

#include "core/link/codec.h"
#include "core/link/dispatch.h"
#include "core/link/framing.h"
#include "core/link/line_assembler.h"
#include "core/link/reply_class.h"
#include "core/settings/decoders.h"

namespace zanteq {

namespace {

using Clock = std::chrono::steady_clock;

std::string without_line_end(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return std::string(line);
}

}  // namespace

std::string printable_reply(std::string_view line) { return printable_line(line); }

void Exchange::drop_waiting_input() {
  // Bounded: a unit that never stops sending (a wrong baud rate, line
  // noise) must not keep the command from going out.
  char buffer[line_buffer_size];
  for (int reads = 0; reads < 16 && line_.read_some(buffer, sizeof buffer, 0) > 0; ++reads) {
  }
}

Reply Exchange::ask(std::string_view command, int timeout_ms) {
  Reply reply;
  const std::string framed = prepare_send(link_, command);
  if (framed.empty()) {
    reply.kind = ReplyKind::not_sent;
    reply.message = "the command cannot be framed";
    return reply;
  }
  drop_waiting_input();
  if (!line_.write_all(framed)) {
    link_.reply_pending = 0;
    reply.kind = ReplyKind::line_failed;
    reply.message = line_.error();
    return reply;
  }
  bytes_sent_ += framed.size();
  if (link_.reply_pending == 0) {
    reply.kind = ReplyKind::not_awaited;
    return reply;
  }

  // A fresh assembler per command: the tail of a garbled earlier line must
  // not be glued to this reply. Lines after the first in the same read are
  // extra answers to this command and go with it.
  LineAssembler assembler;
  std::optional<std::string> first;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  char buffer[line_buffer_size];
  while (!first) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    const long n = line_.read_some(buffer, sizeof buffer, static_cast<int>(left));
    if (n < 0) {
      link_.reply_pending = 0;
      reply.kind = ReplyKind::line_failed;
      reply.message = line_.error();
      return reply;
    }
    if (n == 0) break;  // the whole wait passed with nothing
    bytes_received_ += static_cast<std::size_t>(n);
    assembler.feed(buffer, static_cast<std::size_t>(n), [&](std::string_view line) {
      // An RS-485 adapter that hears its own transmission gives the command
      // back first: that is no answer (it made a scan find every address).
      if (!first && classify_reply(line, ReplyContext{0, -1, framed, {}}).kind != ReplyClass::echo)
        first = std::string(line);
    });
  }
  if (!first) {
    // As the reply watch does when it gives up.
    link_.reply_pending = 0;
    link_.reply_wait_ticks = 0;
    reply.kind = ReplyKind::silent;
    return reply;
  }

  reply.line = without_line_end(*first);
  if (link_.rs_control != 0) {
    char address[2];
    format_dec2(link_.slave_address, address);
    if (first->size() < 2 || first->compare(0, 2, address, 2) != 0) {
      link_.reply_pending = 0;
      reply.kind = ReplyKind::wrong_address;
      return reply;
    }
  }
  const std::string_view working =
      link_.rs_control != 0 ? std::string_view(*first).substr(2) : std::string_view(*first);
  reply.text = without_line_end(working);
  reply.data = find_reply_prefix(working) != nullptr;
  reply.accepted = working == "GO\r\n";

  KeptMessage box;
  dispatch_reply(link_, record_, box, *first);
  reply.message = box.text;
  reply.kind = link_.sequence_abort ? ReplyKind::refused : ReplyKind::answered;
  return reply;
}

}  // namespace zanteq
