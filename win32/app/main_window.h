// The main window: menu, toolbar, status-bar clock and the 300 ms timer
// that drives the reply watch. It has no content of its own; every function
// opens from its menu or toolbar.
#pragma once

#include <windows.h>

#include <string>

namespace zanteq::win32 {

// Posted when the link has queued a box (reply_boxes): the main window shows
// it on the interface thread.
constexpr UINT message_show_reply_boxes = WM_APP + 1;
constexpr UINT message_port_lost = WM_APP + 2;  // wParam: the port's generation
// Posted by a network port's connecting thread when its attempt has ended.
constexpr UINT message_net_connected = WM_APP + 4;  // wParam: the attempt
// Posted from any thread when the communication log's queue gets its first
// event since the last take (win32/log/log_keeping.h).
constexpr UINT message_log_waiting = WM_APP + 3;

bool register_main_window_class(HINSTANCE instance);
// Created at (0, 0) with the size for the running Windows version.
HWND create_main_window(HINSTANCE instance);

// The title bar names the file in use: "ZANTEQ - name.dat".
void show_main_window_file(const std::string& file_name);

// The status bar's port part: "COM12: 接続中" (UTF-8).
void show_port_status(const std::string& text);

// Close box, Alt+F4 and "ｱﾌﾟﾘｹｰｼｮﾝの終了": ask about unsaved changes, then
// end the message loop. A cancelled or failed save keeps the program open.
void exit_application();

}  // namespace zanteq::win32
