// The units on the line.
#include "sim/bus.h"

#include "core/link/codec.h"
#include "sim/unit_commands.h"

namespace zanteq::sim {

Bus::Bus(bool rs485, const std::vector<int>& addresses) : rs485_(rs485) {
  if (!rs485 || addresses.empty()) {
    units_.push_back(std::make_unique<Unit>(rs485, 0));
    return;
  }
  for (int a : addresses) units_.push_back(std::make_unique<Unit>(rs485, a));
}

std::vector<Unit*> Bus::select(int address) {
  std::vector<Unit*> chosen;
  for (const auto& u : units_)
    if (address < 0 || (rs485_ && u->address == address)) chosen.push_back(u.get());
  return chosen;
}

Answer Bus::on_line(std::string_view line, std::int64_t now_ms) {
  Answer answer;
  for (const auto& u : units_) {
    Answer a = u->responder.on_line(line, now_ms);
    if (!a.taken) continue;
    answer.taken = true;
    answer.applied = answer.applied || a.applied;
    if (!a.bytes.empty()) {
      answer.bytes = std::move(a.bytes);
      answer.delivery = std::move(a.delivery);
    }
  }
  return answer;
}

std::string apply_to_units(const std::vector<Unit*>& units, const std::string& command, std::int64_t now_ms) {
  // Tried on copies first, so a refusal by any unit changes none.
  std::vector<UnitState> changed;
  changed.reserve(units.size());
  for (const Unit* u : units) {
    changed.push_back(u->state);
    std::string reply = handle_command(changed.back(), command, now_ms);
    if (reply != reply_go) return reply;
  }
  for (std::size_t i = 0; i < units.size(); ++i) units[i]->state = changed[i];
  return std::string(reply_go);
}

std::string unit_state_path(const std::string& path, const Unit& unit, bool shared) {
  if (!shared) return path;
  char nn[2];
  format_dec2(unit.address, nn);
  return path + "." + std::string(nn, 2);
}

}  // namespace zanteq::sim
