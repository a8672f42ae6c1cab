// The units on the simulator's one line. RS-232C has one unit without an
// address; RS-485 has one unit per slave address, each with its own state,
// fault rules and kept-back answer. Every unit hears every line: the one
// with the line's address answers, a broadcast ("FF") is applied by all and
// answered by none.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/faults.h"
#include "sim/responder.h"
#include "sim/unit_state.h"

namespace zanteq::sim {

struct Unit {
  Unit(bool rs485, int unit_address)
      : address(unit_address), responder(state, faults, LinkConfig{rs485, unit_address}) {}
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;

  int address;  // RS-485 slave address; 0 on RS-232C
  UnitState state = factory_state(0);
  FaultPlan faults;
  Responder responder;  // refers to `state` and `faults`
};

class Bus {
 public:
  // `addresses` is used on RS-485 only (one unit each; none gives unit 00).
  Bus(bool rs485, const std::vector<int>& addresses);

  bool rs485() const { return rs485_; }
  // More than one unit shares the line.
  bool shared() const { return units_.size() > 1; }

  // The units a control command is for: all of them for `address` -1, the
  // one with that address otherwise (none when there is no such unit).
  std::vector<Unit*> select(int address);

  // One received line, as every unit hears it; the answer of the unit that
  // answers (at most one does).
  Answer on_line(std::string_view line, std::int64_t now_ms);

 private:
  bool rs485_;
  std::vector<std::unique_ptr<Unit>> units_;
};

// Applies a set command to every unit of `units`, or, when one of them
// refuses it, to none; gives that unit's answer then, "GO\r\n" otherwise.
std::string apply_to_units(const std::vector<Unit*>& units, const std::string& command, std::int64_t now_ms);

// Where a unit's state goes for `path`: `path` itself when the unit is
// alone on its line, `path.NN` (NN its address) on a bus of several.
std::string unit_state_path(const std::string& path, const Unit& unit, bool shared);

}  // namespace zanteq::sim
