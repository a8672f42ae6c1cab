// The interface values kept in "zanteq.ini" (section "ZANTEQ_Section"):
// com_port, rs_control, select_number and transfer_pace.
//
// The file lives in the user's application data folder
// (%APPDATA%\ZANTEQ\zanteq.ini), which a standard user can write on every
// current Windows. While it does not exist yet, the file of an older
// installation is read: the copy that file virtualisation made of its
// write to the Windows directory (%LOCALAPPDATA%\VirtualStore\Windows),
// else the one in the Windows directory; it is copied over at the first
// change.
#pragma once

#include "core/settings/record.h"

namespace zanteq::win32 {

// At start-up: the four keys into com_port, rs_control, select_number and
// transfer_pace ("0" for a missing file or key). Values outside the tables
// that com_port and select_number index become 0, and so does a
// transfer_pace other than 1.
void read_interface_settings(AppState& app);

// Writes one key at once (the interface dialog calls it on every change).
// When the file cannot be written a box says so, once per run; the value
// still holds in memory.
void write_interface_setting(const char* key, int value);

}  // namespace zanteq::win32
