// Progress, result lines and JSON objects.
#include "ctl/report.h"

#include <cstdio>

namespace zanteq::ctl {

namespace {
constexpr int line_width = 72;
}  // namespace

std::string json_string(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

void JsonObject::key(const std::string& name) {
  if (!members_.empty()) members_ += ",";
  members_ += json_string(name) + ":";
}

JsonObject& JsonObject::add(const std::string& name, const std::string& value) {
  key(name);
  members_ += json_string(value);
  return *this;
}

JsonObject& JsonObject::add(const std::string& name, long long value) {
  key(name);
  members_ += std::to_string(value);
  return *this;
}

JsonObject& JsonObject::add(const std::string& name, bool value) {
  key(name);
  members_ += value ? "true" : "false";
  return *this;
}

JsonObject& JsonObject::add_strings(const std::string& name, const std::vector<std::string>& values) {
  key(name);
  members_ += "[";
  for (std::size_t i = 0; i < values.size(); ++i) members_ += (i ? "," : "") + json_string(values[i]);
  members_ += "]";
  return *this;
}

JsonObject& JsonObject::add_objects(const std::string& name, const std::vector<JsonObject>& values) {
  key(name);
  members_ += "[";
  for (std::size_t i = 0; i < values.size(); ++i) members_ += (i ? "," : "") + values[i].text();
  members_ += "]";
  return *this;
}

void Progress::show(const std::string& unit, const std::string& verb, int done, int count) {
  if (!terminal_ || count <= 0) return;
  constexpr int width = 25;
  const int filled = done * width / count;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(width - filled), '.');
  // Padded rather than cleared with an escape sequence, which an older
  // Windows console would print as it is.
  std::fprintf(stderr, "\r%-*s", line_width,
               (unit + "  " + verb + "  [" + bar + "]  " + std::to_string(done) + "/" + std::to_string(count) +
                "  " + std::to_string(done * 100 / count) + "%")
                   .c_str());
  std::fflush(stderr);
  shown_ = true;
}

void Progress::clear() {
  if (!shown_) return;
  std::fprintf(stderr, "\r%*s\r", line_width, "");
  std::fflush(stderr);
  shown_ = false;
}

UnitResult unit_result(const Transfer& transfer) {
  const TransferOutcome& outcome = transfer.outcome();
  if (outcome.end == TransferEnd::stopped) return UnitResult::interrupted;
  if (outcome.end != TransferEnd::completed) return UnitResult::failed;
  // A unit that answers a broadcast is not asked, so only a run paced by
  // the replies knows what each answer must be.
  if (transfer.pacing() == Pacing::replies)
    for (const StepReport& step : outcome.steps)
      if (step.state == StepReport::answered && !step.as_expected) return UnitResult::failed;
  return UnitResult::done;
}

const char* result_word(UnitResult result) {
  switch (result) {
    case UnitResult::done:
      return "done";
    case UnitResult::failed:
      return "failed";
    case UnitResult::interrupted:
      return "interrupted";
  }
  return "failed";
}

std::string failure_text(const Transfer& transfer) {
  const TransferOutcome& o = transfer.outcome();
  if (o.end == TransferEnd::completed || o.end == TransferEnd::stopped) return {};
  std::string text = "failed";
  if (o.end_step > 0)
    text += " at step " + std::to_string(o.end_step) + " of " + std::to_string(o.step_count) + " (" + o.command + ")";
  return text + ": " + describe_transfer_end(o, transfer.plan().timeout_ms);
}

std::vector<std::string> run_notes(const TransferOutcome& outcome) {
  std::vector<std::string> notes;
  for (const std::string& u : outcome.unexpected) notes.push_back("unexpected reply at " + u);
  for (const std::string& f : outcome.foreign) notes.push_back("a line from another address skipped at " + f);
  return notes;
}

JsonObject unit_object(const std::string& command, const std::string& unit, UnitResult result,
                       const Transfer& transfer, const LoopRun& run) {
  const TransferOutcome& outcome = transfer.outcome();
  JsonObject o;
  o.add("command", command).add("unit", unit).add("result", result_word(result));
  o.add("steps_done", static_cast<long long>(outcome.steps_done))
      .add("steps", static_cast<long long>(outcome.step_count));
  o.add("elapsed_ms", run.elapsed_ms)
      .add("bytes_sent", static_cast<long long>(run.bytes_sent))
      .add("bytes_received", static_cast<long long>(run.bytes_received));
  if (outcome.end != TransferEnd::completed && outcome.end != TransferEnd::stopped) {
    if (outcome.end_step > 0)
      o.add("failed_step", static_cast<long long>(outcome.end_step)).add("failed_command", outcome.command);
    o.add("reply", outcome.reply).add("reason", describe_transfer_end(outcome, transfer.plan().timeout_ms));
  }
  if (!outcome.unexpected.empty()) o.add_strings("unexpected_replies", outcome.unexpected);
  if (!outcome.foreign.empty()) o.add_strings("other_address_lines", outcome.foreign);
  if (outcome.echoes > 0) o.add("echoes_skipped", static_cast<long long>(outcome.echoes));
  return o;
}

}  // namespace zanteq::ctl
