// The unit's side of the command protocol: takes one command line (the
// RS-485 address already removed), applies it to the unit's state and gives
// the answer the unit sends back. Set commands are answered "GO\r\n", read
// commands with a data line in the form of the matching set command, and
// anything the unit does not understand, or with a field out of range, with
// "E3\r\n". No half-understood command changes anything.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/unit_state.h"

namespace zanteq::sim {

inline constexpr std::string_view reply_go = "GO\r\n";
inline constexpr std::string_view reply_command_error = "E3\r\n";

// `line` is the command as received, normally ending in "\r\n"; `now_ms` is
// the simulator's monotonic time, used by the clock commands.
std::string handle_command(UnitState& state, std::string_view line, std::int64_t now_ms);

// True for the status lines a unit can send: GO, GN, E0..E3, MENU (given
// without "\r\n").
bool is_status_word(std::string_view word);

// The unit's whole state as set commands (without "\r\n"), in an order that
// gives the same state when they are applied to a factory unit: every
// setting, the titles with "don't memory" changes, the title positions, the
// displayed screen, the button lock and the clock at `now_ms`.
std::vector<std::string> state_commands(const UnitState& state, std::int64_t now_ms);

// The twenty hex digits of a title as a CJ line carries them.
std::string title_hex(const Title& title);

}  // namespace zanteq::sim
