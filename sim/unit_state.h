// What a ZANTEQ unit remembers: every value that a set command changes, in
// the form the unit itself works with (the numbers and letters of the wire,
// titles as JIS X 0208 codes), plus the unit's running clock.
//
// Only the simulator's single thread touches a UnitState.
#pragma once

#include <array>
#include <cstdint>

namespace zanteq::sim {

constexpr int channels = 4;
constexpr int dwell_entries = 5;   // four channels, then the split screen
constexpr int title_codes = 10;    // ten double-byte characters per title

using Title = std::array<std::uint16_t, title_codes>;

// Screen numbering of the display-channel and power-on commands.
enum Screen : int {
  screen_channel_1 = 0,  // 0..3: one channel full screen
  screen_split = 4,
  screen_auto_switch = 5,
};

// Calendar fields of the unit's clock: two-digit year within 2000..2099.
struct ClockFields {
  int year = 0;    // 0..99
  int month = 1;   // 1..12
  int day = 1;     // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool operator==(const ClockFields& o) const {
    return year == o.year && month == o.month && day == o.day && hour == o.hour &&
           minute == o.minute && second == o.second;
  }
};

// The unit's clock runs on its own once set, like a calendar clock chip: it
// keeps the fields it was given and the moment they were set (in the
// simulator's monotonic milliseconds) and counts on from there, carrying
// seconds into minutes, hours, days, months and years (2099 is followed by
// 2000). The commands check each field on its own, so a date the calendar
// has not (a 31st of February) is kept as given and leaves for the 1st of
// the next month at midnight.
class UnitClock {
 public:
  void set(const ClockFields& fields, std::int64_t now_ms);
  ClockFields read(std::int64_t now_ms) const;
  // The 30-second correction: below 30 seconds back to the full minute,
  // from 30 on forward to the next one.
  void adjust_30s(std::int64_t now_ms);

 private:
  ClockFields fields_;
  std::int64_t set_at_ms_ = 0;
};

// `fields` moved on by `seconds` (not negative) with the clock's carries.
ClockFields advance_clock(ClockFields fields, std::int64_t seconds);

struct UnitState {
  // alarm
  char alarm_mode = 'I';              // 'I' internal, 'E' external
  int alarm_hold_time = 30;           // seconds, 3..999
  char alarm_polarity = 'M';          // 'M' make, 'B' break
  bool alarm_display = true;
  bool alarm_return = true;
  // video loss
  std::array<bool, channels> video_loss_detect{true, true, true, true};
  char video_loss_background = 'N';   // 'N' black, 'B' blue
  bool video_loss_signal_output = false;
  bool video_loss_display = true;
  // clock and its display
  UnitClock clock;
  bool clock_display = true;
  int clock_display_range = 1;        // '1'..'8'
  // titles
  std::array<Title, channels> title{};          // what the unit shows and reports
  std::array<Title, channels> title_memory{};   // what survives a restart
  bool title_display_single = true;
  bool title_display_split = true;
  std::array<int, channels> title_pos_x{11, 11, 11, 11};  // 0..22
  std::array<int, channels> title_pos_y{13, 13, 13, 13};  // 0..13
  // auto-switch dwell times, seconds 0..99
  std::array<int, dwell_entries> auto_switch_dwell{3, 3, 3, 3, 3};
  // picture, in wire values: brightness is the signed value as 7-bit two's
  // complement (0 = neutral), the others plain
  std::array<int, channels> brightness{0, 0, 0, 0};
  std::array<int, channels> contrast{64, 64, 64, 64};
  std::array<int, channels> hue{0, 0, 0, 0};
  std::array<int, channels> sharpness{0, 0, 0, 0};
  std::array<int, channels> saturation{80, 80, 80, 80};
  // other settings
  char connector_input = 'A';         // 'A' alarm, 'R' remote
  char border_line = 'B';             // 'B' black, 'G' grey, 'W' white, 'O' none
  int power_on_screen = screen_split; // Screen
  char osd_size_single = 'L';         // 'S' small, 'L' large
  char osd_size_split = 'S';
  int osd_offset_h = 8;               // 0..15
  int osd_offset_v = 8;
  bool button_lock = false;
  char ntsc_aspect = '4';             // '4' 4:3, 'F' full
  // display
  int screen = screen_split;          // Screen shown now
  char split_mode = '2';              // '2' two-way, '4' four-way
  std::array<int, 2> split2{1, 2};          // left, right channel 1..4
  std::array<int, 2> split2_memory{1, 2};
  // video format per channel, '1'..'7' as 1..7
  std::array<int, channels> video_format{1, 1, 1, 1};
  std::array<bool, channels> agc{true, true, true, true};
  // four characters reported by the version read
  std::array<char, 4> version{'1', '.', '0', '0'};
};

// The state of a unit fresh from the factory, its clock set to
// 2000-01-01 00:00:00 at `now_ms`.
UnitState factory_state(std::int64_t now_ms = 0);

// Power cycle: what was sent in the "don't memory" forms is forgotten and the
// unit comes up on its power-on screen.
void restart_unit(UnitState& state);

}  // namespace zanteq::sim
