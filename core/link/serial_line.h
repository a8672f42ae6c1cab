// The serial line as a front end that waits for each reply sees it: write a
// framed line, then wait for reply bytes with a time-out. Each platform's
// port implements it (termios and poll, or a COM port with COMMTIMEOUTS);
// tests use a scripted fake.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zanteq {

class SerialLine {
 public:
  virtual ~SerialLine() = default;
  // Writes every byte; false when the line failed (error() says why).
  virtual bool write_all(std::string_view bytes) = 0;
  // Waits at most `timeout_ms` for bytes and reads what came, up to `size`.
  // Returns the count, 0 when the time passed with nothing, -1 when the line
  // failed. A timeout of 0 only looks at what is already there.
  virtual long read_some(char* buffer, std::size_t size, int timeout_ms) = 0;
  virtual std::string error() const = 0;
};

}  // namespace zanteq
