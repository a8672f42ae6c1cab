// The device settings record: the program's one copy of every setting of a
// ZANTEQ unit, and the process-wide state that travels with it.
//
// Threads: the interface thread edits the record from the dialogs, the file
// commands and the bulk transfers; the receiving thread writes it from the
// unit's data replies. Every numeric field is a std::atomic<int>, so each
// value is read and written whole; the text fields are GuardedText.
// Numeric fields hold the index of the entry the feature's dialog shows.
// Per-channel arrays are indexed 0..3 for ch.01..ch.04.
#pragma once

#include <atomic>
#include <string>

#include "core/settings/guarded_text.h"

namespace zanteq {

constexpr int channel_count = 4;
constexpr int dwell_count = 5;            // four channels, then the split screen
constexpr std::size_t title_bytes = 20;   // ten double-byte characters
constexpr std::size_t title_slot = 22;    // text plus terminator, with one byte spare
constexpr std::size_t hold_time_slot = 4; // three characters plus terminator

using Value = std::atomic<int>;
using TitleText = GuardedText<title_slot>;
using HoldTimeText = GuardedText<hold_time_slot>;

// Fields in the order of the settings file.
struct DeviceSettings {
  Value alarm_mode{};                 // 0 internal 'I', 1 external 'E'
  Value alarm_polarity{};             // 0 make 'M', 1 break 'B'
  HoldTimeText alarm_hold_time;       // decimal seconds as typed, e.g. "030"
  Value alarm_return{};               // 0 off, 1 on
  Value alarm_display{};              // 0 off, 1 on
  Value video_loss_detect[channel_count]{};
  Value video_loss_display{};
  Value video_loss_signal_output{};
  Value video_loss_background{};      // 0 black 'N', 1 blue 'B'
  Value clock_display{};
  Value clock_display_range{};        // 0..7, sent as '1'..'8'
  Value title_display_single{};
  Value title_display_split{};
  Value osd_size_single{};            // 0 small 'S', 1 large 'L'
  Value osd_size_split{};
  Value title_pos_x[channel_count]{}; // 0..22
  Value title_pos_y[channel_count]{}; // 0..13, the row combo's index
  Value auto_switch_dwell[dwell_count]{};  // seconds 0..99
  Value brightness[channel_count]{};  // 0..127, shown as -64..+63
  Value contrast[channel_count]{};    // 0..127
  Value sharpness[channel_count]{};   // 0..31
  Value hue[channel_count]{};         // 0..255
  Value saturation[channel_count]{};  // 0..127
  Value connector_input{};            // 0 ALARM 'A', 1 REMOTE 'R'
  Value border_line{};                // 0 black 'B', 1 grey 'G', 2 white 'W', 3 none 'O'
  Value power_on_screen{};            // 0..3 channel, 4 split, 5 automatic switching
  Value split_mode{};                 // 0 two-way '2', 1 four-way '4'
  Value video_format[channel_count]{};// 0..6, sent as '1'..'7'
  Value osd_offset_h{};               // 0..15
  Value osd_offset_v{};               // 0..15
  TitleText title[channel_count];     // Shift_JIS (code page 932) bytes
  Value split2_channels[2]{};         // left, right: channel index 0..3
  Value ntsc_aspect{};                // 0 4:3 '4', 1 FULL 'F'
  Value agc[channel_count]{};         // 0 off 'F', 1 on 'N'
};

// Names appended to the dialogs' captions. Nothing fills this table: no
// file, INI key or dialog sets a name, so every name stays empty and the
// caption rule (unit_name, with select_number from the INI) always appends
// nothing. It is kept because that rule reads it and select_number indexes
// it.
constexpr int unit_name_count = 97;
struct UnitName {
  int in_use = 0;
  int reserved = 0;
  char name[16] = {};
};
struct UnitNameTable {
  UnitName entries[unit_name_count];
};

// Link values shared by the interface thread and the receiving thread.
struct LinkState {
  std::atomic<int> receiving{0};        // the receiving thread keeps running while 1
  std::atomic<int> reply_pending{0};    // a reply to a sent command is awaited
  std::atomic<int> reply_wait_ticks{0}; // main-timer ticks counted while awaiting
  std::atomic<int> success_pending{0};  // "Success" is due at the next main-timer tick
  std::atomic<int> sequence_abort{0};   // the last line was an error or menu reply
  std::atomic<int> sequence_step{0};    // step of the running timed sequence, 0 = none
  std::atomic<int> rs_control{0};       // 0 RS-232C, non-zero RS-485
  std::atomic<int> slave_address{0};    // 0..31, 32 = broadcast
};

// Values read from the INI file besides rs_control.
struct InterfaceValues {
  int com_port = 0;       // 0 = COM1 .. 255 = COM256
  int select_number = 0;  // unit name entry for captions, -1 = template captions
  int transfer_pace = 0;  // bulk runs: 0 at the pace of the replies, 1 one command per period
};

// State of the main window and the dialogs that outlives a single dialog.
// Used on the interface thread only.
struct UiState {
  int corner_clicks = 0;
  int repaint_pending = 0;
  int current_channel = 0;        // 0..3 channel, 4 split, 5 automatic switching
  int auto_switch_channel = 0;
  int auto_switch_all_dwell = 3;
  int title_marker_x = 11;
  int title_marker_y = 13;
  int button_lock = 0;            // lives for the run only; not reset, not saved
  int video_format_all = 0;       // lives for the run only; not reset, not saved
};

// Everything the program keeps for its whole run.
struct AppState {
  DeviceSettings record;
  LinkState link;
  InterfaceValues iface;
  UiState ui;
  int data_modified = 0;   // the record holds changes not yet saved
  std::string file_name;   // path of the last file opened or saved
  UnitNameTable unit_names;  // filled by nothing: every name is empty (see UnitNameTable)
};

// The four factory titles in code page 932: three full-width spaces,
// full-width "CH0" and the channel digit, three full-width spaces.
extern const char* const default_titles[channel_count];

// Every field of a record to its factory value: a unit's record before it
// is read, whose title positions no command reads.
void reset_record(DeviceSettings& record);

// Every record field to its factory value and the link and dialog values to
// their start values. Leaves slave_address, rs_control, com_port,
// select_number, transfer_pace, file_name, the unit names, button_lock,
// video_format_all and `receiving` alone.
void reset_settings(AppState& app);

// Zero all entries, then mark entry 0 in use.
void clear_unit_name_table(UnitNameTable& table);

// The caption suffix for `select_number`: the entry's name, or empty when
// the number lies outside the table. As nothing fills the table, it is
// always empty today.
const char* unit_name(const UnitNameTable& table, int select_number);

}  // namespace zanteq
