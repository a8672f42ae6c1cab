// Network port URLs: what a user writes is read back the same, and every
// mistake is named for what it is.
#include <gtest/gtest.h>

#include <string>

#include "core/link/net_port.h"

namespace zanteq {
namespace {

TEST(NetPortUrl, ReadsHostNamesIpv4AndBracketedIpv6) {
  struct Case {
    const char* url;
    NetScheme scheme;
    const char* host;
    int port;
    bool ipv6;
    const char* display;
    const char* canonical;
  };
  const Case cases[] = {
      {"tcp://10.0.0.5:4001", NetScheme::tcp, "10.0.0.5", 4001, false, "10.0.0.5:4001", "tcp://10.0.0.5:4001"},
      {"RFC2217://Moxa-01.Site.example:950", NetScheme::rfc2217, "moxa-01.site.example", 950, false,
       "moxa-01.site.example:950", "rfc2217://moxa-01.site.example:950"},
      {"rfc2217://[fe80::1]:4001", NetScheme::rfc2217, "fe80::1", 4001, true, "[fe80::1]:4001",
       "rfc2217://[fe80::1]:4001"},
      {"tcp://[::1]:65535", NetScheme::tcp, "::1", 65535, true, "[::1]:65535", "tcp://[::1]:65535"},
      {"tcp://[FE80::1%eth0]:1", NetScheme::tcp, "fe80::1%eth0", 1, true, "[fe80::1%eth0]:1",
       "tcp://[fe80::1%eth0]:1"},
      {"tcp://[::ffff:10.0.0.5]:23", NetScheme::tcp, "::ffff:10.0.0.5", 23, true, "[::ffff:10.0.0.5]:23",
       "tcp://[::ffff:10.0.0.5]:23"},
      {"tcp://[1:2:3:4:5:6:7:8]:23", NetScheme::tcp, "1:2:3:4:5:6:7:8", 23, true, "[1:2:3:4:5:6:7:8]:23",
       "tcp://[1:2:3:4:5:6:7:8]:23"},
      {" tcp://site_pc:04001\r\n", NetScheme::tcp, "site_pc", 4001, false, "site_pc:4001", "tcp://site_pc:4001"},
      {"tcp://0.0.0.0:7", NetScheme::tcp, "0.0.0.0", 7, false, "0.0.0.0:7", "tcp://0.0.0.0:7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    NetPort port;
    NetPortError error;
    ASSERT_TRUE(parse_net_port(c.url, port, error)) << net_port_error_text(error);
    EXPECT_EQ(port.scheme, c.scheme);
    EXPECT_EQ(port.address.host, c.host);
    EXPECT_EQ(port.address.port, c.port);
    EXPECT_EQ(port.address.ipv6, c.ipv6);
    EXPECT_EQ(net_address_text(port.address), c.display);
    EXPECT_EQ(net_port_url(port), c.canonical);
    NetPort again;
    ASSERT_TRUE(parse_net_port(net_port_url(port), again, error));
    EXPECT_EQ(again, port);
  }
}

TEST(NetPortUrl, RefusesBadHostsPortsSchemesAndJunkNamingThePart) {
  const std::string long_label(64, 'a');
  struct Case {
    std::string url;
    NetPortError::Code code;
    std::string part;
  };
  const Case cases[] = {
      {"", NetPortError::empty, ""},
      {"10.0.0.5:4001", NetPortError::not_a_url, "10.0.0.5:4001"},
      {"http://10.0.0.5:4001", NetPortError::unknown_scheme, "http"},
      {"tcp://:4001", NetPortError::missing_host, ""},
      {"tcp://bad!host:4001", NetPortError::bad_host, "bad!host"},
      {"tcp://-site:4001", NetPortError::bad_host, "-site"},
      {"tcp://user@host:4001", NetPortError::bad_host, "user@host"},
      {"tcp://a..b:4001", NetPortError::bad_host, "a..b"},
      {"tcp://host.123:4001", NetPortError::bad_host, "host.123"},
      {"tcp://" + long_label + ":4001", NetPortError::bad_host, long_label},
      {"tcp://256.1.1.1:4001", NetPortError::bad_ipv4, "256.1.1.1"},
      {"tcp://10.0.0:4001", NetPortError::bad_ipv4, "10.0.0"},
      {"tcp://010.0.0.5:4001", NetPortError::bad_ipv4, "010.0.0.5"},
      {"tcp://4001:4001", NetPortError::bad_ipv4, "4001"},
      {"tcp://fe80::1:4001", NetPortError::ipv6_needs_brackets, "fe80::1:4001"},
      {"tcp://[fe80::1:4001", NetPortError::bad_ipv6, "[fe80::1:4001"},
      {"tcp://[fe80::g]:4001", NetPortError::bad_ipv6, "fe80::g"},
      {"tcp://[1::2::3]:4001", NetPortError::bad_ipv6, "1::2::3"},
      {"tcp://[:::1]:4001", NetPortError::bad_ipv6, ":::1"},
      {"tcp://[1:2:3:4:5:6:7]:4001", NetPortError::bad_ipv6, "1:2:3:4:5:6:7"},
      {"tcp://[1:2:3:4:5:6:7::8]:4001", NetPortError::bad_ipv6, "1:2:3:4:5:6:7::8"},
      {"tcp://[12345::1]:4001", NetPortError::bad_ipv6, "12345::1"},
      {"tcp://[fe80::1%]:4001", NetPortError::bad_ipv6, "fe80::1%"},
      {"tcp://[10.0.0.5]:4001", NetPortError::bad_ipv6, "10.0.0.5"},
      {"tcp://host", NetPortError::missing_port, ""},
      {"tcp://host:", NetPortError::missing_port, ""},
      {"tcp://[::1]", NetPortError::missing_port, ""},
      {"tcp://host:0", NetPortError::port_out_of_range, "0"},
      {"tcp://host:65536", NetPortError::port_out_of_range, "65536"},
      {"tcp://host:99999999999999999999", NetPortError::port_out_of_range, "99999999999999999999"},
      {"tcp://host:40a1", NetPortError::bad_port, "40a1"},
      {"tcp://host:-1", NetPortError::bad_port, "-1"},
      {"tcp://host:40:01", NetPortError::bad_port, "40:01"},
      {"tcp://host:4001/", NetPortError::trailing_junk, "/"},
      {"tcp://host:4001 x", NetPortError::trailing_junk, " x"},
      {"tcp://[::1]x:4001", NetPortError::trailing_junk, "x:4001"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    NetPort port;
    port.address.host = "untouched";
    NetPortError error;
    EXPECT_FALSE(parse_net_port(c.url, port, error));
    EXPECT_EQ(error.code, c.code);
    EXPECT_EQ(error.part, c.part);
    EXPECT_EQ(port.address.host, "untouched");
    // Both texts say something and name the piece that is wrong.
    const std::string en = net_port_error_text(error), ja = net_port_error_text_ja(error);
    EXPECT_FALSE(en.empty());
    EXPECT_FALSE(ja.empty());
    if (!c.part.empty() && c.code != NetPortError::ipv6_needs_brackets) {
      EXPECT_NE(en.find(c.part), std::string::npos) << en;
      EXPECT_NE(ja.find(c.part), std::string::npos) << ja;
    }
  }
}

TEST(NetPortUrl, PiecesServeADialogAndAListeningAddress) {
  EXPECT_TRUE(is_net_port_url("rfc2217://10.0.0.5:4001"));
  EXPECT_FALSE(is_net_port_url("COM3"));
  EXPECT_FALSE(is_net_port_url("/dev/ttyUSB0"));

  // A dialog's host field takes an IPv6 address without brackets too.
  NetAddress address;
  NetPortError error;
  ASSERT_TRUE(parse_net_host(" FE80::1 ", address, error));
  EXPECT_EQ(address.host, "fe80::1");
  EXPECT_TRUE(address.ipv6);
  ASSERT_TRUE(parse_net_host("[::1]", address, error));
  EXPECT_EQ(address.host, "::1");
  EXPECT_FALSE(parse_net_host("", address, error));
  EXPECT_EQ(error.code, NetPortError::missing_host);

  std::uint16_t port = 1;
  EXPECT_FALSE(parse_net_port_number("0", port, error));
  EXPECT_EQ(port, 1);
  EXPECT_TRUE(parse_net_port_number("0", port, error, true));
  EXPECT_EQ(port, 0);

  // The simulator's --tcp: port 0 picks a free port.
  ASSERT_TRUE(parse_net_address("127.0.0.1:0", address, error, true));
  EXPECT_EQ(net_address_text(address), "127.0.0.1:0");
  EXPECT_FALSE(parse_net_address("127.0.0.1:0", address, error));
  EXPECT_EQ(error.code, NetPortError::port_out_of_range);
  ASSERT_TRUE(parse_net_address("[::1]:4001", address, error));
  EXPECT_EQ(net_address_text(address), "[::1]:4001");
}

}  // namespace
}  // namespace zanteq
