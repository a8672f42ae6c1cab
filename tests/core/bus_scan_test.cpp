// The bus scan over a line with units behind it, driven as zanteqctl drives
// it: who answers, who is silent, a unit answering under another address,
// an adapter that hears itself, and a port that fails part way.
#include <gtest/gtest.h>

#include <map>

#include "core/bulk/bus_scan.h"
#include "tests/core/scripted_line.h"

namespace zanteq {
namespace {

using testing::Piece;
using testing::ScriptedLine;

class BusScanTest : public ::testing::Test {
 protected:
  BusScanTest() {
    reset_settings(app);
    // Each written line gets the reply of the unit at its address, after
    // the adapter's echo when it has one; an address nobody holds gets
    // nothing but the echo.
    bus.unit = [this](const std::string& sent) {
      std::vector<Piece> back;
      if (echoing) back.push_back({0, sent});
      const int address = (sent[0] - '0') * 10 + (sent[1] - '0');
      const auto unit = replies.find(address);
      if (unit != replies.end()) back.push_back({3, unit->second + "\r\n"});
      return back;
    };
  }

  // Asks every address; the answers in order.
  std::vector<ScannedAddress> scan_all(BusScan& scan) {
    std::vector<ScannedAddress> results;
    while (!scan.finished()) {
      loop.run(scan.question(), transfer_target(scan.next()), app.record);
      results.push_back(scan.take_answer());
    }
    return results;
  }

  AppState app;
  ScriptedLine bus;
  TransferLoop loop{bus, bus};
  std::map<int, std::string> replies;  // address -> reply line
  bool echoing = false;
};

TEST_F(BusScanTest, AsksEachAddressOnceAndTellsWhoAnswered) {
  replies = {{3, "03VN1234"}, {5, "05E3"}, {9, "19VN1234"}, {31, "31VN0102"}};
  for (const bool echo : {false, true}) {
    echoing = echo;
    bus.written.clear();
    BusScan scan({31, 2, 3, 5, 9}, 20);
    EXPECT_EQ(scan.count(), 5u);
    const long long start = bus.now;
    const std::vector<ScannedAddress> results = scan_all(scan);

    std::vector<ScanAnswer> answers;
    std::vector<std::string> names;
    for (const ScannedAddress& r : results) {
      answers.push_back(r.answer);
      names.push_back(r.target.name());
    }
    EXPECT_EQ(answers, (std::vector<ScanAnswer>{ScanAnswer::answered, ScanAnswer::silent, ScanAnswer::answered,
                                                ScanAnswer::answered, ScanAnswer::other_address}))
        << (echo ? "through an echoing adapter" : "");
    EXPECT_EQ(results[4].line, "19VN1234");
    EXPECT_EQ(results[4].foreign, std::vector<std::string>{"19VN1234"});
    EXPECT_EQ(names, (std::vector<std::string>{"31", "02", "03", "05", "09"}));
    EXPECT_EQ(scan.found(), (std::vector<int>{31, 3, 5})) << "an error reply is a unit too";
    EXPECT_EQ(bus.written, (std::vector<std::string>{"31RVN\r\n", "02RVN\r\n", "03RVN\r\n", "05RVN\r\n", "09RVN\r\n"}));
    EXPECT_EQ(scan.asked(), 5u);
    EXPECT_EQ(bus.now - start, 3 + 20 + 3 + 3 + 20) << "a unit's answer at once, silence its time-out";
  }
}

TEST_F(BusScanTest, AFailingPortEndsTheScanWithItsReason) {
  replies = {{0, "00VN1234"}};
  bus.failing_write = 1;
  BusScan scan(every_address(), 20);
  EXPECT_EQ(scan.count(), 32u);
  const std::vector<ScannedAddress> results = scan_all(scan);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].answer, ScanAnswer::answered);
  EXPECT_EQ(results[1].answer, ScanAnswer::line_failed);
  EXPECT_EQ(results[1].line, "the device was removed");
  EXPECT_TRUE(scan.finished());
  EXPECT_EQ(scan.asked(), 2u);
  EXPECT_EQ(bus.written.size(), 1u) << "nothing after the failure";

  BusScan empty({});
  EXPECT_TRUE(empty.finished());
}

}  // namespace
}  // namespace zanteq
