// Fault injection: rules that change how the simulated unit answers, and
// the small control language that sets them (one command per line, from the
// command line, a script file or the control FIFO while the simulator runs).
//
//   silent [SCOPE]                no answer; the line is not applied
//   status WORD [SCOPE]           answer WORD (GO GN E0 E1 E2 E3 MENU) instead;
//                                 the line is not applied
//   raw BYTES [SCOPE]             answer exactly BYTES (escaped, no blanks);
//                                 the line is not applied
//   delay MS [SCOPE]              answer MS milliseconds late
//   split POS[,POS..] MS [SCOPE]  cut the answer at these byte positions and
//                                 wait MS milliseconds before each further piece
//   double [SCOPE]                write the answer twice in one write
//   join [SCOPE]                  keep the answer and write it together with
//                                 the next answer, in one write
//   SCOPE: next [N] (the next N lines; the default is next 1),
//          prefix TEXT (every line whose command starts with TEXT),
//          always
//
// The simulator's own control commands (pace, echo, clear, set, restart,
// dump, mark, send, noise, quit) are parsed here too and carried out by the
// server:
//
//   echo on|off                   every line received comes back as it came,
//                                 before its answer (an RS-485 adapter that
//                                 hears its own transmission)
//   send TEXT                     write TEXT (escaped as in the log, \s for
//                                 a blank) on the line, no command before it
//   noise COUNT [seed N] [no-lf] [no-flow]
//                                 write COUNT random bytes on the line; a
//                                 seed makes them the same each time; no-lf
//                                 leaves out LF (so no line ever ends),
//                                 no-flow XON and XOFF On a bus
// of several units, "unit NN " in front of a fault, clear, set, restart or
// dump makes it act on unit NN only; without it, it acts on every unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zanteq::sim {

enum class FaultKind { silent, status, raw, delay, split, twice, join };

struct FaultScope {
  enum Kind { next, matching, always } kind = next;
  int remaining = 1;     // for `next`
  std::string prefix;    // for `matching`
};

struct FaultRule {
  FaultKind kind = FaultKind::silent;
  std::string reply;                 // status: "GN\r\n"; raw: the bytes
  int delay_ms = 0;                  // delay, split
  std::vector<std::size_t> cuts;     // split, ascending
  FaultScope scope;
};

// What the rules make of one line the unit takes.
struct FaultDecision {
  bool silent = false;         // nothing is applied, nothing answered
  bool replaced = false;       // `reply` replaces the unit's own answer
  bool verbatim = false;       // raw bytes: sent without the RS-485 address
  std::string reply;
};

// How an answer goes out.
struct Delivery {
  int delay_ms = 0;
  std::vector<std::size_t> cuts;
  int split_gap_ms = 0;
  bool twice = false;
  bool join = false;
};

class FaultPlan {
 public:
  void add(FaultRule rule) { rules_.push_back(std::move(rule)); }
  void clear() { rules_.clear(); }
  bool empty() const { return rules_.empty(); }

  // For a line the unit takes (its command without the address): the first
  // matching silent/status/raw rule. A `next` rule that matches is used up.
  FaultDecision decide(std::string_view command);

  // For an answer about to be sent: the first matching rule of each of the
  // delivery kinds. Used up only when there is an answer.
  Delivery delivery(std::string_view command);

 private:
  bool matches(const FaultRule& rule, std::string_view command) const;
  void use(std::size_t index);
  std::vector<FaultRule> rules_;
};

// One line of the control language.
struct ControlCommand {
  enum Kind { none, fault, pace, echo, clear, set, restart, dump, mark, send, noise, quit } kind = none;
  FaultRule rule;        // fault
  bool on = false;       // pace, echo
  std::string text;      // set: the command; dump: the path (may be empty); mark: the text;
                         // send: the bytes
  int unit = -1;         // "unit NN": the slave address it is for; -1: every unit
  std::size_t count = 0;               // noise: how many bytes
  std::optional<std::uint32_t> seed;   // noise: none gives fresh bytes each time
  bool no_lf = false;                  // noise
  bool no_flow = false;                // noise
};

// The most `noise` writes at once: a minute and a half of a 9600-baud line.
constexpr std::size_t max_noise_bytes = 100000;

// `count` bytes, uniformly random over the bytes allowed, the same for the
// same seed.
std::string noise_bytes(std::size_t count, std::uint32_t seed, bool no_lf, bool no_flow);

// Parses one control line; blank lines and lines starting with '#' give
// Kind::none. On a mistake returns false and sets `error`.
bool parse_control(std::string_view line, ControlCommand& out, std::string& error);

// Escapes as the wire log writes them: printable ASCII as it is, backslash
// as "\\", CR "\r", LF "\n", tab "\t", anything else "\xHH".
std::string escape_bytes(std::string_view bytes);
// The reverse, also accepting "\s" for a blank; false on a bad escape.
bool unescape_bytes(std::string_view text, std::string& out);

}  // namespace zanteq::sim
