// Which port the program uses and what it says about it: port numbers and
// names, network ports (a unit behind a serial device server), the
// interface dialog's port combo and network dialog, and the state of the
// link (connected, not present, in use, connecting, cannot connect) with
// the notices that go with it.
//
// The Windows program enumerates the ports, opens and closes them, connects
// to servers and shows the notices; the rules for what to show, when to say
// it and when to try again live here. Used on the interface thread only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/link/net_port.h"
#include "core/link/net_stream.h"
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

// The port the program uses: a COM port by number, or a network port.
struct LinkPort {
  bool net = false;
  int com_port = 0;  // COM: as the INI keeps it
  NetPort net_port;  // network

  static LinkPort com(int com_port);
  static LinkPort network(const NetPort& port);
  // As the status bar, the boxes and the log name it: "COM12", "10.0.0.5:4001".
  std::string name() const;
  bool operator==(const LinkPort& o) const {
    return net == o.net && (net ? net_port == o.net_port : com_port == o.com_port);
  }
};

// The port the INI keys name: `port` (a network port's URL) when it is
// there and not empty, else `com_port` as older versions keep it. A `port`
// that is not a network port's URL (edited by hand) is passed over for
// `com_port`, so the program starts on a port it can name.
LinkPort configured_port(std::string_view port_value, int com_port);
// The `port` value the INI keeps for a port: the URL, or empty for a COM
// port (whose number is in `com_port`).
std::string port_ini_value(const LinkPort& port);

// The interface dialog's port combo: the COM ports as port_list gives them
// (the configured one marked when it is not there), the configured network
// port as its URL, and last the entry that opens the network dialog.
struct PortComboEntry {
  enum class Kind { port, choose_network } kind = Kind::port;
  LinkPort port;      // Kind::port
  std::string text;   // UTF-8: "COM 12  USB Serial Port", "tcp://10.0.0.5:4001", "ネットワーク…"
};
std::vector<PortComboEntry> port_combo(const std::vector<PresentPort>& present, const LinkPort& configured);
// The entry of `port` in `combo`, -1 when it is not there.
int port_combo_index(const std::vector<PortComboEntry>& combo, const LinkPort& port);

// The network dialog ("ネットワーク ポート"): host, port number and kind.
struct NetDialogFields {
  std::string host;         // UTF-8 as typed
  std::string port_number;  // as typed
  NetScheme scheme = NetScheme::tcp;
};
// What the dialog shows first: the configured network port, or empty
// fields and TCP.
NetDialogFields net_dialog_fields(const LinkPort& configured);
// 接続 pressed: the network port, or why not (the parser's words) and the
// field to put the cursor in.
struct NetDialogCheck {
  enum class Field { none, host, port_number } field = Field::none;
  NetPort port;
  std::string message;  // UTF-8, empty when the fields are good
  bool ok() const { return field == Field::none; }
};
NetDialogCheck check_net_dialog(const NetDialogFields& fields);

// Why opening a port failed, as far as the user can act on it.
enum class OpenFailure {
  none,         // opened and configured
  not_present,  // no such port on this PC now (adapter not plugged in)
  in_use,       // another program holds it
  settings,     // opened, but the driver refused the line settings
};

// How the user sees the link. A network port is connecting (the first try
// of a port, at start-up or when chosen), connected, or not_connected.
enum class PortState { connected, not_present, in_use, unusable, connecting, not_connected };

// A message box for the user: empty text means nothing is shown.
struct PortNotice {
  std::string text;   // UTF-8
  bool shown() const { return !text.empty(); }
};

// The link's state and what the program says when it changes. Every change
// is said at most once: a pulled adapter gives one box, however many reads
// and writes fail afterwards, and the retries while it is gone say nothing.
// A network port follows the same rules: a server that refuses, does not
// answer within 3 s or ends the connection is a pulled adapter, said in one
// box naming the server and the reason; it is tried again every 2 s and
// comes back without a word. Connecting takes time, so its steps come in
// two calls: an attempt begins (connecting, retrying) and ends
// (connect_ended).
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

  // A network port: the first attempt to connect to `port` begins (at
  // start-up or chosen by the user). The state is `connecting` until it ends.
  void connecting(const LinkPort& port);
  // A quiet retry of the network port begins; the state stays as it is,
  // so the status bar does not change every 2 s.
  void retrying();
  // The attempt ended, connected when `failure` is none. The box when the
  // first attempt of a port failed, naming the server and why; a retry
  // says nothing either way.
  PortNotice connect_ended(NetFailure failure);
  // An attempt is under way: no second one starts.
  bool attempting() const { return attempting_; }

  // The network port's connection ended (`why`); as lost() above, with the
  // reason in the box.
  PortNotice lost(LinkState& link, NetFailure why);

  // A command is about to be sent: true when it can go out. Otherwise
  // refuse_send gives the box that says why at once, instead of waiting for
  // the reply watch, and stops a running read-all or set-all.
  bool may_send() const { return state_ == PortState::connected; }
  PortNotice refuse_send(LinkState& link) const;

  // Whether the port should be tried again now and then: it is gone or held
  // by another program, or its server cannot be reached, and may come back
  // by itself.
  bool wants_retry() const {
    return !attempting_ && (state_ == PortState::not_present || state_ == PortState::in_use ||
                            state_ == PortState::not_connected);
  }

  int com_port() const { return port_.com_port; }
  const LinkPort& port() const { return port_; }
  PortState state() const { return state_; }

  // The status-bar text: "COM12: 接続中", "10.0.0.5:4001: 接続できません".
  std::string status_text() const;

 private:
  LinkPort port_;
  PortState state_ = PortState::not_present;
  bool attempting_ = false;
  NetFailure last_failure_ = NetFailure::none;  // why the network port is not connected
};

}  // namespace zanteq
