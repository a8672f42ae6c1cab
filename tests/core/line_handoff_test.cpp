// The hand-off of a transfer's lines: while a transfer is open its lines
// are kept for it alone, otherwise they go to the dispatch; no line is
// both, none is lost, and the order holds.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/link/line_handoff.h"

namespace zanteq {
namespace {

using Lines = std::vector<std::string>;

TEST(LineHandOff, KeepsLinesOnlyWhileOpenAndWakesOncePerBurst) {
  LineHandOff handoff;
  int wakes = 0;
  EXPECT_FALSE(handoff.offer("GO\r\n")) << "no transfer: the dispatch takes it";

  ASSERT_TRUE(handoff.open([&wakes] { ++wakes; }));
  EXPECT_FALSE(handoff.open([] {})) << "one transfer at a time holds the line";
  EXPECT_TRUE(handoff.offer("VAB01100\r\n"));
  EXPECT_TRUE(handoff.offer("GO\r\n"));
  EXPECT_EQ(wakes, 1) << "the second line finds the first still waiting";
  LineHandOff::Taken taken = handoff.take();
  EXPECT_EQ(taken.lines, (Lines{"VAB01100\r\n", "GO\r\n"}));
  EXPECT_FALSE(taken.interrupted);

  EXPECT_TRUE(handoff.offer("E3\r\n"));
  EXPECT_EQ(wakes, 2);
  handoff.interrupt();  // the port went away while a line waits: no second wake
  EXPECT_EQ(wakes, 2);
  taken = handoff.take();
  EXPECT_EQ(taken.lines, (Lines{"E3\r\n"}));
  EXPECT_TRUE(taken.interrupted);
  EXPECT_FALSE(handoff.take().interrupted) << "said once";
  handoff.interrupt();
  EXPECT_EQ(wakes, 3) << "with nothing waiting, an interruption wakes the transfer itself";

  EXPECT_TRUE(handoff.offer("GO\r\n"));
  EXPECT_EQ(handoff.close(), 1u) << "a late line of the run is dropped with it";
  EXPECT_FALSE(handoff.is_open());
  EXPECT_FALSE(handoff.offer("GO\r\n"));
  handoff.interrupt();
  EXPECT_EQ(wakes, 3) << "no wake-up after close";
  EXPECT_TRUE(handoff.take().lines.empty());

  ASSERT_TRUE(handoff.open([&wakes] { wakes += 10; }));  // the next transfer, its own wake-up
  EXPECT_TRUE(handoff.offer("GO\r\n"));
  EXPECT_EQ(wakes, 13);
}

// The receiving thread offers numbered lines while the driving thread opens
// transfers, takes their lines and closes them again. Every line ends up in
// exactly one place (dispatched, taken, or dropped at a close), and both the
// dispatched and the taken lines keep the order they came in.
TEST(LineHandOff, TheReceivingThreadAndTheDrivingThread) {
  constexpr int line_count = 20000;
  LineHandOff handoff;
  std::atomic<int> wakes{0};
  std::vector<int> dispatched, taken;
  std::size_t dropped = 0;
  std::atomic<bool> done{false};
  std::atomic<bool> opened{false};

  std::thread receiving([&] {
    // Not before the first transfer is open: on a loaded machine this
    // thread could otherwise offer every line before the other one runs.
    while (!opened) std::this_thread::yield();
    for (int i = 0; i < line_count; ++i) {
      const std::string line = std::to_string(i) + "\r\n";
      if (!handoff.offer(line)) dispatched.push_back(i);
    }
    done = true;
  });
  const auto take_all = [&] {
    for (const std::string& line : handoff.take().lines) taken.push_back(std::stoi(line));
  };
  while (!done) {
    if (!handoff.open([&wakes] { ++wakes; })) ADD_FAILURE() << "open after close";
    opened = true;
    for (int round = 0; round < 5; ++round) {
      take_all();
      std::this_thread::yield();
    }
    take_all();
    dropped += handoff.close();
    std::this_thread::yield();
  }
  receiving.join();

  EXPECT_EQ(dispatched.size() + taken.size() + dropped, static_cast<std::size_t>(line_count));
  for (const std::vector<int>* lines : {&dispatched, &taken})
    for (std::size_t i = 1; i < lines->size(); ++i) ASSERT_LT((*lines)[i - 1], (*lines)[i]);
  // A line kept for a transfer (taken, or dropped at its close) woke it.
  EXPECT_EQ(wakes.load() > 0, taken.size() + dropped > 0);
}

}  // namespace
}  // namespace zanteq
