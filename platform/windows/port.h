// A connection to a unit as the Windows programs use it, whatever carries
// it: sending returns at once, receiving blocks the calling thread until
// bytes come, a time passes or another thread stops it. The COM port
// implements it (com_port.h); a network transport would implement the same,
// and the programs above would not change.
//
// Threads: send and wait_sent belong to one thread, receive to one thread
// (the same or another); stop_receiving and gone may be called from any.
#pragma once

#include <cstddef>
#include <string>

namespace zanteq::platform {

constexpr int wait_forever = -1;

// How a wait for bytes ended.
enum class Received {
  bytes,    // `received` bytes came
  nothing,  // the time passed without a byte
  stopped,  // stop_receiving was called
  gone,     // the device went away (a pulled adapter): every later call fails too
  failed,   // the read failed otherwise; returned after a short pause, so
            // that a loop over a broken port cannot spin
};

class Port {
 public:
  virtual ~Port() = default;

  // Starts sending and returns at once; the port keeps the bytes until they
  // are out. False when sending could not start (error() says why).
  virtual bool send(std::string bytes) = 0;
  // Waits until everything sent has gone out; false when a send failed or
  // the handshake held the line past the write time-out.
  virtual bool wait_sent() = 0;

  // Waits up to `timeout_ms` (wait_forever: no limit; 0: only what is
  // already there) for bytes and reads what came, at most `size`. It
  // returns as soon as bytes have come, with those there are by then, so a
  // reply may arrive in pieces: callers join them into lines
  // (LineAssembler).
  virtual Received receive(char* buffer, std::size_t size, int timeout_ms, std::size_t& received) = 0;
  // The receive in progress, and every later one, returns `stopped`.
  virtual void stop_receiving() = 0;

  // Whether the device has gone: asked after a send that failed.
  virtual bool gone() = 0;

  // The last failure in the system's words (UTF-8).
  virtual std::string error() const = 0;
};

}  // namespace zanteq::platform
