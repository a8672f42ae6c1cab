// The lines of a transfer on their way from the receiving thread to the
// thread that drives the transfer engine (core/link/transfer.h).
//
// While a transfer holds the line, every complete line belongs to it and to
// nothing else: the receiving thread offers each line here first, and only
// a line that is refused (no transfer open) goes to the reply dispatch. The
// decision and the keeping happen under one lock, so a line is never both
// dispatched and kept, and none is lost between the two when a transfer
// opens or closes.
//
// The driving thread opens the hand-off with a wake-up, takes the waiting
// lines when woken and closes it when its run is over. The wake-up runs
// when a line is kept while none was waiting (one wake-up for a burst), and
// when interrupt() says the port went away; it runs under the lock, so no
// wake-up comes after close() has returned. It must return at once (the
// Windows program posts a message to the dialog that drives the run).
//
// Threads: offer() on the receiving thread; everything else on the one
// thread that drives the transfer.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace zanteq {

class LineHandOff {
 public:
  using Wake = std::function<void()>;

  // What the driving thread takes when woken.
  struct Taken {
    std::vector<std::string> lines;  // in the order received, CR LF kept
    bool interrupted = false;        // interrupt() was called since the last take
  };

  // From now on lines are kept for the caller. False (and nothing changes)
  // while another transfer holds the hand-off.
  bool open(Wake wake);
  // Lines go to the dispatch again. Lines still waiting are dropped: they
  // came during the run and were nobody else's. Returns how many.
  std::size_t close();
  bool is_open() const;

  // Receiving thread: keeps `line` when a transfer is open (true), else
  // leaves it to the caller (false).
  bool offer(std::string_view line);

  // Everything waiting, oldest first.
  Taken take();

  // The port under the transfer has gone or was closed: the transfer is
  // woken to find out, even when no line comes any more.
  void interrupt();

 private:
  mutable std::mutex mutex_;
  bool open_ = false;
  bool interrupted_ = false;
  Wake wake_;
  std::deque<std::string> lines_;
};

}  // namespace zanteq
