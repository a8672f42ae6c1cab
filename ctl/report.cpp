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

const char* outcome_word(const UnitOutcome& outcome) {
  switch (outcome.state) {
    case UnitOutcome::done:
      return "done";
    case UnitOutcome::failed:
      return "failed";
    case UnitOutcome::interrupted:
      return "interrupted";
  }
  return "failed";
}

JsonObject unit_object(const std::string& command, const std::string& unit, const UnitOutcome& outcome,
                       long long elapsed_ms, std::size_t bytes_sent, std::size_t bytes_received,
                       int timeout_ms) {
  JsonObject o;
  o.add("command", command).add("unit", unit).add("result", outcome_word(outcome));
  o.add("steps_done", static_cast<long long>(outcome.steps_done))
      .add("steps", static_cast<long long>(outcome.step_count));
  o.add("elapsed_ms", elapsed_ms)
      .add("bytes_sent", static_cast<long long>(bytes_sent))
      .add("bytes_received", static_cast<long long>(bytes_received));
  if (outcome.failed_step > 0) {
    o.add("failed_step", static_cast<long long>(outcome.failed_step))
        .add("failed_command", outcome.command)
        .add("reply", printable_reply(outcome.reply.line))
        .add("reason", describe_failure(outcome.reply, timeout_ms));
  }
  if (!outcome.unexpected.empty()) o.add_strings("unexpected_replies", outcome.unexpected);
  return o;
}

}  // namespace zanteq::ctl
