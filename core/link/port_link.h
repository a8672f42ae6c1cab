// Which serial port the program uses and what it says about it: port
// numbers and names, the interface dialog's port list, and the state of the
// link (connected, not present, in use) with the notices that go with it.
//
// The Windows program enumerates the ports, opens and closes them and shows
// the notices; the rules for what to show, when to say it and when to try
// again live here. Used on the interface thread only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/settings/record.h"

namespace zanteq {

// com_port is the port number minus one, as the INI file has always kept
// it: 0 = COM1 .. 8 = COM9, and 9 = COM10 .. 255 = COM256.
constexpr int com_port_max = 255;

// "COM1".."COM256" for com_port 0..255; anything else is COM1.
std::string port_name(int com_port);

// The com_port of a port name ("COM12", any case) as the registry lists
// it; -1 for anything that is not COM1..COM256.
int com_port_of_name(std::string_view name);

// A port that exists now, as the platform reports it. `friendly_name` is the
// driver's own name ("USB Serial Port (COM12)") in UTF-8, empty when the
// platform has none.
struct PresentPort {
  int com_port = 0;
  std::string friendly_name;
};

// One entry of the interface dialog's port combo.
struct PortListEntry {
  int com_port = 0;
  std::string text;   // UTF-8: "COM 12", "COM 12  USB Serial Port", "COM 7  (ポートがありません)"
  bool present = true;
};

// The entries in port number order, each port once, the configured port
// always among them (marked when it is not present). Ports outside
// COM1..COM256 are left out.
std::vector<PortListEntry> port_list(const std::vector<PresentPort>& present, int configured_com_port);

// The entry index of `com_port` in `list`, -1 when it is not there.
int port_list_index(const std::vector<PortListEntry>& list, int com_port);

// Why opening a port failed, as far as the user can act on it.
enum class OpenFailure {
  none,         // opened and configured
  not_present,  // no such port on this PC now (adapter not plugged in)
  in_use,       // another program holds it
  settings,     // opened, but the driver refused the line settings
};

// How the user sees the link.
enum class PortState { connected, not_present, in_use, unusable };

// A message box for the user: empty text means nothing is shown.
struct PortNotice {
  std::string text;   // UTF-8
  bool shown() const { return !text.empty(); }
};

// The link's state and what the program says when it changes. Every change
// is said at most once: a pulled adapter gives one box, however many reads
// and writes fail afterwards, and the retries while it is gone say nothing.
class PortLink {
 public:
  // The port used at start-up. Its failures are reported by the start-up
  // boxes of their own, so nothing more is said here.
  void started(int com_port, OpenFailure result);

  // The user chose `com_port`: the box when it cannot be used.
  PortNotice chosen(int com_port, OpenFailure result);

  // Reads or writes fail because the device went away. Says so once, while
  // the port was connected; afterwards the port is tried again. A reply
  // still awaited will not come, and a running read-all or set-all stops:
  // the one box is all the user hears, no "No Connect" after it.
  PortNotice lost(LinkState& link);

  // A quiet retry of the same port (a device arrived, or the retry timer).
  // One that opens but cannot set the line settings changes nothing.
  void retried(OpenFailure result);

  // A command is about to be sent: true when it can go out. Otherwise
  // refuse_send gives the box that says why at once, instead of waiting for
  // the reply watch, and stops a running read-all or set-all.
  bool may_send() const { return state_ == PortState::connected; }
  PortNotice refuse_send(LinkState& link) const;

  // Whether the port should be tried again now and then: it is gone or held
  // by another program, and may come back by itself.
  bool wants_retry() const { return state_ == PortState::not_present || state_ == PortState::in_use; }

  int com_port() const { return com_port_; }
  PortState state() const { return state_; }

  // The status-bar text: "COM12: 接続中".
  std::string status_text() const;

 private:
  int com_port_ = 0;
  PortState state_ = PortState::not_present;
};

}  // namespace zanteq
