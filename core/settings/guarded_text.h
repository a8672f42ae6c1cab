// A fixed-size text field of the settings record that two threads share.
//
// The receiving thread rewrites titles and the hold time while the interface
// thread may be drawing or saving them; a small lock around each copy makes
// sure neither side ever sees a half-written value. Readers always get a
// zero-terminated copy.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

namespace zanteq {

template <std::size_t Size>
class GuardedText {
 public:
  static_assert(Size >= 2, "a text field holds at least one byte and its terminator");
  static constexpr std::size_t capacity = Size - 1;  // bytes of text it can hold

  GuardedText() = default;
  GuardedText(const GuardedText&) = delete;
  GuardedText& operator=(const GuardedText&) = delete;

  // The whole slot, zero-terminated and zero-filled after the text.
  std::array<char, Size> get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return bytes_;
  }

  std::string str() const {
    const std::array<char, Size> copy = get();
    return std::string(copy.data());
  }

  // Replaces the text; stops at the first zero byte and never stores more
  // than `capacity` bytes. The rest of the slot is zero-filled.
  void set(std::string_view text) {
    std::array<char, Size> fresh{};
    std::size_t n = 0;
    while (n < text.size() && n < capacity && text[n] != '\0') {
      fresh[n] = text[n];
      ++n;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    bytes_ = fresh;
  }

  bool empty() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return bytes_[0] == '\0';
  }

 private:
  mutable std::mutex mutex_;
  std::array<char, Size> bytes_{};
};

}  // namespace zanteq
