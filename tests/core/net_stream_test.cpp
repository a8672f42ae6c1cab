// A network port's connection without I/O: raw bytes untouched, RFC 2217
// settled only once every line setting is answered, the server's pause
// held, and what the log and the user hear of the server.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/link/net_stream.h"
#include "core/log/log_format.h"

namespace zanteq {
namespace {

using Kind = Rfc2217Event::Kind;

std::string com(int code, std::string payload) {
  return std::string{'\xFF', '\xFA', 44, static_cast<char>(code)} + payload + "\xFF\xF0";
}

std::vector<Kind> kinds(const std::vector<Rfc2217Event>& events) {
  std::vector<Kind> k;
  for (const Rfc2217Event& e : events) k.push_back(e.kind);
  return k;
}

TEST(NetStream, RawCarriesEveryByteAsItIsAndNeverWaits) {
  NetStream raw(NetScheme::tcp);
  std::string every_byte;
  for (int b = 0; b < 256; ++b) every_byte += static_cast<char>(b);
  EXPECT_EQ(raw.start(), "");
  EXPECT_TRUE(raw.settled());
  const Rfc2217Output in = raw.feed(every_byte + "\xFF\xFD\x2C");  // a Telnet request is line bytes here
  EXPECT_EQ(in.data, every_byte + "\xFF\xFD\x2C");
  EXPECT_EQ(in.send, "");
  EXPECT_TRUE(in.events.empty());
  EXPECT_EQ(raw.encode(every_byte), every_byte);
  EXPECT_TRUE(raw.stop_waiting().empty());
  EXPECT_FALSE(raw.held());
}

TEST(NetStream, Rfc2217SettlesOnceTheServerAnswersEveryLineSetting) {
  // Our own server: one round each way settles it.
  NetStream stream(NetScheme::rfc2217);
  Rfc2217Server server;
  const std::string offer = stream.start();
  EXPECT_FALSE(offer.empty());
  EXPECT_FALSE(stream.settled());
  Rfc2217Output in = stream.feed(server.feed(offer).send);
  EXPECT_FALSE(stream.settled()) << "the settings went out, their answers have not come";
  in = stream.feed(server.feed(in.send).send + "GO\r\n");
  EXPECT_TRUE(stream.settled());
  EXPECT_EQ(in.data, "GO\r\n");
  EXPECT_EQ(kinds(in.events), std::vector<Kind>(5, Kind::confirmed));
  EXPECT_TRUE(stream.stop_waiting().empty()) << "the server answered";
  EXPECT_EQ(server.settings().parity, com_port::parity_even);
  EXPECT_EQ(stream.encode("A\xFF" "B"), "A\xFF\xFF" "B");

  // A server that agrees but answers four of the five is not settled; a
  // DTR answer is not the flow control asked.
  NetStream partial(NetScheme::rfc2217);
  partial.start();
  partial.feed("\xFF\xFD\x2C");  // DO COM-PORT-OPTION
  partial.feed(com(101, std::string("\0\0\x25\x80", 4)) + com(102, "\x08") + com(103, "\x03") + com(104, "\x01") +
               com(105, "\x08"));
  EXPECT_FALSE(partial.settled());
  partial.feed(com(105, "\x01"));
  EXPECT_TRUE(partial.settled());

  // A server that refuses the option is settled at once: data still passes.
  NetStream refused(NetScheme::rfc2217);
  refused.start();
  in = refused.feed("\xFF\xFE\x2C" "E3\r\n");  // DONT COM-PORT-OPTION
  EXPECT_TRUE(refused.settled());
  EXPECT_EQ(in.data, "E3\r\n");
  ASSERT_EQ(in.events.size(), 1u);
  EXPECT_TRUE(net_note_warns(in.events[0]));
}

TEST(NetStream, ASilentServerIsToldOnceAndAPauseHoldsUntilResumed) {
  NetStream silent(NetScheme::rfc2217);
  silent.start();
  EXPECT_EQ(silent.feed("VN1.00\r\n").data, "VN1.00\r\n");  // a raw port's unit answering our offer's bytes
  const std::vector<Rfc2217Event> told = silent.stop_waiting();
  EXPECT_EQ(kinds(told), std::vector<Kind>{Kind::unanswered});
  EXPECT_TRUE(net_note_warns(told[0]));
  EXPECT_NE(describe(told[0]).find("tcp://"), std::string::npos) << describe(told[0]);
  EXPECT_TRUE(silent.stop_waiting().empty());

  NetStream stream(NetScheme::rfc2217);
  stream.start();
  stream.feed("\xFF\xFD\x2C");
  EXPECT_FALSE(stream.held());
  const Rfc2217Output paused = stream.feed(com(108, "") + "G");
  EXPECT_TRUE(stream.held());
  EXPECT_EQ(paused.data, "G");
  EXPECT_TRUE(stream.feed("O\r\n").data == "O\r\n" && stream.held()) << "data does not resume";
  stream.feed(com(109, ""));
  EXPECT_FALSE(stream.held());
}

TEST(NetStream, TheLogSaysWhatTheServerConfirmedAndTheUserHearsOfWhatDiffers) {
  Rfc2217Event confirmed(Kind::confirmed);
  confirmed.command = com_port::set_parity;
  confirmed.value = com_port::parity_even;
  confirmed.asked_known = true;
  confirmed.asked = com_port::parity_even;
  EXPECT_EQ(net_note_text(confirmed), "RFC 2217: サーバーの確認 SET-PARITY EVEN");
  EXPECT_FALSE(net_note_warns(confirmed));
  Rfc2217Event other = confirmed;
  other.value = com_port::parity_none;
  EXPECT_EQ(net_note_text(other), "RFC 2217: サーバーの応答 SET-PARITY NONE (要求は EVEN)");
  EXPECT_TRUE(net_note_warns(other));
  Rfc2217Event baud(Kind::confirmed);
  baud.command = com_port::set_baudrate;
  baud.value = 19200;
  baud.asked_known = true;
  baud.asked = 9600;
  EXPECT_EQ(net_note_text(baud), "RFC 2217: サーバーの応答 SET-BAUDRATE 19200 (要求は 9600)");

  // A row of the communication log, the server named as the port.
  EXPECT_EQ(event_text(port_event(0, LogKind::port_note, "10.0.0.5:4001", net_note_text(confirmed))),
            "10.0.0.5:4001: RFC 2217: サーバーの確認 SET-PARITY EVEN");
  for (const Kind k : {Kind::com_port_agreed, Kind::com_port_refused, Kind::binary_refused, Kind::flow_suspend,
                       Kind::flow_resume, Kind::line_state, Kind::modem_state, Kind::signature, Kind::unanswered})
    EXPECT_EQ(net_note_text(Rfc2217Event(k)).rfind("RFC 2217: ", 0), 0u);

  // The reasons name the 3 s a connection is given.
  EXPECT_NE(net_failure_text(NetFailure::timed_out).find("3 s"), std::string::npos);
  EXPECT_NE(net_failure_text_ja(NetFailure::timed_out).find("3 秒"), std::string::npos);
}

}  // namespace
}  // namespace zanteq
