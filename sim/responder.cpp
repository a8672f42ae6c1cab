// Addressing, fault rules and output timing of the simulated unit.
#include "sim/responder.h"

#include <algorithm>

#include "core/link/codec.h"
#include "sim/unit_commands.h"

namespace zanteq::sim {

Answer Responder::on_line(std::string_view line, std::int64_t now_ms) {
  Answer a;
  std::string_view command = line;
  bool broadcast = false;
  if (link_.rs485) {
    if (line.size() < 2) return a;
    const std::string_view address = line.substr(0, 2);
    char own[2];
    format_dec2(link_.address, own);
    broadcast = address == "FF";
    if (!broadcast && address != std::string_view(own, 2)) return a;
    command = line.substr(2);
  }
  a.taken = true;

  const FaultDecision decision = faults_.decide(command);
  if (decision.silent) return a;
  std::string reply;
  if (decision.replaced) {
    reply = decision.reply;
  } else {
    reply = handle_command(state_, command, now_ms);
    a.applied = true;
  }
  if (broadcast) return a;  // applied by every unit, answered by none

  if (link_.rs485 && !decision.verbatim) {
    char own[2];
    format_dec2(link_.address, own);
    reply.insert(0, own, 2);
  }
  a.delivery = faults_.delivery(command);
  if (a.delivery.twice) reply += reply;
  if (a.delivery.join) {
    held_ += reply;
    return a;
  }
  a.bytes = held_ + reply;
  held_.clear();
  return a;
}

void OutputQueue::push(const std::string& bytes, const Delivery& d, std::int64_t now_ns) {
  if (bytes.empty()) return;
  const std::int64_t ms = 1000000;
  std::size_t from = 0;
  bool first = true;
  std::vector<std::size_t> cuts;
  for (std::size_t c : d.cuts)
    if (c < bytes.size()) cuts.push_back(c);
  cuts.push_back(bytes.size());
  for (std::size_t to : cuts) {
    Piece p;
    p.bytes = bytes.substr(from, to - from);
    p.not_before = first ? now_ns + d.delay_ms * ms : 0;
    p.gap = first ? 0 : d.split_gap_ms * ms;
    pieces_.push_back(std::move(p));
    from = to;
    first = false;
  }
}

std::optional<std::int64_t> OutputQueue::next_due(bool paced) const {
  if (pieces_.empty()) return std::nullopt;
  const Piece& p = pieces_.front();
  if (p.sent > 0) return paced ? line_free_at_ : INT64_MIN / 2;  // the rest of a started piece
  return std::max(p.not_before, line_free_at_ + p.gap);
}

OutputQueue::Chunk OutputQueue::take(std::int64_t now_ns, bool paced) const {
  Chunk c;
  const auto due = next_due(paced);
  if (!due || *due > now_ns) return c;
  const Piece& p = pieces_.front();
  c.bytes = p.bytes.substr(p.sent, paced ? 1 : std::string::npos);
  c.new_piece = !p.announced;
  if (c.new_piece) c.piece = p.bytes;
  return c;
}

void OutputQueue::announced() {
  if (!pieces_.empty()) pieces_.front().announced = true;
}

void OutputQueue::written(std::size_t n, std::int64_t now_ns, bool paced) {
  if (pieces_.empty() || n == 0) return;
  if (paced) {
    // Keep the byte rate exact when the loop wakes a little late (the next
    // byte follows the last one's end), but never bank time across an idle
    // line or a long stall (the byte starts now).
    const std::int64_t start = line_free_at_ >= now_ns - byte_ns / 4 ? line_free_at_ : now_ns;
    line_free_at_ = start + static_cast<std::int64_t>(n) * byte_ns;
  } else {
    line_free_at_ = now_ns;
  }
  Piece& p = pieces_.front();
  p.sent += n;
  if (p.sent >= p.bytes.size()) pieces_.pop_front();
}

}  // namespace zanteq::sim
