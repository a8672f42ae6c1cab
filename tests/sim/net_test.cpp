// zanteq-sim on a network port, as a client on the loopback address meets
// it: raw TCP, RFC 2217 with the program's own codec, one client at a
// time, and a restart on the same port.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <stdexcept>

#include "core/link/net_port.h"
#include "core/link/rfc2217.h"
#include "tests/sim/sim_process.h"

namespace zanteq::sim::testing {
namespace {

int port_of(const std::string& url) {
  NetPort port;
  NetPortError error;
  if (!parse_net_port(url, port, error)) return -1;
  return port.address.port;
}

// A TCP client on 127.0.0.1. Reads wait at most their time-out.
class TcpClient {
 public:
  explicit TcpClient(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0)
      throw std::runtime_error("cannot connect to port " + std::to_string(port));
  }
  ~TcpClient() { ::close(fd_); }

  void send(const std::string& bytes) {
    if (::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size()))
      throw std::runtime_error("short send");
  }
  // One read of what is there; empty after the time-out, or at the end.
  std::string read_some(Millis timeout = Millis(2000)) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return {};
    char buf[1024];
    const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
    ended_ = n == 0;
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
  }
  std::string read_until(const std::string& tail) {
    std::string got;
    while (got.size() < tail.size() || got.compare(got.size() - tail.size(), tail.size(), tail) != 0) {
      const std::string more = read_some();
      if (more.empty()) break;
      got += more;
    }
    return got;
  }
  std::string ask(const std::string& line) {
    send(line);
    return read_until("\r\n");
  }
  // The server closed the connection (within the time-out).
  bool closed_by_server() {
    read_some();
    return ended_;
  }

 private:
  int fd_ = -1;
  bool ended_ = false;
};

bool log_has_prefix(const std::string& log, const std::string& prefix) {
  for (const std::string& e : log_events(log))
    if (e.rfind(prefix, 0) == 0) return true;
  return false;
}

class NetSimTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string ctl = dir.path("ctl");
  std::string log = dir.path("wire.log");
  std::string raw = dir.path("rx.raw");

  std::unique_ptr<SimProcess> start(std::vector<std::string> extra) {
    std::vector<std::string> args = {"--control", ctl, "--log", log, "--rx-raw", raw};
    args.insert(args.end(), extra.begin(), extra.end());
    auto sim = std::make_unique<SimProcess>(args);
    EXPECT_TRUE(sim->started());
    return sim;
  }
};

TEST_F(NetSimTest, RawTcpCarriesTheLineToOneClientAtATime) {
  const std::string path_file = dir.path("port");
  auto sim = start({"--tcp", "127.0.0.1:0", "--path-file", path_file, "--fault", "split 1 150 prefix RVN"});
  ASSERT_EQ(sim->announced().rfind("tcp://127.0.0.1:", 0), 0u) << sim->announced();
  const int port = port_of(sim->announced());
  ASSERT_GT(port, 0);
  EXPECT_EQ(read_file(path_file), sim->announced() + "\n");

  auto first = std::make_unique<TcpClient>(port);
  EXPECT_EQ(first->ask("RVAB01\r\n"), "VAB01000\r\n");
  EXPECT_EQ(first->ask("VAB01100\r\n"), "GO\r\n");
  first->send("RVN\r\n");
  EXPECT_EQ(first->read_some(), "V");  // faults shape the answer as on the terminal
  EXPECT_EQ(first->read_until("\r\n"), "N1.00\r\n");
  control(ctl, "raw \\xFFGO\\r\\n");
  EXPECT_EQ(first->ask("RAM\r\n"), "\xFFGO\r\n");  // raw TCP: an 0xFF goes as it is

  {
    TcpClient second(port);
    EXPECT_TRUE(second.closed_by_server());
  }
  first.reset();
  TcpClient third(port);  // the unit kept its state
  EXPECT_EQ(third.ask("RVAB01\r\n"), "VAB01100\r\n");

  EXPECT_EQ(read_file(raw), "RVAB01\r\nVAB01100\r\nRVN\r\nRAM\r\nRVAB01\r\n");
  EXPECT_TRUE(log_has_prefix(log, "START " + sim->announced()));
  EXPECT_TRUE(log_has_prefix(log, "NET connected 127.0.0.1:"));
  EXPECT_TRUE(log_has_prefix(log, "NET refused 127.0.0.1:"));
  EXPECT_TRUE(log_has_prefix(log, "NET closed 127.0.0.1:"));
  EXPECT_TRUE(log_has_prefix(log, "TX \\xFFGO\\r\\n"));
}

TEST_F(NetSimTest, Rfc2217NegotiatesTheLineAndDoublesIacBothWays) {
  auto sim = start({"--rfc2217", "127.0.0.1:0", "--rs485", "5"});
  ASSERT_EQ(sim->announced().rfind("rfc2217://127.0.0.1:", 0), 0u) << sim->announced();
  TcpClient client(port_of(sim->announced()));
  Rfc2217Client codec;
  std::vector<std::string> confirmed;
  std::string data;
  // Reads until `done`, answering the server, collecting the line's data
  // and what the server confirms.
  auto pump = [&](const std::function<bool()>& done, std::string* wire = nullptr) {
    while (!done()) {
      const std::string bytes = client.read_some();
      if (bytes.empty()) return false;
      if (wire) *wire += bytes;
      const Rfc2217Output out = codec.feed(bytes);
      if (!out.send.empty()) client.send(out.send);
      for (const Rfc2217Event& e : out.events) confirmed.push_back(describe(e));
      data += out.data;
    }
    return true;
  };
  auto data_is = [&](const std::string& expected) { return [&data, expected] { return data == expected; }; };

  client.send(codec.start());
  client.send(telnet_escape("05RVAB01\r\n"));
  ASSERT_TRUE(pump([&] { return data == "05VAB01000\r\n" && confirmed.size() >= 6; })) << data;
  EXPECT_EQ(codec.com_port_state(), ComPortState::agreed);
  EXPECT_EQ(confirmed, (std::vector<std::string>{describe(Rfc2217Event(Rfc2217Event::Kind::com_port_agreed)),
                                                 "server confirms SET-BAUDRATE 9600", "server confirms SET-DATASIZE 8",
                                                 "server confirms SET-PARITY EVEN", "server confirms SET-STOPSIZE 1",
                                                 "server confirms SET-CONTROL NONE"}));

  // An 0xFF going in is one byte for the unit (which refuses the line).
  data.clear();
  client.send(telnet_escape("05VAB01\xFF\r\n"));
  EXPECT_TRUE(pump(data_is("05E3\r\n"))) << data;
  // And one coming out is doubled on the wire.
  control(ctl, "raw \\xFF\\xFFGO\\r\\n");
  data.clear();
  client.send(telnet_escape("05RVN\r\n"));
  std::string wire;
  EXPECT_TRUE(pump(data_is("\xFF\xFFGO\r\n"), &wire)) << data;
  EXPECT_EQ(wire, "\xFF\xFF\xFF\xFFGO\r\n");

  EXPECT_EQ(read_file(raw), "05RVAB01\r\n05VAB01\xFF\r\n05RVN\r\n");
  const std::vector<std::string> events = log_events(log);
  std::vector<std::string> negotiated;
  for (const std::string& e : events)
    if (e.rfind("RFC2217 SET-", 0) == 0 || e == "RFC2217 WILL COM-PORT-OPTION") negotiated.push_back(e);
  EXPECT_EQ(negotiated, (std::vector<std::string>{"RFC2217 WILL COM-PORT-OPTION", "RFC2217 SET-BAUDRATE 9600",
                                                  "RFC2217 SET-DATASIZE 8", "RFC2217 SET-PARITY EVEN",
                                                  "RFC2217 SET-STOPSIZE 1", "RFC2217 SET-CONTROL NONE"}));
  EXPECT_TRUE(log_has_prefix(log, "RX 05VAB01\\xFF\\r\\n"));
}

TEST_F(NetSimTest, StartsAgainOnTheSamePortAndRefusesAPortInUse) {
  auto sim = start({"--tcp", "127.0.0.1:0"});
  const int port = port_of(sim->announced());
  auto client = std::make_unique<TcpClient>(port);
  EXPECT_EQ(client->ask("RVN\r\n"), "VN1.00\r\n");
  // Stopped while the client is connected: the port lingers in TIME_WAIT.
  sim->terminate();
  EXPECT_EQ(sim->wait_exit(), 0);
  EXPECT_TRUE(client->closed_by_server());
  sim.reset();

  auto again = start({"--tcp", "127.0.0.1:" + std::to_string(port)});
  EXPECT_EQ(again->announced(), "tcp://127.0.0.1:" + std::to_string(port));
  TcpClient reconnected(port);
  EXPECT_EQ(reconnected.ask("RVN\r\n"), "VN1.00\r\n");

  // A port another program listens on is a failed start, with the reason.
  SimProcess taken({"--rfc2217", "127.0.0.1:" + std::to_string(port)});
  EXPECT_FALSE(taken.started());
  EXPECT_EQ(taken.wait_exit(), 1);
}

}  // namespace
}  // namespace zanteq::sim::testing
