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
  com_port_ = com_port;
  // A port that opened but refused the line settings is used anyway, as it
  // always was at start-up: "Miss! Set Comm State" has said so already.
  state_ = result == OpenFailure::settings ? PortState::connected : state_after(result);
}

PortNotice PortLink::chosen(int com_port, OpenFailure result) {
  com_port_ = com_port;
  state_ = state_after(result);
  const std::string name = port_name(com_port_);
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

PortNotice PortLink::lost(LinkState& link) {
  if (state_ != PortState::connected) return {};
  state_ = PortState::not_present;
  link.reply_pending = 0;
  link.sequence_abort = 1;
  const std::string name = port_name(com_port_);
  return {name + " との接続が切れました。\nUSBシリアル変換器を接続し直すと、自動的に再接続します。"};
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
  const std::string name = port_name(com_port_);
  switch (state_) {
    case PortState::connected:
      return {};
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
  }
  return port_name(com_port_) + ": " + state;
}

}  // namespace zanteq
