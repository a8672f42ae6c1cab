// Rules of the main window that need no window to be decided: its size for
// the reported Windows version, the status-bar date and time texts, the
// toolbar tooltips, the hidden corner-click route to read-all, the title bar
// text and the serial port's name. The Windows program asks these and only
// draws the answers.
#pragma once

#include <cstdint>
#include <string>

namespace zanteq {

struct WindowSize {
  int width;
  int height;
};

// Fixed outer size of the main window for the major.minor version that the
// system reports: its frame and menu bar grew over the releases.
WindowSize main_window_size(unsigned major, unsigned minor);
// The same for a monitor of `dpi`: the size at 96 DPI, scaled (frame, menu
// bar, toolbar and status bar all grow with the scale).
WindowSize main_window_size(unsigned major, unsigned minor, int dpi);

// Local time as the status bar shows it; weekday 0 is Sunday.
struct ClockReading {
  int year = 0;
  int month = 0;
  int day = 0;
  int weekday = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// "2026年12月 5日  土曜日": year in four places, month and day in two, two
// blanks, weekday name. UTF-8.
std::string status_date_text(const ClockReading& now);
// "09：05：03" with full-width colons. UTF-8.
std::string status_time_text(const ClockReading& now);

// Tooltip of toolbar button 501..510 (UTF-8), nullptr for any other id.
const char* toolbar_tooltip(int command_id);

// One context-menu request at `position` (x in the low 16 bits, y in the
// high 16 bits, screen coordinates; 0xFFFF/0xFFFF from the keyboard). Counts
// consecutive requests in the screen's top-left 20 x 20 pixels; on the tenth
// the count starts again and the result is true: open read-all.
constexpr int corner_click_size = 20;
constexpr int corner_clicks_to_open = 10;
bool count_corner_click(int& corner_clicks, std::uint32_t position);

// The dialogs the main window opens from its menu and toolbar.
enum class ShellDialog {
  alarm, video_loss, date_time, title, auto_switch, video_adjust, display_channel,
  video_format, agc, other, set_all, read_all, slave_address, unit_list, interface_settings, about,
};
// Opening the auto-switch or the other settings dialog, or any dialog of the
// maintenance menu (set-all, read-all, slave address, unit list, interface),
// starts the count toward the hidden route again; the other dialogs leave it
// standing.
void note_dialog_opening(int& corner_clicks, ShellDialog dialog);

// "ZANTEQ" while no file is known, else "ZANTEQ - " and the file's name
// without its folder. `file_name` is a full path in UTF-8.
std::string main_window_title(const std::string& file_name);

}  // namespace zanteq
