// Port names, the port list and the link state rules.
#include "core/link/port_link.h"

#include <algorithm>

#include "core/settings/ini_values.h"

namespace zanteq {

namespace {

bool valid_com_port(int com_port) { return com_port >= 0 && com_port <= com_port_max; }

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// "USB Serial Port (COM12)" -> "USB Serial Port": the list shows the port
// name once, in front.
std::string description_of(const std::string& friendly_name, int com_port) {
  std::string text = friendly_name;
  const std::string suffix = "(" + port_name(com_port) + ")";
  if (text.size() >= suffix.size()) {
    std::string tail = text.substr(text.size() - suffix.size());
    std::transform(tail.begin(), tail.end(), tail.begin(), upper);
    if (tail == suffix) text.erase(text.size() - suffix.size());
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
  // A name that says no more than the port name adds nothing.
  std::string bare = text;
  std::transform(bare.begin(), bare.end(), bare.begin(), upper);
  if (bare == port_name(com_port)) return {};
  return text;
}

std::string entry_text(int com_port) { return "COM " + std::to_string(com_port + 1); }

}  // namespace

std::string port_name(int com_port) {
  return "COM" + std::to_string(checked_com_port(com_port) + 1);
}

int com_port_of_name(std::string_view name) {
  if (name.size() < 4 || name.size() > 6) return -1;
  if (upper(name[0]) != 'C' || upper(name[1]) != 'O' || upper(name[2]) != 'M') return -1;
  if (name[3] == '0') return -1;  // "COM01" is not a port name
  int number = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return -1;
    number = number * 10 + (name[i] - '0');
  }
  return valid_com_port(number - 1) ? number - 1 : -1;
}

std::vector<PortListEntry> port_list(const std::vector<PresentPort>& present, int configured_com_port) {
  std::vector<PortListEntry> list;
  for (const PresentPort& port : present) {
    if (!valid_com_port(port.com_port)) continue;
    const std::string description = description_of(port.friendly_name, port.com_port);
    const int at = port_list_index(list, port.com_port);
    if (at >= 0) {
      // Listed twice (registry and driver): keep the entry that says more.
      if (!description.empty() && list[at].text == entry_text(port.com_port)) {
        list[at].text += "  " + description;
      }
      continue;
    }
    list.push_back({port.com_port, description.empty() ? entry_text(port.com_port)
                                                       : entry_text(port.com_port) + "  " + description,
                    true});
  }
  if (valid_com_port(configured_com_port) && port_list_index(list, configured_com_port) < 0) {
    list.push_back({configured_com_port, entry_text(configured_com_port) + "  (ポートがありません)", false});
  }
  std::sort(list.begin(), list.end(),
            [](const PortListEntry& a, const PortListEntry& b) { return a.com_port < b.com_port; });
  return list;
}

int port_list_index(const std::vector<PortListEntry>& list, int com_port) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i].com_port == com_port) return static_cast<int>(i);
  }
  return -1;
}

LinkPort LinkPort::com(int com_port) {
  LinkPort port;
  port.com_port = com_port;
  return port;
}

LinkPort LinkPort::network(const NetPort& net_port) {
  LinkPort port;
  port.net = true;
  port.net_port = net_port;
  return port;
}

std::string LinkPort::name() const { return net ? net_address_text(net_port.address) : port_name(com_port); }

LinkPort configured_port(std::string_view port_value, int com_port) {
  NetPort net_port;
  NetPortError ignored;
  if (parse_net_port(port_value, net_port, ignored)) return LinkPort::network(net_port);
  return LinkPort::com(checked_com_port(com_port));
}

std::string port_ini_value(const LinkPort& port) { return port.net ? net_port_url(port.net_port) : std::string(); }

std::vector<PortComboEntry> port_combo(const std::vector<PresentPort>& present, const LinkPort& configured) {
  std::vector<PortComboEntry> combo;
  // While a network port is in use, the COM port the INI still keeps for
  // older versions is not the configured one: it is not marked.
  for (const PortListEntry& entry : port_list(present, configured.net ? -1 : configured.com_port))
    combo.push_back({PortComboEntry::Kind::port, LinkPort::com(entry.com_port), entry.text});
  if (configured.net)
    combo.push_back({PortComboEntry::Kind::port, configured, net_port_url(configured.net_port)});
  combo.push_back({PortComboEntry::Kind::choose_network, LinkPort(), "ネットワーク…"});
  return combo;
}

int port_combo_index(const std::vector<PortComboEntry>& combo, const LinkPort& port) {
  for (std::size_t i = 0; i < combo.size(); ++i) {
    if (combo[i].kind == PortComboEntry::Kind::port && combo[i].port == port) return static_cast<int>(i);
  }
  return -1;
}

NetDialogFields net_dialog_fields(const LinkPort& configured) {
  NetDialogFields fields;
  if (!configured.net) return fields;
  fields.host = configured.net_port.address.host;
  fields.port_number = std::to_string(configured.net_port.address.port);
  fields.scheme = configured.net_port.scheme;
  return fields;
}

NetDialogCheck check_net_dialog(const NetDialogFields& fields) {
  NetDialogCheck check;
  NetPortError error;
  if (!parse_net_host(fields.host, check.port.address, error)) {
    check.field = NetDialogCheck::Field::host;
    check.message = net_port_error_text_ja(error);
    return check;
  }
  if (!parse_net_port_number(fields.port_number, check.port.address.port, error)) {
    check.field = NetDialogCheck::Field::port_number;
    check.message = net_port_error_text_ja(error);
    return check;
  }
  check.port.scheme = fields.scheme;
  return check;
}

namespace {

PortState state_after(OpenFailure result) {
  switch (result) {
    case OpenFailure::none:
      return PortState::connected;
    case OpenFailure::not_present:
      return PortState::not_present;
    case OpenFailure::in_use:
      return PortState::in_use;
    case OpenFailure::settings:
      break;
  }
  return PortState::unusable;
}

}  // namespace

void PortLink::started(int com_port, OpenFailure result) {
  port_ = LinkPort::com(com_port);
  attempting_ = false;
  // A port that opened but refused the line settings is used anyway, as it
  // always was at start-up: "Miss! Set Comm State" has said so already.
  state_ = result == OpenFailure::settings ? PortState::connected : state_after(result);
}

PortNotice PortLink::chosen(int com_port, OpenFailure result) {
  port_ = LinkPort::com(com_port);
  attempting_ = false;
  state_ = state_after(result);
  const std::string name = port_.name();
  switch (result) {
    case OpenFailure::none:
      return {};
    case OpenFailure::not_present:
      return {name + " を開けません。\nこのパソコンに " + name +
              " はありません。\nUSBシリアル変換器が接続されているか確認してください。\n"
              "接続されると自動的に使用します。"};
    case OpenFailure::in_use:
      return {name + " を開けません。\n他のプログラムが使用中です。\n"
                     "そのプログラムがポートを閉じると自動的に使用します。"};
    case OpenFailure::settings:
      break;
  }
  return {name + " を開けません。\n通信条件（9600bps、8ビット、偶数パリティ）を設定できません。\n"
                 "別のポートを選んでください。"};
}

PortNotice PortLink::lost(LinkState& link) { return lost(link, NetFailure::none); }

PortNotice PortLink::lost(LinkState& link, NetFailure why) {
  if (state_ != PortState::connected) return {};
  state_ = port_.net ? PortState::not_connected : PortState::not_present;
  last_failure_ = why;
  link.reply_pending = 0;
  link.sequence_abort = 1;
  const std::string name = port_.name();
  if (!port_.net)
    return {name + " との接続が切れました。\nUSBシリアル変換器を接続し直すと、自動的に再接続します。"};
  const std::string reason = why == NetFailure::none ? std::string() : net_failure_text_ja(why) + "。\n";
  return {name + " との接続が切れました。\n" + reason + "サーバーに接続できるようになると、自動的に再接続します。"};
}

void PortLink::connecting(const LinkPort& port) {
  port_ = port;
  state_ = PortState::connecting;
  attempting_ = true;
  last_failure_ = NetFailure::none;
}

void PortLink::retrying() { attempting_ = true; }

PortNotice PortLink::connect_ended(NetFailure failure) {
  attempting_ = false;
  if (failure == NetFailure::none) {
    state_ = PortState::connected;
    last_failure_ = NetFailure::none;
    return {};
  }
  last_failure_ = failure;
  if (state_ != PortState::connecting) return {};  // a retry: nothing is said until it works
  state_ = PortState::not_connected;
  return {port_.name() + " に接続できません。\n" + net_failure_text_ja(failure) +
          "。\nサーバーに接続できるようになると、自動的に使用します。"};
}

void PortLink::retried(OpenFailure result) {
  // Nothing is said until it works. A device that opens but refuses the
  // line settings may still be starting up (an adapter just plugged in):
  // keep trying as before rather than give up on it.
  if (result == OpenFailure::settings) return;
  state_ = state_after(result);
}

PortNotice PortLink::refuse_send(LinkState& link) const {
  if (state_ == PortState::connected) return {};
  link.sequence_abort = 1;
  const std::string name = port_.name();
  switch (state_) {
    case PortState::connected:
      return {};
    case PortState::connecting:
      return {name + " に接続しています。コマンドは送信されませんでした。\n接続できてから、もう一度送信してください。"};
    case PortState::not_connected:
      return {name + " に接続できません。コマンドは送信されませんでした。\n" +
              (last_failure_ == NetFailure::none ? std::string() : net_failure_text_ja(last_failure_) + "。\n") +
              "サーバーとネットワークの接続を確認してください。"};
    case PortState::not_present:
      return {name + " がありません。コマンドは送信されませんでした。\n"
                     "USBシリアル変換器の接続を確認してください。"};
    case PortState::in_use:
      return {name + " は他のプログラムが使用中です。コマンドは送信されませんでした。"};
    case PortState::unusable:
      break;
  }
  return {name + " は使用できません。コマンドは送信されませんでした。\n"
                 "「インターフェイス」メニューで別のポートを選んでください。"};
}

std::string PortLink::status_text() const {
  const char* state = "接続中";
  switch (state_) {
    case PortState::connected:
      break;
    case PortState::not_present:
      state = "ポートがありません";
      break;
    case PortState::in_use:
      state = "使用中";
      break;
    case PortState::unusable:
      state = "使用できません";
      break;
    case PortState::connecting:
      state = "接続しています";
      break;
    case PortState::not_connected:
      state = "接続できません";
      break;
  }
  return port_.name() + ": " + state;
}

}  // namespace zanteq
