// The interface values kept in "zanteq.ini" (section "ZANTEQ_Section"):
// com_port, rs_control, select_number, transfer_pace, port (a network
// port's URL, which wins over com_port when it is there and not empty), and
// the communication log's file: log_to_file and log_file.
//
// The file lives in the user's application data folder
// (%APPDATA%\ZANTEQ\zanteq.ini), which a standard user can write on every
// current Windows. While it does not exist yet, the file of an older
// installation is read: the copy that file virtualisation made of its
// write to the Windows directory (%LOCALAPPDATA%\VirtualStore\Windows),
// else the one in the Windows directory; it is copied over at the first
// change.
#pragma once

#include <string>

#include "core/settings/record.h"

namespace zanteq::win32 {

// At start-up: the four number keys into com_port, rs_control,
// select_number and transfer_pace ("0" for a missing file or key), and
// port into port_url (empty when missing). Values outside the tables
// that com_port and select_number index become 0, and so does a
// transfer_pace other than 1.
void read_interface_settings(AppState& app);

// Writes one key at once (the interface dialog calls it on every change).
// When the file cannot be written a box says so, once per run; the value
// still holds in memory.
void write_interface_setting(const char* key, int value);
// The same for a text value (UTF-8); an empty text leaves the key empty.
void write_interface_text(const char* key, const std::string& text);

// Whether the communication log is recorded to a file, and which (UTF-8;
// empty when none was chosen yet).
struct LogFileSetting {
  bool to_file = false;
  std::string path;
};
LogFileSetting read_log_file_setting();
// Both keys at once; a failure is said as for the other keys.
void write_log_file_setting(bool to_file, const std::string& path);

}  // namespace zanteq::win32
