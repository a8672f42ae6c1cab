// Fault rules and the control language.
#include "sim/faults.h"

#include <algorithm>
#include <cstdlib>
#include <random>

#include "sim/unit_commands.h"

namespace zanteq::sim {

namespace {

bool is_delivery(FaultKind k) {
  return k == FaultKind::delay || k == FaultKind::split || k == FaultKind::twice || k == FaultKind::join;
}

std::vector<std::string_view> split_words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::size_t j = i;
    while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
    if (j > i) words.push_back(line.substr(i, j - i));
    i = j;
  }
  return words;
}

// A whole decimal number within low..high.
bool parse_int(std::string_view word, int low, int high, int& out) {
  if (word.empty() || word.size() > 9) return false;
  int v = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < low || v > high) return false;
  out = v;
  return true;
}

constexpr int max_ms = 600000;  // ten minutes: longer than any test waits

bool parse_scope(const std::vector<std::string_view>& w, std::size_t at, FaultScope& scope,
                 std::string& error) {
  if (at == w.size()) return true;  // next 1
  if (w[at] == "always" && at + 1 == w.size()) {
    scope.kind = FaultScope::always;
    return true;
  }
  if (w[at] == "next" && at + 1 == w.size()) return true;
  if (w[at] == "next" && at + 2 == w.size()) {
    scope.kind = FaultScope::next;
    if (parse_int(w[at + 1], 1, 1000000, scope.remaining)) return true;
    error = "next needs a count of at least 1";
    return false;
  }
  if (w[at] == "prefix" && at + 2 == w.size()) {
    scope.kind = FaultScope::matching;
    scope.prefix = std::string(w[at + 1]);
    return true;
  }
  error = "expected 'next [N]', 'prefix TEXT' or 'always' after the fault";
  return false;
}

bool parse_cuts(std::string_view word, std::vector<std::size_t>& cuts) {
  cuts.clear();
  std::size_t i = 0;
  while (i <= word.size()) {
    const std::size_t j = std::min(word.find(',', i), word.size());
    int v = 0;
    if (!parse_int(word.substr(i, j - i), 1, 600, v)) return false;
    if (!cuts.empty() && static_cast<std::size_t>(v) <= cuts.back()) return false;
    cuts.push_back(static_cast<std::size_t>(v));
    i = j + 1;
  }
  return !cuts.empty();
}

bool parse_fault(const std::vector<std::string_view>& w, FaultRule& rule, std::string& error) {
  const std::string_view verb = w[0];
  std::size_t at = 1;
  if (verb == "silent") {
    rule.kind = FaultKind::silent;
  } else if (verb == "status") {
    if (w.size() < 2 || !is_status_word(w[1])) {
      error = "status needs one of GO GN E0 E1 E2 E3 MENU";
      return false;
    }
    rule.kind = FaultKind::status;
    rule.reply = std::string(w[1]) + "\r\n";
    at = 2;
  } else if (verb == "raw") {
    if (w.size() < 2 || !unescape_bytes(w[1], rule.reply) || rule.reply.empty()) {
      error = "raw needs the bytes to send, escaped (\\r \\n \\s \\xHH)";
      return false;
    }
    rule.kind = FaultKind::raw;
    at = 2;
  } else if (verb == "delay") {
    if (w.size() < 2 || !parse_int(w[1], 0, max_ms, rule.delay_ms)) {
      error = "delay needs milliseconds";
      return false;
    }
    rule.kind = FaultKind::delay;
    at = 2;
  } else if (verb == "split") {
    if (w.size() < 3 || !parse_cuts(w[1], rule.cuts) || !parse_int(w[2], 0, max_ms, rule.delay_ms)) {
      error = "split needs ascending byte positions (1,3) and milliseconds";
      return false;
    }
    rule.kind = FaultKind::split;
    at = 3;
  } else if (verb == "double") {
    rule.kind = FaultKind::twice;
  } else if (verb == "join") {
    rule.kind = FaultKind::join;
  } else {
    error = "unknown command '" + std::string(verb) + "'";
    return false;
  }
  return parse_scope(w, at, rule.scope, error);
}

bool parse_noise(const std::vector<std::string_view>& w, ControlCommand& out, std::string& error) {
  int count = 0;
  const std::string usage = "noise needs a count of 1.." + std::to_string(max_noise_bytes) +
                            ", then any of 'seed N', 'no-lf', 'no-flow'";
  if (w.size() < 2 || !parse_int(w[1], 1, static_cast<int>(max_noise_bytes), count)) {
    error = usage;
    return false;
  }
  out.kind = ControlCommand::noise;
  out.count = static_cast<std::size_t>(count);
  for (std::size_t i = 2; i < w.size(); ++i) {
    int seed = 0;
    if (w[i] == "no-lf") {
      out.no_lf = true;
    } else if (w[i] == "no-flow") {
      out.no_flow = true;
    } else if (w[i] == "seed" && i + 1 < w.size() && parse_int(w[i + 1], 0, 999999999, seed)) {
      out.seed = static_cast<std::uint32_t>(seed);
      ++i;
    } else {
      error = usage;
      out = ControlCommand{};
      return false;
    }
  }
  return true;
}

}  // namespace

std::string noise_bytes(std::size_t count, std::uint32_t seed, bool no_lf, bool no_flow) {
  std::string allowed;
  for (int b = 0; b < 256; ++b) {
    if (no_lf && b == '\n') continue;
    if (no_flow && (b == 0x11 || b == 0x13)) continue;
    allowed += static_cast<char>(b);
  }
  // mt19937 is the same on every standard library, unlike the distributions.
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& b : bytes) b = allowed[random() % allowed.size()];
  return bytes;
}

bool FaultPlan::matches(const FaultRule& rule, std::string_view command) const {
  if (rule.scope.kind != FaultScope::matching) return true;
  return command.substr(0, rule.scope.prefix.size()) == rule.scope.prefix;
}

void FaultPlan::use(std::size_t index) {
  FaultRule& r = rules_[index];
  if (r.scope.kind == FaultScope::next && --r.scope.remaining <= 0)
    rules_.erase(rules_.begin() + static_cast<std::ptrdiff_t>(index));
}

FaultDecision FaultPlan::decide(std::string_view command) {
  FaultDecision d;
  for (std::size_t i = 0; i < rules_.size(); ++i) {
    const FaultRule& r = rules_[i];
    if (is_delivery(r.kind) || !matches(r, command)) continue;
    if (r.kind == FaultKind::silent) {
      d.silent = true;
    } else {
      d.replaced = true;
      d.verbatim = r.kind == FaultKind::raw;
      d.reply = r.reply;
    }
    use(i);
    break;
  }
  return d;
}

Delivery FaultPlan::delivery(std::string_view command) {
  Delivery d;
  for (FaultKind kind : {FaultKind::delay, FaultKind::split, FaultKind::twice, FaultKind::join}) {
    for (std::size_t i = 0; i < rules_.size(); ++i) {
      const FaultRule& r = rules_[i];
      if (r.kind != kind || !matches(r, command)) continue;
      switch (kind) {
        case FaultKind::delay: d.delay_ms = r.delay_ms; break;
        case FaultKind::split: d.cuts = r.cuts; d.split_gap_ms = r.delay_ms; break;
        case FaultKind::twice: d.twice = true; break;
        default: d.join = true; break;
      }
      use(i);
      break;
    }
  }
  return d;
}

bool parse_control(std::string_view line, ControlCommand& out, std::string& error) {
  out = ControlCommand{};
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  const std::vector<std::string_view> w = split_words(line);
  if (w.empty() || w[0][0] == '#') return true;
  const std::string_view verb = w[0];

  // The rest of the line after the verb, for commands that take free text.
  auto rest = [&]() {
    const std::size_t start = static_cast<std::size_t>(w[0].data() - line.data()) + w[0].size();
    std::string_view r = line.substr(start);
    while (!r.empty() && (r.front() == ' ' || r.front() == '\t')) r.remove_prefix(1);
    while (!r.empty() && (r.back() == ' ' || r.back() == '\t')) r.remove_suffix(1);
    return std::string(r);
  };

  if (verb == "unit") {
    if (w.size() < 3 || w[1].size() > 2 || !parse_int(w[1], 0, 31, out.unit)) {
      error = "unit needs a slave address 0..31 and a command, e.g. unit 03 silent";
      return false;
    }
    const int unit = out.unit;
    const std::size_t start = static_cast<std::size_t>(w[2].data() - line.data());
    if (!parse_control(line.substr(start), out, error)) return false;
    if (out.kind == ControlCommand::none || out.kind == ControlCommand::pace || out.kind == ControlCommand::echo ||
        out.kind == ControlCommand::mark ||
        out.kind == ControlCommand::send || out.kind == ControlCommand::noise ||
        out.kind == ControlCommand::quit || out.unit >= 0) {
      error = "unit takes a fault, clear, set, restart or dump; '" + std::string(w[2]) +
              "' is for the whole line";
      out = ControlCommand{};
      return false;
    }
    out.unit = unit;
    return true;
  }
  if (verb == "pace" || verb == "echo") {
    if (w.size() != 2 || (w[1] != "on" && w[1] != "off")) {
      error = std::string(verb) + " needs on or off";
      return false;
    }
    out.kind = verb == "pace" ? ControlCommand::pace : ControlCommand::echo;
    out.on = w[1] == "on";
  } else if (verb == "clear" && w.size() == 1) {
    out.kind = ControlCommand::clear;
  } else if (verb == "restart" && w.size() == 1) {
    out.kind = ControlCommand::restart;
  } else if (verb == "quit" && w.size() == 1) {
    out.kind = ControlCommand::quit;
  } else if (verb == "set") {
    if (w.size() != 2) {
      error = "set needs one command, e.g. set VAB01100";
      return false;
    }
    out.kind = ControlCommand::set;
    out.text = std::string(w[1]);
  } else if (verb == "dump" && w.size() <= 2) {
    out.kind = ControlCommand::dump;
    out.text = rest();
  } else if (verb == "mark") {
    out.kind = ControlCommand::mark;
    out.text = rest();
  } else if (verb == "send") {
    if (!unescape_bytes(rest(), out.text) || out.text.empty()) {
      error = "send needs the bytes to write, escaped (\\r \\n \\s \\xHH)";
      return false;
    }
    out.kind = ControlCommand::send;
  } else if (verb == "noise") {
    return parse_noise(w, out, error);
  } else if (verb == "clear" || verb == "restart" || verb == "quit" || verb == "dump") {
    error = std::string(verb) + " takes no further words";
    return false;
  } else {
    out.kind = ControlCommand::fault;
    return parse_fault(w, out.rule, error);
  }
  return true;
}

std::string escape_bytes(std::string_view bytes) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() + 8);
  for (char ch : bytes) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '\\') out += "\\\\";
    else if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
    else {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 0xF];
    }
  }
  return out;
}

bool unescape_bytes(std::string_view text, std::string& out) {
  out.clear();
  auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\': out += '\\'; break;
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 's': out += ' '; break;
      case 'x': {
        if (i + 2 >= text.size()) return false;
        const int hi = hex(text[i + 1]), lo = hex(text[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        break;
      }
      default: return false;
    }
  }
  return true;
}

}  // namespace zanteq::sim
