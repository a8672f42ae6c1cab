// Port names, the interface dialog's port list and the link state rules.
#include <gtest/gtest.h>

#include "core/link/port_link.h"
#include "core/settings/ini_values.h"

namespace zanteq {
namespace {

TEST(PortNames, RegistryNamesMapToTheIniValueAndBack) {
  const std::pair<const char*, int> cases[] = {
      {"COM1", 0},   {"COM9", 8},   {"COM10", 9}, {"COM12", 11}, {"com23", 22}, {"Com256", 255},
      {"COM257", -1}, {"COM0", -1}, {"COM01", -1}, {"COM", -1},  {"COM1A", -1}, {"LPT1", -1},
      {"COM-1", -1}, {"COM1000", -1}, {"", -1},
  };
  for (const auto& [name, com_port] : cases) EXPECT_EQ(com_port_of_name(name), com_port) << name;
  for (int com_port : {0, 8, 9, 11, 99, 255}) {
    EXPECT_EQ(com_port_of_name(port_name(com_port)), com_port);
    // What the dialog writes is what the next start opens.
    EXPECT_EQ(checked_com_port(ini_to_int(int_to_ini(com_port))), com_port);
  }
}

TEST(PortList, InNumberOrderWithTheConfiguredPortAlwaysThere) {
  const std::vector<PresentPort> present = {
      {11, "USB Serial Port (COM12)"}, {0, ""}, {2, "Communications Port (com3)"}, {1, "COM2"},
      {11, ""},  // the same port from the registry, without a name
      {300, "far away"}, {-1, ""},
  };
  const auto list = port_list(present, 6);
  ASSERT_EQ(list.size(), 5u);
  const std::pair<int, const char*> expected[] = {
      {0, "COM 1"}, {1, "COM 2"}, {2, "COM 3  Communications Port"}, {6, "COM 7  (ポートがありません)"},
      {11, "COM 12  USB Serial Port"},
  };
  for (std::size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(list[i].com_port, expected[i].first) << i;
    EXPECT_EQ(list[i].text, expected[i].second) << i;
    EXPECT_EQ(list[i].present, list[i].com_port != 6) << i;
  }
  EXPECT_EQ(port_list_index(list, 11), 4);
  EXPECT_EQ(port_list_index(list, 6), 3);
  EXPECT_EQ(port_list_index(list, 5), -1);

  // A configured port that is there is listed once and not marked.
  const auto with_configured = port_list({{11, ""}}, 11);
  ASSERT_EQ(with_configured.size(), 1u);
  EXPECT_TRUE(with_configured[0].present);
  EXPECT_EQ(with_configured[0].text, "COM 12");
  // No port at all still offers the configured one.
  const auto empty = port_list({}, 0);
  ASSERT_EQ(empty.size(), 1u);
  EXPECT_FALSE(empty[0].present);
  EXPECT_EQ(empty[0].text, "COM 1  (ポートがありません)");
}

TEST(PortLinkState, PulledAdapterIsSaidOnceAndComesBackQuietly) {
  AppState app;
  LinkState& flags = app.link;
  PortLink link;
  link.started(11, OpenFailure::none);
  flags.reply_pending = 1;  // a 設定 was pressed just before the adapter went
  EXPECT_TRUE(link.may_send());
  EXPECT_FALSE(link.wants_retry());
  EXPECT_EQ(link.status_text(), "COM12: 接続中");

  const PortNotice first = link.lost(flags);
  EXPECT_EQ(first.text, "COM12 との接続が切れました。\nUSBシリアル変換器を接続し直すと、自動的に再接続します。");
  EXPECT_EQ(flags.reply_pending, 0) << "no \"No Connect\" after the one box";
  EXPECT_EQ(flags.sequence_abort, 1) << "a running read-all stops";
  EXPECT_FALSE(link.lost(flags).shown()) << "a second failing read says nothing";
  EXPECT_EQ(link.state(), PortState::not_present);
  EXPECT_EQ(link.status_text(), "COM12: ポートがありません");
  EXPECT_TRUE(link.wants_retry());
  EXPECT_FALSE(link.may_send());
  flags.sequence_abort = 0;
  EXPECT_NE(link.refuse_send(flags).text.find("COM12 がありません"), std::string::npos);
  EXPECT_EQ(flags.sequence_abort, 1);

  link.retried(OpenFailure::not_present);
  EXPECT_TRUE(link.wants_retry());
  link.retried(OpenFailure::settings);
  EXPECT_TRUE(link.wants_retry()) << "an adapter still starting up is tried again";
  EXPECT_EQ(link.state(), PortState::not_present);
  link.retried(OpenFailure::in_use);
  EXPECT_EQ(link.status_text(), "COM12: 使用中");
  EXPECT_FALSE(link.lost(flags).shown());
  link.retried(OpenFailure::none);
  EXPECT_TRUE(link.may_send());
  EXPECT_FALSE(link.wants_retry());
  flags.sequence_abort = 0;
  EXPECT_FALSE(link.refuse_send(flags).shown());
  EXPECT_EQ(flags.sequence_abort, 0) << "a connected port refuses nothing";
  EXPECT_TRUE(link.lost(flags).shown()) << "pulled again: said again";
}

TEST(PortLinkState, ChosenPortThatCannotBeOpenedNamesThePortAndTheReason) {
  LinkState flags;
  PortLink link;
  link.started(0, OpenFailure::none);

  const PortNotice held = link.chosen(4, OpenFailure::in_use);
  EXPECT_EQ(held.text.rfind("COM5 を開けません。\n他のプログラムが使用中です。", 0), 0u) << held.text;
  EXPECT_EQ(link.status_text(), "COM5: 使用中");
  EXPECT_TRUE(link.wants_retry()) << "taken as soon as the other program lets go";
  EXPECT_NE(link.refuse_send(flags).text.find("使用中"), std::string::npos);

  const PortNotice missing = link.chosen(22, OpenFailure::not_present);
  EXPECT_EQ(missing.text.rfind("COM23 を開けません。\nこのパソコンに COM23 はありません。", 0), 0u) << missing.text;
  EXPECT_EQ(link.com_port(), 22);
  flags.reply_pending = 1;
  EXPECT_FALSE(link.lost(flags).shown()) << "not connected: nothing was lost";
  EXPECT_EQ(flags.reply_pending, 1) << "the reply watch still reports";

  const PortNotice refused = link.chosen(1, OpenFailure::settings);
  EXPECT_NE(refused.text.find("COM2 を開けません。"), std::string::npos);
  EXPECT_EQ(link.status_text(), "COM2: 使用できません");
  EXPECT_FALSE(link.wants_retry()) << "retrying a port that refuses the settings changes nothing";
  EXPECT_FALSE(link.may_send());

  EXPECT_FALSE(link.chosen(11, OpenFailure::none).shown());
  EXPECT_TRUE(link.may_send());
  EXPECT_EQ(link.status_text(), "COM12: 接続中");
}

TEST(PortLinkState, StartUpFailuresAreLeftToTheStartUpBoxes) {
  LinkState flags;
  PortLink missing;
  missing.started(11, OpenFailure::not_present);
  EXPECT_FALSE(missing.may_send());
  EXPECT_TRUE(missing.wants_retry()) << "an adapter plugged in after the start is used";
  EXPECT_FALSE(missing.lost(flags).shown());
  EXPECT_EQ(missing.status_text(), "COM12: ポートがありません");

  // Opened but the line settings refused: used as before, the box has said it.
  PortLink settings;
  settings.started(0, OpenFailure::settings);
  EXPECT_TRUE(settings.may_send());
}

}  // namespace
TEST(NetworkPortLink, ServerDownIsSaidOnceNamingItAndItsReasonAndComesBackQuietly) {
  NetPort server;
  NetPortError error;
  ASSERT_TRUE(parse_net_port("tcp://10.0.0.5:4001", server, error));
  AppState app;
  LinkState& flags = app.link;
  PortLink link;
  link.connecting(LinkPort::network(server));
  EXPECT_EQ(link.status_text(), "10.0.0.5:4001: 接続しています");
  EXPECT_TRUE(link.attempting());
  EXPECT_FALSE(link.wants_retry()) << "no second attempt while one runs";
  EXPECT_FALSE(link.may_send());
  EXPECT_NE(link.refuse_send(flags).text.find("10.0.0.5:4001 に接続しています。コマンドは送信されませんでした。"),
            std::string::npos);

  // The first attempt fails: one box naming the server and the reason.
  const PortNotice refused = link.connect_ended(NetFailure::refused);
  EXPECT_EQ(refused.text.rfind("10.0.0.5:4001 に接続できません。\n接続を拒否されました", 0), 0u) << refused.text;
  EXPECT_EQ(link.status_text(), "10.0.0.5:4001: 接続できません");
  EXPECT_TRUE(link.wants_retry());
  flags.sequence_abort = 0;
  const PortNotice refused_send = link.refuse_send(flags);
  EXPECT_NE(refused_send.text.find("コマンドは送信されませんでした。\n接続を拒否されました"), std::string::npos)
      << refused_send.text;
  EXPECT_EQ(flags.sequence_abort, 1) << "a running read-all stops";

  // Retries say nothing, failing or not; the status bar keeps still.
  link.retrying();
  EXPECT_FALSE(link.wants_retry());
  EXPECT_FALSE(link.connect_ended(NetFailure::timed_out).shown());
  EXPECT_EQ(link.status_text(), "10.0.0.5:4001: 接続できません");
  EXPECT_NE(link.refuse_send(flags).text.find("3 秒以内に応答がありません"), std::string::npos)
      << "the latest reason is told";
  link.retrying();
  EXPECT_FALSE(link.connect_ended(NetFailure::none).shown());
  EXPECT_EQ(link.status_text(), "10.0.0.5:4001: 接続中");
  EXPECT_TRUE(link.may_send());
  EXPECT_FALSE(link.wants_retry());

  // Lost as a pulled adapter is: one box with the reason, a running
  // read-all stopped, no "No Connect" after it.
  flags.reply_pending = 1;
  flags.sequence_abort = 0;
  const PortNotice lost = link.lost(flags, NetFailure::reset);
  EXPECT_EQ(lost.text,
            "10.0.0.5:4001 との接続が切れました。\n接続がリセットされました。\n"
            "サーバーに接続できるようになると、自動的に再接続します。");
  EXPECT_EQ(flags.reply_pending, 0);
  EXPECT_EQ(flags.sequence_abort, 1);
  EXPECT_FALSE(link.lost(flags, NetFailure::closed).shown()) << "said once";
  EXPECT_EQ(link.state(), PortState::not_connected);
  EXPECT_TRUE(link.wants_retry());
  link.retrying();
  EXPECT_FALSE(link.connect_ended(NetFailure::refused).shown()) << "the server restarting";
  link.retrying();
  EXPECT_FALSE(link.connect_ended(NetFailure::none).shown());
  EXPECT_TRUE(link.may_send());

  // Choosing a COM port afterwards is the COM port's rules again.
  const PortNotice com = link.chosen(4, OpenFailure::not_present);
  EXPECT_EQ(com.text.rfind("COM5 を開けません。", 0), 0u);
  EXPECT_FALSE(link.port().net);
  EXPECT_EQ(link.status_text(), "COM5: ポートがありません");
}

TEST(NetworkPortLink, IniComboAndDialogAgree) {
  // `port` wins when it names a network port; otherwise com_port as older
  // versions keep it.
  const LinkPort net = configured_port(" RFC2217://[::1]:4001 ", 3);
  ASSERT_TRUE(net.net);
  EXPECT_EQ(net.name(), "[::1]:4001");
  EXPECT_EQ(port_ini_value(net), "rfc2217://[::1]:4001");
  EXPECT_EQ(configured_port("", 11), LinkPort::com(11));
  EXPECT_EQ(configured_port("COM3", 11), LinkPort::com(11)) << "hand-edited junk: the COM port";
  EXPECT_EQ(configured_port("tcp://host:0", 300), LinkPort::com(0)) << "a bad URL and a bad number: COM1";
  EXPECT_EQ(port_ini_value(LinkPort::com(11)), "") << "choosing a COM port empties `port`";

  // The combo: the ports there are, the server, and the network entry
  // last; the COM port the INI keeps for older versions is not marked.
  const std::vector<PresentPort> present = {{0, ""}, {11, "USB Serial Port"}};
  const auto combo = port_combo(present, net);
  ASSERT_EQ(combo.size(), 4u);
  const char* texts[] = {"COM 1", "COM 12  USB Serial Port", "rfc2217://[::1]:4001", "ネットワーク…"};
  for (std::size_t i = 0; i < combo.size(); ++i) EXPECT_EQ(combo[i].text, texts[i]) << i;
  EXPECT_EQ(combo[3].kind, PortComboEntry::Kind::choose_network);
  EXPECT_EQ(port_combo_index(combo, net), 2);
  EXPECT_EQ(port_combo_index(combo, LinkPort::com(11)), 1);
  EXPECT_EQ(port_combo_index(combo, LinkPort::com(5)), -1);
  const auto com_combo = port_combo(present, LinkPort::com(6));
  ASSERT_EQ(com_combo.size(), 4u);
  EXPECT_EQ(com_combo[1].text, "COM 7  (ポートがありません)");
  EXPECT_EQ(com_combo[3].kind, PortComboEntry::Kind::choose_network);
  EXPECT_EQ(port_combo_index(com_combo, LinkPort::com(6)), 1);

  // The dialog starts from the server in use and gives back what the
  // combo then shows.
  const NetDialogFields fields = net_dialog_fields(net);
  EXPECT_EQ(fields.host, "::1");
  EXPECT_EQ(fields.port_number, "4001");
  EXPECT_EQ(fields.scheme, NetScheme::rfc2217);
  const NetDialogFields empty = net_dialog_fields(LinkPort::com(0));
  EXPECT_TRUE(empty.host.empty() && empty.port_number.empty() && empty.scheme == NetScheme::tcp);
  NetDialogCheck check = check_net_dialog({"[::1]", "4001", NetScheme::rfc2217});
  ASSERT_TRUE(check.ok()) << check.message;
  EXPECT_EQ(check.port, net.net_port);
  check = check_net_dialog({"10.0.0.5", "4001", NetScheme::tcp});
  ASSERT_TRUE(check.ok());
  EXPECT_EQ(net_port_url(check.port), "tcp://10.0.0.5:4001");

  // A mistake names the field to fix.
  check = check_net_dialog({"", "4001", NetScheme::tcp});
  EXPECT_EQ(check.field, NetDialogCheck::Field::host);
  EXPECT_FALSE(check.message.empty());
  check = check_net_dialog({"10.0.0.256", "4001", NetScheme::tcp});
  EXPECT_EQ(check.field, NetDialogCheck::Field::host);
  check = check_net_dialog({"server.example", "70000", NetScheme::tcp});
  EXPECT_EQ(check.field, NetDialogCheck::Field::port_number);
  EXPECT_FALSE(check.message.empty());
  check = check_net_dialog({"server.example", "", NetScheme::tcp});
  EXPECT_EQ(check.field, NetDialogCheck::Field::port_number);
}

}  // namespace zanteq
