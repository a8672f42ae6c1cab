// The RFC 2217 codec: negotiation as a serial device server meets it, a
// server that refuses, IAC doubling both ways, and the same output however
// the reads cut the bytes.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "core/link/rfc2217.h"

namespace zanteq {
namespace {

using namespace telnet;
using Kind = Rfc2217Event::Kind;

std::string bytes(std::initializer_list<int> list) {
  std::string s;
  for (int b : list) s += static_cast<char>(b);
  return s;
}

std::string neg(int verb, int option) { return bytes({iac, verb, option}); }

std::string com(int code, std::initializer_list<int> payload) {
  return bytes({iac, sb, option_com_port, code}) + bytes(payload) + bytes({iac, se});
}

std::vector<std::string> texts(const Rfc2217Output& out) {
  std::vector<std::string> t;
  for (const Rfc2217Event& e : out.events) t.push_back(describe(e));
  return t;
}

const std::string line_settings = com(1, {0, 0, 0x25, 0x80}) + com(2, {8}) + com(3, {3}) + com(4, {1}) + com(5, {1});

TEST(Rfc2217Client, OffersTheOptionsAndSetsTheLineOnceTheServerAgrees) {
  Rfc2217Client client;
  EXPECT_EQ(client.start(), neg(will, option_binary) + neg(do_, option_binary) + neg(will, option_suppress_go_ahead) +
                                neg(do_, option_suppress_go_ahead) + neg(will, option_com_port));
  EXPECT_EQ(client.start(), "");
  EXPECT_EQ(client.com_port_state(), ComPortState::negotiating);

  // The answers to our own requests are not answered again.
  Rfc2217Output out = client.feed(neg(do_, option_binary) + neg(will, option_binary) +
                                   neg(do_, option_suppress_go_ahead) + neg(will, option_suppress_go_ahead));
  EXPECT_EQ(out.send, "");
  EXPECT_TRUE(out.events.empty());

  // Sub-negotiations only once the server has agreed.
  out = client.feed(neg(do_, option_com_port));
  EXPECT_EQ(out.send, line_settings);
  EXPECT_EQ(texts(out), std::vector<std::string>{describe(Rfc2217Event(Kind::com_port_agreed))});
  EXPECT_EQ(client.com_port_state(), ComPortState::agreed);

  out = client.feed(com(101, {0, 0, 0x25, 0x80}) + com(102, {8}) + com(103, {3}) + com(104, {1}) + com(105, {1}) +
                    com(101, {0, 0, 0x4B, 0x00}) + com(105, {8}) + com(107, {0x30}) + com(108, {}) + "GO\r\n");
  EXPECT_EQ(out.send, "");
  EXPECT_EQ(out.data, "GO\r\n");
  EXPECT_EQ(texts(out), (std::vector<std::string>{
                            "server confirms SET-BAUDRATE 9600", "server confirms SET-DATASIZE 8",
                            "server confirms SET-PARITY EVEN", "server confirms SET-STOPSIZE 1",
                            "server confirms SET-CONTROL NONE", "server answers SET-BAUDRATE 19200 (asked 9600)",
                            "server confirms SET-CONTROL DTR-ON", "server modem state 0x30",
                            "FLOWCONTROL-SUSPEND: the other side asks to pause sending"}));
  EXPECT_TRUE(out.events[5].differs());
  EXPECT_FALSE(out.events[6].differs());  // DTR is not the flow control we asked
}

TEST(Rfc2217Client, AnswersTheServersRequestsAndNeverLoops) {
  Rfc2217Client client;  // the server speaks first
  Rfc2217Output out = client.feed(neg(do_, option_com_port));
  EXPECT_EQ(out.send, neg(will, option_com_port) + line_settings);

  // Agreed once, refused once, silent on repeats, acknowledged when turned off.
  const std::string server = neg(do_, option_binary) + neg(do_, option_binary) + neg(will, option_echo) + "A" +
                             neg(will, option_echo) + neg(do_, 24) + neg(do_, 24) + neg(wont, 31) +
                             neg(dont, option_binary) + neg(dont, option_binary) + neg(do_, option_com_port) +
                             bytes({iac, sb, option_com_port, 100, iac, se}) + "B";
  out = client.feed(server);
  EXPECT_EQ(out.send, neg(will, option_binary) + neg(dont, option_echo) + neg(wont, 24) +
                          neg(wont, option_binary) + com(0, {'Z', 'A', 'N', 'T', 'E', 'Q', ' ', 'S', 'e', 't', 'u', 'p'}));
  EXPECT_EQ(out.data, "AB");
  EXPECT_EQ(texts(out), std::vector<std::string>{describe(Rfc2217Event(Kind::binary_refused))});

  // Talking to our own server: every request is settled in one round each way.
  Rfc2217Server unit_server;
  std::string to_server = client.start(), to_client;
  for (int round = 0; round < 4 && !(to_server.empty() && to_client.empty()); ++round) {
    to_client = unit_server.feed(to_server).send;
    to_server = client.feed(to_client).send;
  }
  EXPECT_EQ(to_server, "");
  EXPECT_EQ(to_client, "");

  // A peer's request and its withdrawal in one read: each side answers both,
  // and the other takes the answers for new requests. Agreed three times,
  // then the option stays off and the talk comes to rest (found by the
  // rfc2217 fuzz target: it went on for ever).
  Rfc2217Client fresh;
  Rfc2217Server server_side;
  to_client = server_side.feed(neg(do_, option_com_port) + neg(dont, option_com_port)).send;
  EXPECT_EQ(to_client, neg(will, option_com_port) + neg(wont, option_com_port));
  to_server = fresh.start();
  int rounds = 0;
  for (; rounds < 16 && !(to_server.empty() && to_client.empty()); ++rounds) {
    to_server += fresh.feed(to_client).send;
    to_client = server_side.feed(to_server).send;
    to_server.clear();
  }
  EXPECT_LE(rounds, 6);
  EXPECT_EQ(fresh.feed(neg(will, option_com_port)).send, "");
}

TEST(Rfc2217Client, ReportsAServerThatRefusesTheOptionOnceAndKeepsTheData) {
  for (const int verb : {dont, wont}) {
    SCOPED_TRACE(verb == dont ? "DONT" : "WONT");
    Rfc2217Client client;
    client.start();
    Rfc2217Output out = client.feed(neg(verb, option_com_port) + "GO\r\n" + neg(verb, option_com_port));
    EXPECT_EQ(out.send, "");  // a refusal of our request is not acknowledged
    EXPECT_EQ(out.data, "GO\r\n");
    ASSERT_EQ(out.events.size(), 1u);
    EXPECT_EQ(out.events[0].kind, Kind::com_port_refused);
    EXPECT_NE(describe(out.events[0]).find("data still passes"), std::string::npos);
    EXPECT_EQ(client.com_port_state(), ComPortState::refused);
  }

  // Agreed, then turned off: acknowledged and reported.
  Rfc2217Client client;
  client.start();
  client.feed(neg(do_, option_com_port));
  Rfc2217Output out = client.feed(neg(dont, option_com_port));
  EXPECT_EQ(out.send, neg(wont, option_com_port));
  ASSERT_EQ(out.events.size(), 1u);
  EXPECT_EQ(out.events[0].kind, Kind::com_port_refused);
}

TEST(Rfc2217Codec, DoublesIacGoingOutAndUndoesItComingIn) {
  EXPECT_EQ(telnet_escape(bytes({0xFF, 0, 'A', 0xFF, 0xFF})), bytes({0xFF, 0xFF, 0, 'A', 0xFF, 0xFF, 0xFF, 0xFF}));
  std::string every_byte;
  for (int b = 0; b < 256; ++b) every_byte += static_cast<char>(b);

  Rfc2217Client client;
  client.feed(neg(will, option_binary));
  EXPECT_EQ(client.feed(telnet_escape(every_byte)).data, every_byte);
  Rfc2217Server server;
  server.feed(neg(will, option_binary));
  EXPECT_EQ(server.feed(telnet_escape(every_byte)).data, every_byte);

  // An 0xFF inside a setting, both ways.
  const Rfc2217Output out = server.feed(com(1, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF}) + com(2, {0xFF, 0xFF}));
  EXPECT_EQ(server.settings().baud_rate, 0xFFFFu);
  EXPECT_EQ(out.send, com(101, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF}) + com(102, {8}));  // 255 data bits refused
  EXPECT_EQ(texts(out), (std::vector<std::string>{"SET-BAUDRATE 65535", "SET-DATASIZE 255"}));
}

TEST(Rfc2217Codec, GivesTheSameOutputHoweverTheReadsCutTheBytes) {
  // Data, commands, negotiations, sub-negotiations with doubled IAC inside,
  // a CR NUL of a server without binary, one over-long and one cut-off
  // sub-negotiation, and data after each.
  const std::string stream =
      "G" + bytes({iac, iac}) + "O\r" + bytes({0}) + "\n" + bytes({iac, nop, iac, data_mark}) + neg(do_, option_com_port) +
      com(101, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF}) + neg(will, option_echo) +
      bytes({iac, sb, option_com_port, 100}) + "unit-srv" + bytes({iac, se}) + bytes({iac, sb, 24}) +
      std::string(300, 'x') + bytes({iac, se}) + bytes({iac, sb, option_com_port, 107, 1}) + neg(do_, 24) +
      "E3\r\n";
  const std::string expected_data = "G" + bytes({0xFF}) + "O\r\nE3\r\n";
  const std::string expected_send =
      neg(will, option_com_port) + line_settings + neg(dont, option_echo) + neg(wont, 24);
  const std::vector<std::string> expected_events = {describe(Rfc2217Event(Kind::com_port_agreed)),
                                                    "server answers SET-BAUDRATE 65535 (asked 9600)",
                                                    "SIGNATURE unit-srv"};
  auto run = [&](const std::vector<std::size_t>& cuts) {
    Rfc2217Client client;
    Rfc2217Output all;
    std::size_t from = 0;
    for (std::size_t to : cuts) {
      Rfc2217Output out = client.feed(std::string_view(stream).substr(from, to - from));
      all.data += out.data;
      all.send += out.send;
      for (const Rfc2217Event& e : out.events) all.events.push_back(e);
      from = to;
    }
    EXPECT_EQ(all.data, expected_data);
    EXPECT_EQ(all.send, expected_send);
    EXPECT_EQ(texts(all), expected_events);
  };
  run({stream.size()});
  for (std::size_t cut = 1; cut < stream.size(); ++cut) {
    SCOPED_TRACE("split at " + std::to_string(cut));
    run({cut, stream.size()});
    if (::testing::Test::HasFailure()) return;
  }
  std::vector<std::size_t> each;
  for (std::size_t i = 1; i <= stream.size(); ++i) each.push_back(i);
  run(each);
}

TEST(Rfc2217Server, TakesTheClientsSettingsAndAnswersEachOne) {
  Rfc2217Client client;
  Rfc2217Server server;
  Rfc2217Output at_server = server.feed(client.start() + neg(do_, option_echo));
  EXPECT_EQ(at_server.send, neg(do_, option_binary) + neg(will, option_binary) + neg(do_, option_suppress_go_ahead) +
                                neg(will, option_suppress_go_ahead) + neg(do_, option_com_port) +
                                neg(wont, option_echo));
  EXPECT_EQ(texts(at_server), (std::vector<std::string>{"WILL BINARY", "DO BINARY", "WILL SUPPRESS-GO-AHEAD",
                                                        "DO SUPPRESS-GO-AHEAD", "WILL COM-PORT-OPTION", "DO ECHO"}));

  at_server = server.feed(client.feed(at_server.send).send + com(3, {0}) + com(5, {7}) + com(12, {3}) +
                          bytes({iac, sb, option_com_port, 0, iac, se}));
  EXPECT_EQ(texts(at_server),
            (std::vector<std::string>{"SET-BAUDRATE 9600", "SET-DATASIZE 8", "SET-PARITY EVEN", "SET-STOPSIZE 1",
                                      "SET-CONTROL NONE", "SET-PARITY REQUEST", "SET-CONTROL REQUEST-DTR",
                                      "PURGE-DATA 3"}));
  EXPECT_EQ(at_server.send, com(101, {0, 0, 0x25, 0x80}) + com(102, {8}) + com(103, {3}) + com(104, {1}) +
                                com(105, {1}) + com(103, {3}) + com(105, {8}) + com(112, {3}) +
                                com(100, {'z', 'a', 'n', 't', 'e', 'q', '-', 's', 'i', 'm'}));

  const Rfc2217Output at_client = client.feed(at_server.send);
  for (const Rfc2217Event& e : at_client.events) EXPECT_FALSE(e.differs()) << describe(e);
  EXPECT_EQ(at_client.events.size(), 9u);
}

}  // namespace
}  // namespace zanteq
