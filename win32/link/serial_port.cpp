// The program's serial link: the port chosen by number, the receiving
// thread with its line assembly and reply dispatch, and what happens when
// the port goes or comes back. The port's I/O is the platform layer's.
#include "win32/link/serial_port.h"

#include "core/link/dispatch.h"
#include "core/link/framing.h"
#include "core/link/port_link.h"
#include "platform/windows/com_port.h"

namespace zanteq::win32 {

namespace {

constexpr DWORD stop_wait_ms = 2000;  // at exit: the thread ends at once once woken

// The start-up boxes, one for each step of opening that failed.
const char* step_box(platform::ComPortStep step) {
  switch (step) {
    case platform::ComPortStep::open: return "Miss! File Open";
    case platform::ComPortStep::event_mask: return "Miss! Mask Set";
    case platform::ComPortStep::queues: return "Miss! Buffer Set";
    case platform::ComPortStep::timeouts: return "Miss! Time Out Set";
    case platform::ComPortStep::line_settings: break;
  }
  return "Miss! Set Comm State";
}

}  // namespace

void SerialPort::open_port(int com_port) {
  // Every step runs and reports, also without a port, as the program has
  // always done at start-up.
  platform::ComPortOpening opening = platform::open_com_port(
      port_name(com_port), [this](platform::ComPortStep step) { reporter_.show_error_box(step_box(step)); });
  port_ = std::move(opening.port);
  ++generation_;
  link_.started(com_port, opening.failure);
  announce({});
}

OpenFailure SerialPort::open_quietly(int com_port) {
  platform::ComPortOpening opening = platform::open_com_port(port_name(com_port));
  if (!opening.port) return opening.failure;
  port_ = std::move(opening.port);
  ++generation_;
  if (!start_read_thread()) {
    close_port();
    return OpenFailure::settings;
  }
  return OpenFailure::none;
}

void SerialPort::switch_port(int com_port) {
  close_port();
  announce(link_.chosen(com_port, open_quietly(com_port)));
}

void SerialPort::port_lost(unsigned generation) {
  if (generation != generation_ || !is_open()) return;  // already closed or switched
  close_port();
  announce(link_.lost(app_.link));
}

void SerialPort::retry() {
  if (!link_.wants_retry()) return;
  const PortState before = link_.state();
  link_.retried(open_quietly(link_.com_port()));
  if (link_.state() != before) announce({});
}

void SerialPort::announce(const PortNotice& notice) {
  if (events_) {
    events_->link_changed(link_, notice);
  } else if (notice.shown()) {
    reporter_.show_warning_box(notice.text.c_str());
  }
}

void SerialPort::close_port() {
  if (thread_) {
    if (port_) port_->stop_receiving();
    // The port must not be closed under the thread: wait until it ended.
    // It only posts to the windows, never sends, so a plain wait cannot
    // deadlock; delivering sent messages here would let a device change
    // re-enter the interface dialog in the middle of a port switch.
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  port_.reset();  // cancels what is in flight and closes it
  ++generation_;  // a loss reported by the old thread is no longer ours
  transfer_lines_.interrupt();  // a transfer on this port is over
}

bool SerialPort::start_read_thread() {
  if (thread_) {
    if (WaitForSingleObject(thread_, 0) != WAIT_OBJECT_0) return true;  // still receiving
    // The thread of a start without a port, which ended at once.
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  thread_ = CreateThread(nullptr, 0, &SerialPort::read_thread_entry, this, 0, nullptr);
  return thread_ != nullptr;
}

void SerialPort::send_command(std::string_view text) {
  if (transfer_lines_.is_open()) {
    MessageBeep(MB_ICONWARNING);
    return;
  }
  if (!link_.may_send()) {
    announce(link_.refuse_send(app_.link));
    return;
  }
  std::string bytes = prepare_send(app_.link, text);
  if (bytes.empty() || !is_open()) return;
  write(std::move(bytes));
}

// False only when the port has gone with this write (and is closed now).
bool SerialPort::write(std::string bytes) {
  assembler_.command_sent();
  if (port_->send(std::move(bytes)) || !port_->gone()) return true;
  close_port();
  announce(link_.lost(app_.link));
  return false;
}

bool SerialPort::begin_transfer(LineHandOff::Wake wake) {
  if (!transfer_lines_.open(std::move(wake))) return false;
  app_.link.reply_pending = 0;
  app_.link.reply_wait_ticks = 0;
  return true;
}

void SerialPort::end_transfer() { transfer_lines_.close(); }

LineHandOff::Taken SerialPort::take_transfer_lines() { return transfer_lines_.take(); }

bool SerialPort::send_transfer(std::string bytes) {
  if (!link_.may_send()) {
    announce(link_.refuse_send(app_.link));
    return false;
  }
  // A write that fails on a port still there is a command the unit never
  // heard: the transfer's time-out says so.
  return is_open() && write(std::move(bytes));
}

bool SerialPort::transfer_port_gone() { return !is_open() || port_->gone(); }

void SerialPort::close_lost_port() {
  if (!is_open()) return;  // closed already, and said so
  close_port();
  announce(link_.lost(app_.link));
}

DWORD WINAPI SerialPort::read_thread_entry(void* self) {
  static_cast<SerialPort*>(self)->read_thread();
  return 0;
}

void SerialPort::read_thread() {
  if (!is_open()) return;  // no port: end rather than retry a wait that fails at once

  const unsigned generation = generation_;
  char buffer[line_buffer_size];
  const auto deliver = [this](std::string_view line) {
    if (!transfer_lines_.offer(line)) dispatch_reply(app_.link, app_.record, reporter_, line);
  };

  while (app_.link.receiving != 0) {
    std::size_t received = 0;
    const platform::Received result = port_->receive(buffer, sizeof buffer, platform::wait_forever, received);
    if (app_.link.receiving == 0 || result == platform::Received::stopped) break;
    if (result == platform::Received::gone) {
      // The interface thread closes the port and tells the user; nothing
      // more to read here, and no reason to spin.
      if (events_) events_->post_port_lost(generation);
      break;
    }
    // A failed read has paused already, so a broken port cannot spin.
    if (result == platform::Received::bytes) assembler_.feed(buffer, received, deliver);
  }
}

void SerialPort::stop() {
  app_.link.receiving = 0;
  if (port_) port_->stop_receiving();

  if (thread_) {
    // Bounded: the process ends either way.
    if (WaitForSingleObject(thread_, stop_wait_ms) != WAIT_OBJECT_0) {
      // Never closed under a thread that still reads from it.
      static_cast<void>(port_.release());
      return;
    }
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  port_.reset();
}

}  // namespace zanteq::win32
