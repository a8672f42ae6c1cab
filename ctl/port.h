// What zanteqctl needs from its platform: the serial port, the list of
// ports, files, the console and Ctrl-C. port_posix.cpp (termios and poll)
// and port_windows.cpp (a COM port with COMMTIMEOUTS and synchronous reads)
// each implement all of it; nothing else in the program knows the platform.
//
// Texts are UTF-8 on both sides; the settings file's own bytes (code page
// 932) pass through unchanged.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/link/serial_line.h"

namespace zanteq::ctl {

// Opens and configures `name` as the Windows program does: 9600 baud,
// 8 data bits, even parity, 1 stop bit, CTS and XON/XOFF handshake, the
// port held exclusively. Nothing is written. On failure: nullptr and
// `error` says why in the system's words ("No such file or directory",
// "in use by another program").
std::unique_ptr<SerialLine> open_serial_port(const std::string& name, std::string& error);

// The serial ports of this machine, one line each, with a friendly name or
// a stable alias after the name where the system has one.
std::vector<std::string> list_serial_ports();

bool read_whole_file(const std::string& path, std::string& content, std::string& error);
bool write_whole_file(const std::string& path, const std::string& content, std::string& error);
// Whether `path` can be written, checked before anything is sent: an
// existing file is left as it is, a file made for the check is removed.
bool can_write_file(const std::string& path, std::string& error);

// Code page 932 bytes (a title) as UTF-8 for the console and JSON.
std::string cp932_to_utf8(std::string_view bytes);

bool stderr_is_terminal();

// The first Ctrl-C sets `flag`; the program stops after the line on the
// wire. A second one ends the program at once.
void watch_interrupt(std::atomic<int>& flag);

// The shared program, called by the platform's entry point with the
// arguments as UTF-8 (the program name left out).
int run_zanteqctl(const std::vector<std::string>& args);

}  // namespace zanteq::ctl
