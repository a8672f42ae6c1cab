// zanteq-sim as the program meets it: a process with a pseudo-terminal,
// driven from this test over that terminal and the control FIFO.
//
// Silence is never shown by waiting: after a line that must go unanswered
// the test sends a probe and checks that the probe's answer is the very
// next thing on the line.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

#include "sim/faults.h"
#include "tests/sim/sim_process.h"

namespace zanteq::sim::testing {
namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

bool exists(const std::string& path) {
  struct stat st{};
  return ::lstat(path.c_str(), &st) == 0;
}

bool log_has(const std::string& log, const std::string& event) {
  for (const std::string& e : log_events(log))
    if (e == event) return true;
  return false;
}

class SimTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string ctl = dir.path("ctl");
  std::string log = dir.path("wire.log");
  std::string raw = dir.path("rx.raw");

  // A simulator with a control FIFO and both logs, plus `extra` options.
  std::unique_ptr<SimProcess> start(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--control", ctl, "--log", log, "--rx-raw", raw};
    args.insert(args.end(), extra.begin(), extra.end());
    auto sim = std::make_unique<SimProcess>(args);
    EXPECT_TRUE(sim->started());
    return sim;
  }
};

TEST_F(SimTest, AnnouncesAFreshRawTerminalOnlyWhenReady) {
  const std::string path_file = dir.path("pty-path"), link = dir.path("com1");
  auto sim = start({"--path-file", path_file, "--link", link});
  EXPECT_EQ(sim->pty_path().rfind("/dev/pts/", 0), 0u);
  EXPECT_EQ(read_file(path_file), sim->pty_path() + "\n");
  char target[256] = {};
  ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), sim->pty_path());
  EXPECT_TRUE(exists(ctl));  // the FIFO exists before the path is announced

  SimProcess second({});
  ASSERT_TRUE(second.started());
  EXPECT_NE(second.pty_path(), sim->pty_path());

  // The terminal side comes raw (no echo, no line editing) at 9600 baud.
  termios t{};
  ASSERT_EQ(::tcgetattr(sim->open_terminal(), &t), 0);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B9600));
}

TEST_F(SimTest, SetThenReadBackOverTheTerminal) {
  const std::string state = dir.path("state");
  {
    std::ofstream(state) << "# a changed unit\nVAC03100\n\nCJ02" "2422242424262428242A21212121212121212121\n";
  }
  auto sim = start({"--state", state, "--set", "VAB01100", "--unit-version", "2.05"});
  EXPECT_EQ(sim->ask("RVAB01\r\n"), "VAB01100\r\n");
  EXPECT_EQ(sim->ask("RVAC03\r\n"), "VAC03100\r\n");
  EXPECT_EQ(sim->ask("RCJ02\r\n"), "CJ02" "2422242424262428242A21212121212121212121\r\n");
  EXPECT_EQ(sim->ask("VAB04127\r\n"), "GO\r\n");
  EXPECT_EQ(sim->ask("RVAB04\r\n"), "VAB04127\r\n");
  EXPECT_EQ(sim->ask("VAB04128\r\n"), "E3\r\n");
  EXPECT_EQ(sim->ask("RVN\r\n"), "VN2.05\r\n");

  // A line that comes in pieces is one command.
  sim->send("AM");
  sim->send("E\r");
  EXPECT_EQ(sim->ask("\n"), "GO\r\n");
  // A line far longer than any command is refused, not split up.
  EXPECT_EQ(sim->ask(std::string(5000, 'A') + "\r\n"), "E3\r\n");
  EXPECT_NE(read_file(raw).find(std::string(5000, 'A') + "\r\n"), std::string::npos);
  EXPECT_EQ(sim->ask("RAM\r\n"), "AME\r\n");
}

TEST_F(SimTest, Rs485AnswersItsAddressAppliesBroadcastsAndIgnoresOthers) {
  auto sim = start({"--rs485", "5"});
  EXPECT_EQ(sim->ask("05AME\r\n"), "05GO\r\n");
  sim->send("06AMI\r\n");        // another unit's line
  sim->send("AMI\r\n");          // no address at all
  sim->send("FFVAB02011\r\n");   // every unit's line
  EXPECT_EQ(sim->ask("05RAM\r\n"), "05AME\r\n");  // the first answer since: nothing else came
  EXPECT_EQ(sim->ask("05RVAB02\r\n"), "05VAB02011\r\n");
}

TEST_F(SimTest, BusOfUnitsEachWithItsOwnStateFaultsAndStateFile) {
  const std::string out = dir.path("state");
  auto sim = start({"--rs485", "1-3,12", "--set", "VAB01100", "--fault", "unit 03 silent always",
                    "--state-out", out});
  // --set reached every unit; each answers with its own address.
  for (const char* nn : {"01", "02", "12"})
    EXPECT_EQ(sim->ask(std::string(nn) + "RVAB01\r\n"), std::string(nn) + "VAB01100\r\n");
  sim->send("03RAM\r\n");  // silenced unit
  sim->send("04RAM\r\n");  // no such unit
  sim->send("FFAME\r\n");  // applied by all but the silenced one, answered by none
  EXPECT_EQ(sim->ask("12RAM\r\n"), "12AME\r\n");  // the first bytes since
  EXPECT_EQ(sim->ask("01RAM\r\n"), "01AME\r\n");
  control(ctl, "unit 03 clear");
  EXPECT_EQ(sim->ask("03RAM\r\n"), "03AMI\r\n");

  // A fault, a set and a restart for one unit leave the others alone.
  control(ctl, "unit 02 status E3 next");
  control(ctl, "unit 03 set VAB01005");
  EXPECT_EQ(sim->ask("01APB\r\n"), "01GO\r\n");
  EXPECT_EQ(sim->ask("02APB\r\n"), "02E3\r\n");
  EXPECT_EQ(sim->ask("02RAP\r\n"), "02APM\r\n");
  EXPECT_EQ(sim->ask("03RVAB01\r\n"), "03VAB01005\r\n");
  EXPECT_EQ(sim->ask("12RVAB01\r\n"), "12VAB01100\r\n");
  control(ctl, "unit 09 silent");   // not on this bus: refused
  control(ctl, "unit 01 pace on");  // the line's, not a unit's: refused
  control(ctl, "status GN next");   // every unit, one line each
  EXPECT_EQ(sim->ask("12RAM\r\n"), "12GN\r\n");
  EXPECT_EQ(sim->ask("01RAM\r\n"), "01GN\r\n");
  EXPECT_EQ(sim->ask("01RAM\r\n"), "01AME\r\n");
  control(ctl, "clear");

  // One line at a time: a line that comes while an answer is still due is
  // taken only after it, so a fault set meanwhile applies to it.
  control(ctl, "unit 01 delay 800 next");
  sim->send("01RAM\r\n");
  sim->send("02AMI\r\n");
  ASSERT_TRUE(wait_until([&] { return log_has(log, "RX 02AMI\\r\\n"); }));
  control(ctl, "unit 02 status E1 next");
  EXPECT_EQ(sim->read_until("02E1\r\n", Millis(3000)), "01AME\r\n02E1\r\n");

  // dump and the state at exit: one file per unit, each in the --state form.
  control(ctl, "unit 12 dump " + dir.path("twelve"));
  ASSERT_TRUE(wait_until([&] { return exists(dir.path("twelve.12")); }));
  EXPECT_FALSE(exists(dir.path("twelve")));
  EXPECT_FALSE(exists(dir.path("twelve.01")));
  sim->terminate();
  EXPECT_EQ(sim->wait_exit(), 0);
  EXPECT_FALSE(exists(out));
  const std::string one = "\n" + read_file(out + ".01"), three = "\n" + read_file(out + ".03");
  EXPECT_NE(one.find("\nAME\n"), std::string::npos);
  EXPECT_NE(one.find("\nAPB\n"), std::string::npos);
  EXPECT_NE(three.find("\nAMI\n"), std::string::npos);
  EXPECT_NE(three.find("\nVAB01005\n"), std::string::npos);
  EXPECT_NE(read_file(out + ".02").find("\nAPM\n"), std::string::npos);
  EXPECT_EQ(read_file(dir.path("twelve.12")).substr(0, 40), read_file(out + ".12").substr(0, 40));
  EXPECT_FALSE(exists(out + ".04"));

  const std::vector<std::string> events = log_events(log);
  EXPECT_EQ(std::count(events.begin(), events.end(), "RX 04RAM\\r\\n"), 1);
  EXPECT_EQ(std::count_if(events.begin(), events.end(),
                          [](const std::string& e) { return e.rfind("ERR unit", 0) == 0; }),
            2);
  EXPECT_TRUE(log_has(log, "CTL unit 02 status E3 next"));

  // The state files start a bus where this one stopped.
  auto next = start({"--rs485", "3", "--state", out + ".03"});
  EXPECT_EQ(next->ask("03RVAB01\r\n"), "03VAB01005\r\n");
}

TEST_F(SimTest, Rs232cRefusesLinesThatCarryAnAddress) {
  auto sim = start({"--rs232c"});
  EXPECT_EQ(sim->ask("05AME\r\n"), "E3\r\n");
  EXPECT_EQ(sim->ask("AME\r\n"), "GO\r\n");
}

TEST_F(SimTest, SilentUnitNeitherAnswersNorApplies) {
  auto sim = start();
  control(ctl, "silent next 2");
  sim->send("AME\r\n");
  sim->send("APB\r\n");
  EXPECT_EQ(sim->ask("RAM\r\n"), "AMI\r\n");
  EXPECT_EQ(sim->ask("RAP\r\n"), "APM\r\n");
}

TEST_F(SimTest, InjectedStatusForTheNextLinesAndForAPrefix) {
  auto sim = start({"--fault", "status MENU"});
  EXPECT_EQ(sim->ask("AME\r\n"), "MENU\r\n");
  EXPECT_EQ(sim->ask("AME\r\n"), "GO\r\n");
  control(ctl, "status GN next 2");
  EXPECT_EQ(sim->ask("RAM\r\n"), "GN\r\n");
  EXPECT_EQ(sim->ask("RAM\r\n"), "GN\r\n");
  control(ctl, "status E2 prefix VAB");
  for (const char* status : {"E0", "E1", "E3"}) {
    control(ctl, std::string("status ") + status);
    EXPECT_EQ(sim->ask("VAC01000\r\n"), std::string(status) + "\r\n");
  }
  EXPECT_EQ(sim->ask("VAB01000\r\n"), "E2\r\n");
  EXPECT_EQ(sim->ask("VAB02000\r\n"), "E2\r\n");
  EXPECT_EQ(sim->ask("VAC01000\r\n"), "GO\r\n");
  control(ctl, "clear");
  EXPECT_EQ(sim->ask("VAB01000\r\n"), "GO\r\n");
}

TEST_F(SimTest, SplitReplyArrivesInPiecesWithTheGapBetween) {
  auto sim = start();
  control(ctl, "split 1 150");
  sim->send("AME\r\n");
  EXPECT_EQ(sim->read_bytes(1), "G");
  const auto first = Clock::now();
  EXPECT_EQ(sim->read_until("\r\n", std::chrono::milliseconds(3000)), "O\r\n");
  EXPECT_GE(ms_since(first), 120.0);
  const std::vector<std::string> events = log_events(log);
  EXPECT_TRUE(log_has(log, "TX G"));
  EXPECT_TRUE(log_has(log, "TX O\\r\\n"));
}

TEST_F(SimTest, TwoRepliesInOneWrite) {
  auto sim = start({"--rs485", "3"});
  control(ctl, "double");
  EXPECT_EQ(sim->read_bytes(0), "");
  sim->send("03AME\r\n");
  EXPECT_EQ(sim->read_bytes(12), "03GO\r\n03GO\r\n");
  EXPECT_TRUE(log_has(log, "TX 03GO\\r\\n03GO\\r\\n"));

  control(ctl, "join");
  sim->send("03AMI\r\n");
  EXPECT_EQ(sim->ask("03RAM\r\n"), "03GO\r\n03AMI\r\n");
  EXPECT_TRUE(log_has(log, "TX 03GO\\r\\n03AMI\\r\\n"));
}

TEST_F(SimTest, DelayedReply) {
  auto sim = start();
  control(ctl, "delay 200");
  const auto sent = Clock::now();
  EXPECT_EQ(sim->ask("AME\r\n"), "GO\r\n");
  EXPECT_GE(ms_since(sent), 190.0);
}

TEST_F(SimTest, AnEchoingAdapterHandsEveryLineBackBeforeItsAnswer) {
  auto sim = start({"--rs485", "3", "--fault", "echo on"});
  sim->send("03AME\r\n");
  EXPECT_EQ(sim->read_bytes(13), "03AME\r\n03GO\r\n");
  sim->send("07AMI\r\n");  // nobody's: only the echo comes
  sim->send("FFAMI\r\n");
  EXPECT_EQ(sim->read_bytes(14), "07AMI\r\nFFAMI\r\n");
  control(ctl, "echo off");
  EXPECT_EQ(sim->ask("03RAM\r\n"), "03AMI\r\n") << "the broadcast was applied; no echo now";
  EXPECT_TRUE(log_has(log, "TX 03AME\\r\\n"));
}

TEST_F(SimTest, RawBytesAreSentAsTheyStand) {
  auto sim = start({"--rs485", "1"});
  control(ctl, "raw GO\\r\\n");
  EXPECT_EQ(sim->ask("01AME\r\n"), "GO\r\n");  // without the address
  EXPECT_EQ(sim->ask("01RAM\r\n"), "01AMI\r\n");
}

TEST_F(SimTest, SendsTextAndNoiseOfItsOwnWithoutHoldingItsOtherWork) {
  auto sim = start();
  control(ctl, "send E3\\r\\n\\x00<\\sGO");
  EXPECT_EQ(sim->read_bytes(9), std::string("E3\r\n\0< GO", 9));

  // Nobody reads while 50 kB go out: the terminal fills up, and the unit
  // still carries out control commands; then every byte arrives.
  control(ctl, "noise 50000 seed 5 no-lf");
  control(ctl, "mark while full");
  ASSERT_TRUE(wait_until([&] { return log_has(log, "MARK while full"); }));
  const std::string noise = noise_bytes(50000, 5, true, false);
  EXPECT_EQ(sim->read_bytes(noise.size(), Millis(10000)), noise);
  EXPECT_EQ(sim->ask("RVN\r\n"), "VN1.00\r\n");
  EXPECT_TRUE(log_has(log, "CTL " + escape_bytes("send E3\\r\\n\\x00<\\sGO")));
  EXPECT_TRUE(log_has(log, "TX E3\\r\\n\\x00< GO"));
  EXPECT_TRUE(log_has(log, "CTL noise 50000 seed 5 no-lf"));
  EXPECT_TRUE(log_has(log, "TX " + escape_bytes(noise)));

  // Paced, a burst of almost a minute is under way while the unit takes
  // control commands, and a quit ends it at once. Without a seed, the log
  // names the one used.
  control(ctl, "pace on");
  control(ctl, "noise 50000");
  EXPECT_FALSE(sim->read_some().empty());
  control(ctl, "mark paced");
  ASSERT_TRUE(wait_until([&] { return log_has(log, "MARK paced"); }));
  EXPECT_FALSE(sim->nothing_waiting() && sim->read_some(Millis(100)).empty());
  control(ctl, "quit");
  EXPECT_EQ(sim->wait_exit(), 0);
  const std::regex seeded("CTL noise 50000 seed [0-9]{1,9}");
  const std::vector<std::string> events = log_events(log);
  EXPECT_EQ(std::count_if(events.begin(), events.end(),
                          [&](const std::string& e) { return std::regex_match(e, seeded); }),
            1);
}

TEST_F(SimTest, PacedOutputTakesTheTimeOf9600Baud) {
  auto sim = start({"--pace"});
  const auto sent = Clock::now();
  sim->send("RCJ01\r\n");
  const std::string first = sim->read_some();
  const std::string all = first + sim->read_bytes(46 - first.size());
  EXPECT_EQ(all.size(), 46u);
  EXPECT_LT(first.size(), 46u);  // it does not come in one piece
  EXPECT_GE(ms_since(sent), 45 * 1.1);

  control(ctl, "pace off");
  const auto again = Clock::now();
  EXPECT_EQ(sim->ask("RCJ01\r\n"), all);
  EXPECT_LT(ms_since(again), 45 * 1.1 + 2000);  // only shows it still answers; timing is the paced case's
}

TEST_F(SimTest, FlowControlHoldsTheAnswerUntilXon) {
  auto sim = start();
  sim->send("\x13RVN\r\n");
  ASSERT_TRUE(wait_until([&] { return log_has(log, "RX RVN\\r\\n"); }));
  control(ctl, "mark held");  // handled in a later pass than the line
  ASSERT_TRUE(wait_until([&] { return log_has(log, "MARK held"); }));
  EXPECT_TRUE(sim->nothing_waiting());
  sim->send("\x11");
  EXPECT_EQ(sim->read_until("\r\n"), "VN1.00\r\n");
  EXPECT_EQ(read_file(raw), "RVN\r\n");  // flow control is not part of the commands
}

TEST_F(SimTest, WireLogRecordsEveryEventInOrder) {
  auto sim = start({"--rs485", "2"});
  EXPECT_EQ(sim->ask("02CIR\r\n"), "02GO\r\n");
  sim->send("07BLW\r\n");
  sim->send(std::string("FFCJ01") + "\x81\x40" + "\\\r\n");
  // Control input is read before line input waiting in the same pass, so
  // wait until these lines are in before the control commands go.
  ASSERT_TRUE(wait_until([&] { return log_has(log, "RX FFCJ01\\x81@\\\\\\r\\n"); }));
  control(ctl, "status OK");  // refused: noted, nothing changes
  control(ctl, "mark probe next");
  EXPECT_EQ(sim->ask("02RCI\r\n"), "02CIR\r\n");
  sim->terminate();
  EXPECT_EQ(sim->wait_exit(), 0);

  const std::vector<std::string> expected = {
      "START " + sim->pty_path(),
      "RX 02CIR\\r\\n",
      "TX 02GO\\r\\n",
      "RX 07BLW\\r\\n",
      "RX FFCJ01\\x81@\\\\\\r\\n",
      "ERR status OK: status needs one of GO GN E0 E1 E2 E3 MENU",
      "MARK probe next",
      "RX 02RCI\\r\\n",
      "TX 02CIR\\r\\n",
      "STOP signal SIGTERM",
  };
  EXPECT_EQ(log_events(log), expected);
  EXPECT_EQ(read_file(raw), std::string("02CIR\r\n07BLW\r\nFFCJ01\x81\x40\\\r\n02RCI\r\n"));

  // Every line: milliseconds with three decimals, never going back.
  std::istringstream in(read_file(log));
  std::string line;
  double last = 0;
  const std::regex form(R"(^(\d+\.\d{3}) (START|STOP|RX|TX|CTL|ERR|MARK) .*$)");
  while (std::getline(in, line)) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, form)) << line;
    const double t = std::stod(m[1]);
    EXPECT_GE(t, last);
    last = t;
  }
}

TEST_F(SimTest, StopsByItselfAtTheTimeLimitAndTidiesUp) {
  const std::string path_file = dir.path("pty-path"), link = dir.path("com1");
  const auto started = Clock::now();
  auto sim = start({"--time-limit", "0.3", "--path-file", path_file, "--link", link});
  EXPECT_EQ(sim->wait_exit(std::chrono::milliseconds(5000)), 0);
  EXPECT_GE(ms_since(started), 290.0);
  EXPECT_EQ(log_events(log).back(), "STOP time limit");
  EXPECT_FALSE(exists(path_file));
  EXPECT_FALSE(exists(link));
  EXPECT_FALSE(exists(ctl));
}

TEST_F(SimTest, StopsCleanlyOnSignalsAndQuitAndWritesItsState) {
  const std::string out = dir.path("state-out");
  auto sim = start({"--state-out", out});
  EXPECT_EQ(sim->ask("VAB01100\r\n"), "GO\r\n");
  EXPECT_EQ(sim->ask("CS03\r\n"), "GO\r\n");
  sim->terminate();
  EXPECT_EQ(sim->wait_exit(), 0);
  const std::string state = read_file(out);
  EXPECT_NE(state.find("\nVAB01100\n"), std::string::npos);
  EXPECT_NE(state.find("\nCS03\n"), std::string::npos);

  // The written state starts the next unit where this one stopped.
  auto next = start({"--state", out});
  EXPECT_EQ(next->ask("RVAB01\r\n"), "VAB01100\r\n");
  control(ctl, "dump " + dir.path("dumped"));
  ASSERT_TRUE(wait_until([&] { return exists(dir.path("dumped")); }));
  control(ctl, "quit");
  EXPECT_EQ(next->wait_exit(), 0);
  EXPECT_EQ(log_events(log).back(), "STOP quit");

  for (int sig : {SIGINT, SIGHUP}) {
    SimProcess other({});
    ASSERT_TRUE(other.started());
    ::kill(other.pid(), sig);
    EXPECT_EQ(other.wait_exit(), 0) << sig;
  }
}

TEST_F(SimTest, ControlCommandsChangeTheUnitWhileItRuns) {
  auto sim = start();
  control(ctl, "set POSS02");
  control(ctl, "set CJN01" "2422242424262428242A21212121212121212121");
  EXPECT_EQ(sim->ask("RPOS\r\n"), "POSS02\r\n");
  EXPECT_EQ(sim->ask("RCJ01\r\n"), "CJ01" "2422242424262428242A21212121212121212121\r\n");
  control(ctl, "restart");
  EXPECT_EQ(sim->ask("RCJ01\r\n"), "CJ01" "2121212121212343234823302331212121212121\r\n");
  control(ctl, "set VAB01999");  // refused, the unit goes on
  EXPECT_EQ(sim->ask("RVAB01\r\n"), "VAB01000\r\n");
  EXPECT_TRUE(wait_until([&] {
    for (const std::string& e : log_events(log))
      if (e.rfind("ERR set VAB01999", 0) == 0) return true;
    return false;
  }));
}

TEST_F(SimTest, RefusesABadCommandLineOrStartState) {
  for (std::vector<std::string> bad : {std::vector<std::string>{"--rs485", "32"},
                                       {"--rs485", "7-3"}, {"--rs485", "1,,2"}, {"--rs485", "0-32"},
                                       {"--rs485"}, {"--time-limit", "x"}, {"--bogus"},
                                       {"--unit-version", "12345"}, {"--tcp", "127.0.0.1:65536"},
                                       {"--rfc2217", "127.0.0.1"}, {"--tcp", "::1:4001"},
                                       {"--tcp", "127.0.0.1:0", "--rfc2217", "127.0.0.1:0"},
                                       {"--tcp", "127.0.0.1:0", "--link", dir.path("com1")}}) {
    SimProcess sim(bad);
    EXPECT_FALSE(sim.started());
    EXPECT_EQ(sim.wait_exit(), 2) << bad[0];
  }
  for (std::vector<std::string> bad : {std::vector<std::string>{"--set", "VAB01999"},
                                       {"--state", dir.path("missing")}, {"--fault", "status OK"},
                                       {"--rs485", "1,2", "--fault", "unit 03 silent"},
                                       {"--control", "/"}}) {
    SimProcess sim(bad);
    EXPECT_FALSE(sim.started());
    EXPECT_EQ(sim.wait_exit(), 1) << bad[0];
  }
}

}  // namespace
}  // namespace zanteq::sim::testing
