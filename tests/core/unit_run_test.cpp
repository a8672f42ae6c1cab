// Waiting for each reply: one command and its reply over a scripted line
// (framing, pieces, stale bytes, foreign addresses, silence, broadcast), and
// a whole run on one unit ending on the replies that end a sequence.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <thread>
#include <functional>

#include "core/bulk/unit_run.h"
#include "core/link/framing.h"

namespace zanteq {
namespace {

// A unit behind a line: each written line gets the pieces `answer` gives,
// one piece per read; a read with nothing queued is a time-out.
class ScriptedLine : public SerialLine {
 public:
  std::function<std::vector<std::string>(const std::string& written)> answer;
  std::vector<std::string> written;
  std::deque<std::string> queued;
  bool babbling = false;  // a unit that sends without pause

  bool write_all(std::string_view bytes) override {
    written.emplace_back(bytes);
    for (const std::string& piece : answer(written.back())) queued.push_back(piece);
    return true;
  }
  long read_some(char* buffer, std::size_t size, int) override {
    if (babbling && size > 0) {
      buffer[0] = 'x';
      return 1;
    }
    if (queued.empty()) return 0;
    std::string piece = queued.front();
    queued.pop_front();
    if (piece.size() > size) {
      queued.push_front(piece.substr(size));
      piece.resize(size);
    }
    piece.copy(buffer, piece.size());
    return static_cast<long>(piece.size());
  }
  std::string error() const override { return "unplugged"; }
};

class Exchanges : public ::testing::Test {
 protected:
  Exchanges() {
    reset_settings(app);
    app.link.rs_control = 1;
    app.link.slave_address = 5;
  }
  AppState app;
  ScriptedLine line;
  Exchange exchange{line, app.link, app.record};
};

TEST_F(Exchanges, TheFirstCompleteLineFromTheUnitsAddressIsTheReply) {
  line.answer = [](const std::string&) {
    return std::vector<std::string>{"05VA", "B01100\r", "\n05GO\r\n"};
  };
  line.queued.push_back("05GO\r\n");  // stale: a late answer to an earlier command
  const Reply data = exchange.ask("RVAB01\r\n", 50);
  EXPECT_EQ(line.written.back(), "05RVAB01\r\n");
  EXPECT_EQ(data.kind, ReplyKind::answered);
  EXPECT_TRUE(data.data);
  EXPECT_FALSE(data.accepted);
  EXPECT_EQ(data.line, "05VAB01100");
  EXPECT_EQ(data.text, "VAB01100");
  EXPECT_EQ(app.record.brightness[0], 36) << "decoded as the dispatch decodes";
  EXPECT_EQ(app.link.reply_pending, 0);
  EXPECT_EQ(exchange.bytes_sent(), 10u);
  EXPECT_EQ(exchange.bytes_received(), 18u) << "the three pieces; the stale bytes are not counted";

  struct Case {
    std::vector<std::string> pieces;
    ReplyKind kind;
    std::string message;
  };
  const Case cases[] = {
      {{"05GO\r\n"}, ReplyKind::answered, ""},
      {{"05GN\r\n"}, ReplyKind::answered, "Mode Error"},
      {{"05E3\r\n"}, ReplyKind::refused, "Command Error"},
      {{"05MENU\r\n"}, ReplyKind::refused, "Menu Display"},
      {{"07VAB01000\r\n"}, ReplyKind::wrong_address, ""},
      {{"GO\r\n"}, ReplyKind::wrong_address, ""},
      {{"05GO\r"}, ReplyKind::silent, ""},  // a line only ends with LF
      {{}, ReplyKind::silent, ""},
  };
  for (const Case& c : cases) {
    line.answer = [&](const std::string&) { return c.pieces; };
    line.queued.clear();
    const Reply reply = exchange.ask("RVAB01\r\n", 50);
    EXPECT_EQ(reply.kind, c.kind) << (c.pieces.empty() ? "" : c.pieces[0]);
    EXPECT_EQ(reply.message, c.message);
    EXPECT_EQ(app.link.reply_pending, 0);
  }
  EXPECT_EQ(app.record.brightness[0], 36) << "another unit's data is not taken";

  // An adapter that hears itself: the echo is no answer, silent or not.
  line.answer = [](const std::string& sent) { return std::vector<std::string>{sent, "05GO\r\n"}; };
  EXPECT_EQ(exchange.ask("VAB01000\r\n", 50).line, "05GO");
  line.answer = [](const std::string& sent) { return std::vector<std::string>{sent}; };
  EXPECT_EQ(exchange.ask("RVN\r\n", 50).kind, ReplyKind::silent);

  app.link.slave_address = broadcast_address;
  line.answer = [](const std::string&) { return std::vector<std::string>{}; };
  EXPECT_EQ(exchange.ask("VAB01000\r\n", 50).kind, ReplyKind::not_awaited);
  EXPECT_EQ(line.written.back(), "FFVAB01000\r\n");
  app.link.slave_address = -1;
  EXPECT_EQ(exchange.ask("VAB01000\r\n", 50).kind, ReplyKind::not_sent);
  EXPECT_EQ(line.written.back(), "FFVAB01000\r\n") << "nothing written";
}

TEST_F(Exchanges, ARunEndsOnAnErrorReplyNotesRefusalsAndStopsWhenAsked) {
  const std::vector<std::string> commands = {"VAB01000\r\n", "VAB02000\r\n", "VAB03000\r\n",
                                             "VAB04000\r\n", "VAC01064\r\n"};
  std::vector<std::string> replies = {"05GO\r\n", "05GN\r\n", "05GO\r\n", "05E3\r\n", "05GO\r\n"};
  line.answer = [&](const std::string&) {
    return std::vector<std::string>{replies[line.written.size() - 1]};
  };
  std::vector<int> progress;
  RunSettings settings;
  settings.timeout_ms = 50;
  settings.progress = [&](int done, int count) {
    EXPECT_EQ(count, 5);
    progress.push_back(done);
    EXPECT_EQ(app.link.sequence_step, done) << "the shared counter holds the step";
  };
  UnitOutcome outcome = run_unit(exchange, app.link, commands, Expect::accepted, settings);
  EXPECT_EQ(outcome.state, UnitOutcome::failed);
  EXPECT_EQ(outcome.failed_step, 4);
  EXPECT_EQ(outcome.steps_done, 3);
  EXPECT_EQ(outcome.command, "VAB04000");
  EXPECT_EQ(describe_failure(outcome.reply, 50), "reply E3 (Command Error)");
  EXPECT_EQ(outcome.unexpected, std::vector<std::string>{"step 2 VAB02000: GN"})
      << "GN during a run shows no box";
  EXPECT_EQ(progress, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(line.written.size(), 4u) << "nothing after the error";
  EXPECT_EQ(app.link.sequence_step, 0);
  EXPECT_EQ(app.link.sequence_abort, 0);

  // Silence ends the run; a stop request ends it before the next command.
  line.written.clear();
  replies = {"05GO\r\n", "05GO\r\n", "05GO\r\n", "05GO\r\n", "05GO\r\n"};
  std::atomic<int> stop{0};
  settings.stop = &stop;
  settings.progress = [&](int done, int) { stop = done == 2; };
  outcome = run_unit(exchange, app.link, commands, Expect::accepted, settings);
  EXPECT_EQ(outcome.state, UnitOutcome::interrupted);
  EXPECT_EQ(outcome.steps_done, 2);
  EXPECT_EQ(line.written.size(), 2u);

  // With fixed pacing, a stop during the wait sends nothing more.
  line.written.clear();
  stop = 0;
  settings.pace = Pace::fixed;
  settings.period_ms = 300;
  std::thread stopper;
  settings.progress = [&](int done, int) {
    if (done == 1) stopper = std::thread([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      stop = 1;
    });
  };
  outcome = run_unit(exchange, app.link, commands, Expect::accepted, settings);
  stopper.join();
  EXPECT_EQ(outcome.state, UnitOutcome::interrupted);
  EXPECT_EQ(line.written.size(), 1u) << "stopped while waiting for the next command's turn";
  settings.pace = Pace::replies;

  // A unit that never stops sending cannot keep the next command back.
  line.written.clear();
  line.babbling = true;
  EXPECT_EQ(exchange.ask("VAB01000\r\n", 50).kind, ReplyKind::silent);
  EXPECT_EQ(line.written.size(), 1u);
  line.babbling = false;

  line.written.clear();
  settings.stop = nullptr;
  settings.progress = nullptr;
  replies = {"05VAB01000\r\n", "", "", "", ""};
  line.answer = [&](const std::string&) {
    return std::vector<std::string>{line.written.size() == 1 ? "05VAC01064\r\n" : "05ADON\r\n"};
  };
  outcome = run_unit(exchange, app.link, {"RVAB01\r\n", "RAD\r\n"}, Expect::data_line, settings);
  EXPECT_EQ(outcome.unexpected, std::vector<std::string>{"step 1 RVAB01: VAC01064"})
      << "data for another field is noted; RAD is answered by ADO";
  line.written.clear();
  line.answer = [&](const std::string&) {
    const std::string& r = replies[line.written.size() - 1];
    return r.empty() ? std::vector<std::string>{} : std::vector<std::string>{r};
  };
  outcome = run_unit(exchange, app.link, {"RVAB01\r\n", "RVAB02\r\n", "RVAB03\r\n"}, Expect::data_line,
                     settings);
  EXPECT_EQ(outcome.state, UnitOutcome::failed);
  EXPECT_EQ(outcome.failed_step, 2);
  EXPECT_EQ(describe_failure(outcome.reply, 50), "no reply within 50 ms");
}

TEST_F(Exchanges, FixedPacingKeepsThePeriodAndABroadcastWaitsForNothing) {
  app.link.slave_address = broadcast_address;
  line.answer = [](const std::string&) { return std::vector<std::string>{}; };
  RunSettings settings;
  settings.pace = Pace::fixed;
  settings.period_ms = 30;
  const auto start = std::chrono::steady_clock::now();
  const UnitOutcome outcome =
      run_unit(exchange, app.link, {"ADON\r\n", "AMI\r\n", "APM\r\n"}, Expect::accepted, settings);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(outcome.state, UnitOutcome::done);
  EXPECT_EQ(outcome.steps_done, 3);
  EXPECT_EQ(line.written, (std::vector<std::string>{"FFADON\r\n", "FFAMI\r\n", "FFAPM\r\n"}));
  EXPECT_GE(elapsed, std::chrono::milliseconds(60)) << "two periods between three commands";
}

}  // namespace
}  // namespace zanteq
