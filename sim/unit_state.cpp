// Factory values of the simulated unit and its running clock.
#include "sim/unit_state.h"

namespace zanteq::sim {

namespace {

int days_in_month(int year, int month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && year % 4 == 0) return 29;  // every fourth year within 2000..2099
  return month >= 1 && month <= 12 ? days[month - 1] : 31;
}

Title default_title(int channel) {
  // Three full-width spaces, full-width "CH0" and the channel digit, three
  // full-width spaces: the program's factory title in JIS X 0208.
  return Title{0x2121, 0x2121, 0x2121, 0x2343, 0x2348, 0x2330,
               static_cast<std::uint16_t>(0x2331 + channel), 0x2121, 0x2121, 0x2121};
}

}  // namespace

ClockFields advance_clock(ClockFields f, std::int64_t seconds) {
  if (seconds <= 0) return f;
  const std::int64_t total = f.hour * 3600LL + f.minute * 60LL + f.second + seconds;
  std::int64_t days = total / 86400;
  const std::int64_t in_day = total % 86400;
  f.hour = static_cast<int>(in_day / 3600);
  f.minute = static_cast<int>(in_day / 60 % 60);
  f.second = static_cast<int>(in_day % 60);
  for (; days > 0; --days) {
    if (f.day >= days_in_month(f.year, f.month)) {
      f.day = 1;
      if (++f.month > 12) {
        f.month = 1;
        f.year = (f.year + 1) % 100;
      }
    } else {
      ++f.day;
    }
  }
  return f;
}

void UnitClock::set(const ClockFields& fields, std::int64_t now_ms) {
  fields_ = fields;
  set_at_ms_ = now_ms;
}

ClockFields UnitClock::read(std::int64_t now_ms) const {
  const std::int64_t elapsed = now_ms > set_at_ms_ ? (now_ms - set_at_ms_) / 1000 : 0;
  return advance_clock(fields_, elapsed);
}

void UnitClock::adjust_30s(std::int64_t now_ms) {
  ClockFields f = read(now_ms);
  const bool forward = f.second >= 30;
  f.second = 0;
  set(forward ? advance_clock(f, 60) : f, now_ms);
}

UnitState factory_state(std::int64_t now_ms) {
  UnitState s;
  for (int ch = 0; ch < channels; ++ch) {
    s.title[ch] = default_title(ch);
    s.title_memory[ch] = s.title[ch];
  }
  s.clock.set(ClockFields{}, now_ms);
  return s;
}

void restart_unit(UnitState& state) {
  state.title = state.title_memory;
  state.split2 = state.split2_memory;
  state.screen = state.power_on_screen;
}

}  // namespace zanteq::sim
