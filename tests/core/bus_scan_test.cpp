// The bus scan over a line with units behind it: who answers, who is
// silent, a unit answering under another address, and a port that fails
// part way.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "core/bulk/bus_scan.h"

namespace zanteq {
namespace {

// Each written line gets the reply of the unit at its address, whole, at
// the next read; an address nobody holds gets nothing.
class Bus : public SerialLine {
 public:
  std::map<int, std::string> replies;  // address -> reply line, CR LF added
  int unplugged_at = -1;               // writing to this address fails
  std::vector<std::string> written;

  bool write_all(std::string_view bytes) override {
    written.emplace_back(bytes);
    const int address = (bytes[0] - '0') * 10 + (bytes[1] - '0');
    if (address == unplugged_at) return false;
    const auto unit = replies.find(address);
    waiting_ = unit == replies.end() ? std::string() : unit->second + "\r\n";
    return true;
  }
  long read_some(char* buffer, std::size_t size, int) override {
    const std::size_t n = std::min(size, waiting_.size());
    waiting_.copy(buffer, n);
    waiting_.erase(0, n);
    return static_cast<long>(n);
  }
  std::string error() const override { return "the device was removed"; }

 private:
  std::string waiting_;
};

class BusScanTest : public ::testing::Test {
 protected:
  BusScanTest() { reset_settings(app); }
  AppState app;
  Bus bus;
  Exchange exchange{bus, app.link, app.record};
};

TEST_F(BusScanTest, AsksEachAddressOnceAndTellsWhoAnswered) {
  bus.replies = {{3, "03VN1234"}, {5, "05E3"}, {9, "19VN1234"}, {31, "31VN0102"}};
  BusScan scan(exchange, app.link, {31, 2, 3, 5, 9}, 1000);
  EXPECT_EQ(scan.count(), 5u);

  std::vector<ScanAnswer> answers;
  std::vector<std::string> names;
  while (!scan.finished()) {
    const int next = scan.next().address;
    const ScannedAddress result = scan.ask_next();
    EXPECT_EQ(result.target.address, next);
    EXPECT_EQ(app.link.rs_control, 1) << "RS-485 framing";
    answers.push_back(result.answer);
    names.push_back(result.target.name());
    if (result.answer == ScanAnswer::other_address) {
      EXPECT_EQ(result.line, "19VN1234");
    }
  }
  EXPECT_EQ(answers, (std::vector<ScanAnswer>{ScanAnswer::answered, ScanAnswer::silent, ScanAnswer::answered,
                                              ScanAnswer::answered, ScanAnswer::other_address}));
  EXPECT_EQ(names, (std::vector<std::string>{"31", "02", "03", "05", "09"}));
  EXPECT_EQ(scan.found(), (std::vector<int>{31, 3, 5})) << "an error reply is a unit too";
  EXPECT_EQ(bus.written, (std::vector<std::string>{"31RVN\r\n", "02RVN\r\n", "03RVN\r\n", "05RVN\r\n", "09RVN\r\n"}));
  EXPECT_EQ(scan.asked(), 5u);
}

TEST_F(BusScanTest, AFailingPortEndsTheScanWithItsReason) {
  bus.replies = {{0, "00VN1234"}};
  bus.unplugged_at = 1;
  BusScan scan(exchange, app.link, every_address(), 20);
  EXPECT_EQ(scan.count(), 32u);
  EXPECT_EQ(scan.ask_next().answer, ScanAnswer::answered);
  const ScannedAddress failed = scan.ask_next();
  EXPECT_EQ(failed.answer, ScanAnswer::line_failed);
  EXPECT_EQ(failed.line, "the device was removed");
  EXPECT_TRUE(scan.finished());
  EXPECT_EQ(scan.asked(), 2u);
  EXPECT_EQ(bus.written.size(), 2u) << "nothing after the failure";

  BusScan empty(exchange, app.link, {});
  EXPECT_TRUE(empty.finished());
}

}  // namespace
}  // namespace zanteq
