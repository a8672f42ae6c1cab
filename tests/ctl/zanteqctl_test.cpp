// zanteqctl as an installer runs it, against zanteq-sim on its terminal:
// what it reads and writes is checked against the simulator's own state
// files and its record of received bytes, never against zanteqctl's word.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <regex>

#include "core/link/dispatch.h"
#include "core/log/log_format.h"
#include "core/settings/settings_file.h"
#include "tests/core/fakes.h"
#include "tests/sim/sim_process.h"

namespace zanteq {
namespace {

using sim::testing::Millis;
using sim::testing::read_file;
using sim::testing::SimProcess;
using sim::testing::TempDir;
using sim::testing::wait_until;

struct CtlRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Starts zanteqctl with `args`, its output into files of `dir`.
pid_t spawn_ctl(const TempDir& dir, const std::vector<std::string>& args) {
  std::vector<std::string> argv_text = {ZANTEQCTL_EXECUTABLE};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  const std::string out = dir.path("ctl.out"), err = dir.path("ctl.err");
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(o, STDOUT_FILENO);
    ::dup2(e, STDERR_FILENO);
    std::vector<char*> argv;
    for (std::string& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return pid;
}

CtlRun finish_ctl(const TempDir& dir, pid_t pid) {
  CtlRun run;
  int status = 0;
  ::waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = read_file(dir.path("ctl.out"));
  run.err = read_file(dir.path("ctl.err"));
  return run;
}

CtlRun ctl(const TempDir& dir, const std::vector<std::string>& args) {
  return finish_ctl(dir, spawn_ctl(dir, args));
}

void write_text(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> split(const std::string& text, const std::string& end) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t stop = text.find(end, start);
    if (stop == std::string::npos) stop = text.size();
    parts.push_back(text.substr(start, stop - start));
    start = stop + end.size();
  }
  return parts;
}

std::string join(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

// The settings file that the simulator's state (set commands, the form of
// its data replies) gives when its lines are decoded as replies.
std::string file_of_state(const std::string& state) {
  AppState app;
  reset_settings(app);
  testing::RecordingReporter quiet;
  for (const std::string& line : split(state, "\n"))
    if (line.rfind("CJN", 0) != 0 && line.rfind("SPD2N", 0) != 0)
      dispatch_reply(app.link, app.record, quiet, line + "\r\n");
  return format_settings_file(app.record);
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Waits for the simulator's state file after a "dump".
std::string dump(const std::string& control, const std::string& path) {
  ::unlink(path.c_str());
  sim::testing::control(control, "dump " + path);
  wait_until([&] { return ::access(path.c_str(), F_OK) == 0; });
  return read_file(path);
}

class Ctl : public ::testing::Test {
 protected:
  TempDir dir;
  std::string control = dir.path("ctl");
  std::string raw = dir.path("rx.raw");
  std::unique_ptr<SimProcess> sim;

  void start(std::vector<std::string> extra) {
    std::vector<std::string> args = {"--control", control, "--rx-raw", raw, "--time-limit", "50"};
    args.insert(args.end(), extra.begin(), extra.end());
    sim = std::make_unique<SimProcess>(args);
    ASSERT_TRUE(sim->started());
  }
  std::string port() const { return sim->pty_path(); }
};

// Titles: ch.03 "試験" padded, as the unit holds it (JIS 3B6E 3833).
const char* const ch3_title_set = "CJ033B6E3833" "2121" "2121" "2121" "2121" "2121" "2121" "2121" "2121";

TEST_F(Ctl, ReadIsTheUnitsStateWriteThenReadGivesTheFileBackAndDiffNamesWhatDiffers) {
  ASSERT_NO_FATAL_FAILURE(start({"--rs485", "5", "--set", "VAB02100", "--set", ch3_title_set, "--set", "ADT045", "--set", "BLW",
         "--set", "VF1234"}));
  const std::string a = dir.path("a.dat"), b = dir.path("b.dat"), c = dir.path("c.dat");

  CtlRun run = ctl(dir, {"--port", port(), "--address", "5", "read", "-o", a});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string read_back = read_file(a);
  EXPECT_EQ(read_back, file_of_state(dump(control, dir.path("state1"))));
  std::vector<std::string> lines = split(read_back, "\r\n");
  ASSERT_EQ(lines.size(), 72u);
  EXPECT_EQ(lines[32], "36") << "brightness ch.02 as the record keeps it";
  EXPECT_EQ(lines[63], "\x8E\x8E\x8C\xB1") << "title ch.03 in code page 932, padding dropped";
  EXPECT_EQ(lines[18], "11") << "title positions have no read command: factory values";

  // Change a few values, send the file, and read it back.
  lines[31] = "100";  // brightness ch.01
  lines[2] = "120";   // alarm_hold_time
  lines[70] = "0";    // agc ch.03
  lines[64] = "\x83\x65\x83\x58\x83\x67";  // title ch.04 テスト
  write_text(b, join(lines));
  run = ctl(dir, {"write", b, "--port", port(), "--address", "5", "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(std::regex_search(run.out, std::regex(R"(^\{"command":"write","unit":"05","result":"done","steps_done":50,"steps":50,)")))
      << run.out;
  const std::vector<std::string> received = split(read_file(raw), "\r\n");
  ASSERT_EQ(received.size(), 51u + 50u);
  for (const std::string& line : received) EXPECT_EQ(line.substr(0, 2), "05") << line;
  EXPECT_EQ(received[51], "05CJ01" "2121" "2121" "2121" "2343" "2348" "2330" "2331" "2121" "2121" "2121");
  EXPECT_EQ(received[54], "05CJ04254625392548" "2121" "2121" "2121" "2121" "2121" "2121" "2121");
  EXPECT_EQ(received[55], "05VAB01036");
  EXPECT_EQ(received[51 + 25], "05ADT120");
  EXPECT_EQ(received.back(), "05AGCNNFN");

  run = ctl(dir, {"--port", port(), "--address", "5", "read", "-o", c});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(read_file(c), read_file(b));

  run = ctl(dir, {"--port", port(), "--address", "5", "diff", b});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");

  lines[45] = "7";   // hue ch.03
  lines[19] = "3";   // title_pos_x ch.02: not read, not compared
  lines[62] = "s";   // title ch.02 empty
  write_text(b, join(lines));
  run = ctl(dir, {"--port", port(), "--address", "5", "diff", b});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.out, "hue ch.03: unit 0, file 7\ntitle ch.02: unit \"　　　ＣＨ０２\", file \"\"\n");
  run = ctl(dir, {"--port", port(), "--address", "5", "diff", b, "--json"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(contains(run.out, R"("same":false,"differences":[{"field":"hue ch.03","line":46,"unit":"0","file":"7"},)"))
      << run.out;

  run = ctl(dir, {"--port", port(), "--address", "5", "send", "RVAB01", "RXYZ"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "VAB01036\nE3\n");
  EXPECT_TRUE(contains(run.err, "unit 05: RXYZ: reply E3 (Command Error)")) << run.err;
}

TEST_F(Ctl, BadInputIsRefusedWithNothingOnTheWire) {
  ASSERT_NO_FATAL_FAILURE(start({"--rs485", "0-3"}));
  AppState app;
  reset_settings(app);
  const std::vector<std::string> good = split(format_settings_file(app.record), "\r\n");
  auto variant = [&](std::size_t index, const std::string& value) {
    std::vector<std::string> lines = good;
    lines[index] = value;
    return join(lines);
  };
  write_text(dir.path("range.dat"), variant(32, "900"));
  write_text(dir.path("short.dat"), join(std::vector<std::string>(good.begin(), good.begin() + 40)));
  write_text(dir.path("jis.dat"), variant(63, "\xFA\x4A"));
  write_text(dir.path("odd.dat"), variant(61, "A"));
  write_text(dir.path("good.dat"), join(good));

  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  const Case cases[] = {
      {{"write", dir.path("missing.dat")}, "cannot read"},
      {{"write", dir.path("range.dat")}, "range.dat:33: damaged settings file: brightness ch.02: \"900\""},
      {{"write", dir.path("short.dat")}, "short.dat:41: damaged settings file: ファイルが途中で終わっています"},
      {{"write", dir.path("jis.dat")}, "the title of ch.03 (line 64) cannot be sent"},
      {{"write", dir.path("odd.dat"), "--broadcast"}, "the title of ch.01 (line 62) cannot be sent"},
      {{"diff", dir.path("range.dat")}, "brightness ch.02"},
      {{"--address", "40", "write", dir.path("good.dat")}, "bad address \"40\""},
      {{"--address", "3-1", "write", dir.path("good.dat")}, "bad address \"3-1\""},
      {{"--address", "0-2", "read", "-o", dir.path("x.dat")}, "read works on one unit"},
      {{"--broadcast", "read", "-o", dir.path("x.dat")}, "--broadcast is for write and send only"},
      {{"read"}, "read needs -o FILE"},
      {{"read", "-o", dir.path("no-such-folder/x.dat")}, "cannot write"},
      {{"send", "RVAB01\tX"}, "printable ASCII"},
      {{"--timeout", "0", "scan"}, "--timeout takes milliseconds"},
      {{"--pace", "slow", "scan"}, "--pace is replies or fixed"},
      {{"frobnicate"}, "unknown command"},
      {{"--broadcast=no", "write", dir.path("good.dat")}, "option --broadcast takes no value"},
      {{"--log", dir.path("no-such-folder/x.log"), "scan"}, "cannot write"},
      {{"--log", dir.path("no-such-folder/x.log"), "write", dir.path("good.dat")}, "cannot write"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--port", port(), "--address", "1"};
    if (std::find(c.args.begin(), c.args.end(), "--address") != c.args.end() ||
        std::find(c.args.begin(), c.args.end(), "--broadcast") != c.args.end())
      args = {"--port", port()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CtlRun run = ctl(dir, args);
    EXPECT_EQ(run.status, 2) << c.says << "\n" << run.err;
    EXPECT_TRUE(contains(run.err, c.says)) << run.err;
  }
  EXPECT_EQ(ctl(dir, {"scan"}).status, 2) << "no --port";

  CtlRun run = ctl(dir, {"--port", dir.path("no-such-port"), "--address", "1", "write", dir.path("good.dat")});
  EXPECT_EQ(run.status, 3);
  EXPECT_TRUE(contains(run.err, "cannot open " + dir.path("no-such-port") + ": No such file or directory"))
      << run.err;
  {
    const int holder = ::open(port().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    run = ctl(dir, {"--port", port(), "--address", "1", "write", dir.path("good.dat")});
    ::close(holder);
    EXPECT_EQ(run.status, 3);
    EXPECT_TRUE(contains(run.err, "in use by another program")) << run.err;
  }
  EXPECT_EQ(read_file(raw), "") << "nothing reached the wire";

  // A save that fails keeps the file that was there: the new file is made
  // beside it under a longer name, for which this name leaves no room.
  const std::string kept = dir.path(std::string(250, 'k'));
  write_text(kept, "old\r\n");
  run = ctl(dir, {"--port", port(), "--address", "1", "read", "-o", kept});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_TRUE(contains(run.err, "not written")) << run.err;
  EXPECT_EQ(read_file(kept), "old\r\n");
}

TEST_F(Ctl, ScanFindsExactlyTheUnitsOnTheBusAndABroadcastGoesAtTheTimerPace) {
  ASSERT_NO_FATAL_FAILURE(start({"--rs485", "0-7,12"}));
  CtlRun run = ctl(dir, {"--port", port(), "scan", "--timeout", "60"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "00\n01\n02\n03\n04\n05\n06\n07\n12\n");
  run = ctl(dir, {"--port", port(), "--address", "10-13", "scan", "--json", "--timeout", "60"});
  EXPECT_EQ(run.out,
            "{\"command\":\"scan\",\"unit\":\"10\",\"result\":\"silent\"}\n"
            "{\"command\":\"scan\",\"unit\":\"11\",\"result\":\"silent\"}\n"
            "{\"command\":\"scan\",\"unit\":\"12\",\"result\":\"answered\"}\n"
            "{\"command\":\"scan\",\"unit\":\"13\",\"result\":\"silent\"}\n");

  // Nothing answers a broadcast: one line per 500 ms, the first one period in.
  run = ctl(dir, {"--port", port(), "--broadcast", "send", "AMI", "APM", "--json"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(std::regex_search(run.out, std::regex(R"(^\{"command":"send","unit":"FF","result":"done","elapsed_ms":[1-9][0-9]{3,},"bytes_sent":14,"bytes_received":0,"replies":\[\{"line":"AMI"\},\{"line":"APM"\}\]\}\n$)")))
      << run.out;
  const std::string received = read_file(raw);
  EXPECT_EQ(received.substr(received.size() - 14), "FFAMI\r\nFFAPM\r\n");
}

TEST_F(Ctl, AnAdapterThatHearsItselfFindsOnlyTheUnitsThereAndWritesThem) {
  ASSERT_NO_FATAL_FAILURE(start({"--rs485", "2,5", "--fault", "echo on"}));
  CtlRun run = ctl(dir, {"--port", port(), "scan", "--timeout", "60"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "02\n05\n") << "the echo of a question is no answer";

  AppState app;
  reset_settings(app);
  app.record.hue[1] = 200;
  const std::string file = dir.path("site.dat");
  write_text(file, format_settings_file(app.record));
  run = ctl(dir, {"--port", port(), "--address", "5", "write", file, "--json"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(contains(run.out, R"("result":"done","steps_done":50,"steps":50,)")) << run.out;
  EXPECT_TRUE(contains(run.out, R"("echoes_skipped":50)")) << run.out;
  EXPECT_TRUE(contains(read_file(raw), "\r\n05VAH02200\r\n"));

  // The fixed pace keeps the program's period even though the replies are in.
  run = ctl(dir, {"--port", port(), "--address", "2", "--pace", "fixed", "send", "RVN", "RVN", "RVN", "--json"});
  EXPECT_EQ(run.status, 0) << run.err;
  std::smatch elapsed;
  ASSERT_TRUE(std::regex_search(run.out, elapsed, std::regex(R"("elapsed_ms":(\d+))"))) << run.out;
  EXPECT_GE(std::stoi(elapsed[1]), 1000) << "two periods of 500 ms";
}

// The rows of --log against what the core's formatter makes of the same
// events, times masked: the port opened and closed, lines both ways with
// their addresses, line noise, a silent command, an unfinished line.
TEST_F(Ctl, TheLogHoldsTheRowsOfTheProgramsLogFile) {
  ASSERT_NO_FATAL_FAILURE(start({"--rs485", "5", "--set", "VAB01100", "--fault",
                                 "raw " + std::string(700, 'x') + "\\r\\n prefix RAD", "--fault",
                                 "raw 05VN1.0 prefix RVN"}));
  const std::string log = dir.path("wire.log");
  CtlRun run = ctl(dir, {"--port", port(), "--address", "5", "--timeout", "200", "--log", log, "send", "RVAB01",
                         "RAD", "RVN", "RXYZ"});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.out, "VAB01100\nE3\n");
  run = ctl(dir, {"--port", port(), "--address", "5", "--log", log, "send", "RVAB01"});
  EXPECT_EQ(run.status, 0) << run.err;

  const std::vector<LogEvent> events = {
      port_event(0, LogKind::port_opened, port()),
      sent_event(0, "05RVAB01\r\n"),
      received_event(0, "05VAB01100\r\n"),
      sent_event(0, "05RAD\r\n"),
      noise_event(0, 702),
      no_reply_event(0, 200),
      sent_event(0, "05RVN\r\n"),
      no_reply_event(0, 200),
      sent_event(0, "05RXYZ\r\n"),
      unfinished_event(0, "05VN1.0"),
      received_event(0, "05E3\r\n"),
      port_event(0, LogKind::port_closed, port()),
      port_event(0, LogKind::port_opened, port()),
      sent_event(0, "05RVAB01\r\n"),
      received_event(0, "05VAB01100\r\n"),
      port_event(0, LogKind::port_closed, port()),
  };
  const std::string text = read_file(log);
  ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF") << "a new file starts with a byte-order mark";
  const std::vector<std::string> rows = split(text.substr(3), "\r\n");
  ASSERT_EQ(rows.size(), events.size()) << text;
  const std::regex stamp(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})");
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string expected = file_line(row_of(events[i], LocalTime{}));
    EXPECT_TRUE(std::regex_match(rows[i].substr(0, 23), stamp)) << rows[i];
    if (i > 0) {
      EXPECT_LE(rows[i - 1].substr(0, 23), rows[i].substr(0, 23)) << "in the order they happened";
    }
    EXPECT_EQ(rows[i].substr(23), expected.substr(23, expected.size() - 25)) << "row " << i;
  }
}

TEST_F(Ctl, AnErrorReplyOrASilentUnitEndsThatUnitOnlyAndTheOthersAreWritten) {
  const std::string state = dir.path("state");
  ASSERT_NO_FATAL_FAILURE(start({"--rs485", "0-5", "--state-out", state, "--fault", "unit 03 silent always", "--fault",
         "unit 05 status E3 prefix VAC03"}));
  AppState app;
  reset_settings(app);
  app.record.contrast[0] = 100;
  const std::string file = dir.path("site.dat");
  write_text(file, format_settings_file(app.record));

  const CtlRun run = ctl(dir, {"--port", port(), "--address", "all", "write", file, "--json", "--timeout", "150"});
  EXPECT_EQ(run.status, 1);
  const std::vector<std::string> objects = split(run.out, "\n");
  ASSERT_EQ(objects.size(), 32u) << run.out;
  for (int unit = 0; unit < 32; ++unit) {
    const std::string& o = objects[static_cast<std::size_t>(unit)];
    char address[3];
    std::snprintf(address, sizeof address, "%02d", unit);
    EXPECT_TRUE(contains(o, std::string("\"unit\":\"") + address + "\"")) << o;
    if (unit <= 5 && unit != 3 && unit != 5) {
      EXPECT_TRUE(contains(o, "\"result\":\"done\",\"steps_done\":50")) << o;
    } else if (unit == 5) {
      EXPECT_TRUE(contains(o, R"("result":"failed","steps_done":10,"steps":50)")) << o;
      EXPECT_TRUE(contains(o, R"x("failed_step":11,"failed_command":"VAC03064","reply":"05E3","reason":"reply E3 (Command Error)")x"))
          << o;
    } else {
      EXPECT_TRUE(contains(o, R"("result":"failed","steps_done":0,"steps":50)")) << o;
      EXPECT_TRUE(contains(o, R"("reason":"no reply within 150 ms")")) << o;
    }
  }
  EXPECT_TRUE(contains(run.err, "unit 05: failed at step 11 of 50 (VAC03064): reply E3 (Command Error)"))
      << run.err;
  EXPECT_TRUE(contains(run.err, "unit 03: failed at step 1 of 50 (CJ01")) << run.err;

  dump(control, state);
  wait_until([&] { return ::access((state + ".05").c_str(), F_OK) == 0; });
  for (const char* unit : {"00", "01", "02", "04"})
    EXPECT_TRUE(contains(read_file(state + "." + unit), "VAC01100\n")) << unit;
  EXPECT_FALSE(contains(read_file(state + ".03"), "VAC01100\n"));
  EXPECT_TRUE(contains(read_file(state + ".05"), "VAC01100\n")) << "applied before the error";
}

TEST_F(Ctl, InterruptStopsAfterTheLineOnTheWireAndSaysHowFarEachUnitGot) {
  ASSERT_NO_FATAL_FAILURE(start({"--rs485", "0-2", "--reply-delay", "20"}));
  AppState app;
  reset_settings(app);
  const std::string file = dir.path("site.dat");
  write_text(file, format_settings_file(app.record));

  const pid_t pid = spawn_ctl(dir, {"--port", port(), "--address", "0-2", "write", file});
  ASSERT_TRUE(wait_until([&] { return split(read_file(raw), "\r\n").size() >= 5; }, Millis(10000)));
  ::kill(pid, SIGINT);
  const CtlRun run = finish_ctl(dir, pid);
  EXPECT_EQ(run.status, 1);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(run.err, m, std::regex(R"(unit 00: interrupted after step (\d+) of 50)"))) << run.err;
  const std::string received = read_file(raw);
  EXPECT_EQ(received.substr(received.size() - 2), "\r\n") << "the last line went out whole";
  EXPECT_EQ(split(received, "\r\n").size(), std::stoul(m[1].str()));
  EXPECT_TRUE(contains(run.err, "unit 01: not started (interrupted)")) << run.err;
  EXPECT_TRUE(contains(run.err, "unit 02: not started (interrupted)")) << run.err;
}

}  // namespace
}  // namespace zanteq
