// The program's link: the COM port chosen by number or the server chosen
// by URL, the receiving thread with its line assembly and reply dispatch,
// the connecting thread of a network port, and what happens when the port
// goes or comes back. The ports' I/O is the platform layer's.
#include "win32/link/serial_port.h"

#include "core/link/dispatch.h"
#include "core/link/framing.h"
#include "core/link/port_link.h"
#include "core/log/log_format.h"
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

void SerialPort::open_port(const LinkPort& port) {
  if (port.net) {
    // No receiving thread until the connection is made: it gets its own then.
    begin_connecting(port);
    return;
  }
  // Every step runs and reports, also without a port, as the program has
  // always done at start-up.
  platform::ComPortOpening opening = platform::open_com_port(
      port_name(port.com_port), [this](platform::ComPortStep step) { reporter_.show_error_box(step_box(step)); });
  port_ = std::move(opening.port);
  ++generation_;
  link_.started(port.com_port, opening.failure);
  log_port(opening.failure == OpenFailure::none ? LogKind::port_opened : LogKind::port_failed, opening.reason);
  announce({});
}

OpenFailure SerialPort::open_quietly(int com_port, std::string& reason) {
  platform::ComPortOpening opening = platform::open_com_port(port_name(com_port));
  reason = opening.reason;
  if (!opening.port) return opening.failure;
  port_ = std::move(opening.port);
  ++generation_;
  if (!start_read_thread()) {
    reason = "受信スレッドを開始できません";
    close_port();
    return OpenFailure::settings;
  }
  return OpenFailure::none;
}

void SerialPort::switch_port(const LinkPort& port) {
  if (is_open()) log_port(LogKind::port_closed);
  cancel_connecting();
  close_port();
  if (port.net) {
    begin_connecting(port);
    return;
  }
  std::string reason;
  const OpenFailure failure = open_quietly(port.com_port, reason);
  const PortNotice notice = link_.chosen(port.com_port, failure);
  log_port(failure == OpenFailure::none ? LogKind::port_opened : LogKind::port_failed, reason);
  announce(notice);
}

void SerialPort::port_lost(unsigned generation) {
  if (generation != generation_ || !is_open()) return;  // already closed or switched
  lose_port();
}

void SerialPort::lose_port() {
  const NetFailure why = port_ ? port_->net_failure() : NetFailure::none;
  const std::string reason =
      link_.port().net ? net_failure_text_ja(why) : port_ ? port_->error() : std::string();
  close_port();
  log_port(LogKind::port_lost, reason);
  announce(link_.port().net ? link_.lost(app_.link, why) : link_.lost(app_.link));
}

void SerialPort::retry() {
  if (!link_.wants_retry()) return;
  if (link_.port().net) {
    // Quietly: the state stays as it is until the attempt ends.
    if (start_connecting(link_.port().net_port)) link_.retrying();
    return;
  }
  const PortState before = link_.state();
  std::string reason;
  link_.retried(open_quietly(link_.com_port(), reason));
  if (link_.state() == before) return;  // still gone: the retries say nothing
  if (link_.state() == PortState::connected) log_port(LogKind::port_back);
  announce({});
}

// The first attempt of a server: the status bar says it is connecting
// until the attempt ends.
void SerialPort::begin_connecting(const LinkPort& port) {
  link_.connecting(port);
  if (start_connecting(port.net_port)) {
    announce({});
    return;
  }
  log_port(LogKind::port_failed, net_failure_text_ja(NetFailure::failed));
  announce(link_.connect_ended(NetFailure::failed));
}

bool SerialPort::start_connecting(const NetPort& port) {
  auto attempt = std::make_shared<NetAttempt>();
  attempt->id = ++attempts_;
  attempt->port = port;
  attempt->cancel = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!attempt->cancel) return false;
  // The thread holds the attempt as long as it runs; a cancelled one is
  // forgotten here and ends on its own.
  auto* job = new ConnectJob{this, attempt};
  const HANDLE thread = CreateThread(nullptr, 0, &SerialPort::connect_thread_entry, job, 0, nullptr);
  if (!thread) {
    delete job;
    return false;
  }
  if (connect_thread_) CloseHandle(connect_thread_);
  connect_thread_ = thread;
  attempt_ = std::move(attempt);
  return true;
}

void SerialPort::cancel_connecting() {
  if (!attempt_) return;
  SetEvent(attempt_->cancel);
  attempt_.reset();
}

DWORD WINAPI SerialPort::connect_thread_entry(void* job_pointer) {
  const std::unique_ptr<ConnectJob> job(static_cast<ConnectJob*>(job_pointer));
  SerialPort* const self = job->self;
  const std::shared_ptr<NetAttempt> attempt = job->attempt;
  // What an RFC 2217 server says of the line goes to the log, from this
  // thread while connecting and from the receiving thread afterwards.
  CommLog* const log = self->log_;
  const std::string name = net_address_text(attempt->port.address);
  platform::NetNotes notes;
  if (log) {
    notes = [log, name](const Rfc2217Event& event) {
      log->append(port_event(wall_clock_ms(), LogKind::port_note, name, net_note_text(event)));
    };
  }
  platform::NetPortOpening opening = platform::connect_net_port(attempt->port, notes, attempt->cancel);
  {
    std::lock_guard<std::mutex> lock(attempt->mutex);
    attempt->opening = std::move(opening);
  }
  if (WaitForSingleObject(attempt->cancel, 0) != WAIT_OBJECT_0 && self->events_)
    self->events_->post_connected(attempt->id);
  return 0;
}

void SerialPort::connect_ended(unsigned attempt) {
  if (!attempt_ || attempt_->id != attempt) return;  // cancelled: another port was chosen since
  platform::NetPortOpening opening;
  {
    std::lock_guard<std::mutex> lock(attempt_->mutex);
    opening = std::move(attempt_->opening);
  }
  attempt_.reset();
  const bool first = link_.state() == PortState::connecting;
  if (opening.port) {
    port_ = std::move(opening.port);
    ++generation_;
    if (start_read_thread()) {
      log_port(first ? LogKind::port_opened : LogKind::port_back);
      announce(link_.connect_ended(NetFailure::none));
      return;
    }
    close_port();
    opening.failure = NetFailure::failed;
  }
  if (opening.failure == NetFailure::none) opening.failure = NetFailure::failed;
  // The retries fail quietly, in the log too: one row every 2 s would
  // bury what the log is read for.
  if (first) log_port(LogKind::port_failed, net_failure_text_ja(opening.failure));
  announce(link_.connect_ended(opening.failure));
}

void SerialPort::log_port(LogKind kind, const std::string& reason) {
  log(port_event(wall_clock_ms(), kind, link_.port().name(), reason));
}

void SerialPort::note_unanswered() {
  const ULONGLONG waited = GetTickCount64() - last_sent_tick_;
  note_unanswered(static_cast<int>(waited < 0x7FFFFFFF ? waited : 0x7FFFFFFF));
}

void SerialPort::note_unanswered(int waited_ms) { log(no_reply_event(wall_clock_ms(), waited_ms)); }

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
  // A thread started without a port could still be on its way out when
  // the port arrives and be taken for the port's reader, which then never
  // reads: so there is none. A thread here is the open port's.
  if (!is_open()) return true;
  if (thread_) return true;  // receiving already
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
  log(sent_event(wall_clock_ms(), bytes));
  last_sent_tick_ = GetTickCount64();
  if (port_->send(std::move(bytes)) || !port_->gone()) return true;
  lose_port();
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
  lose_port();
}

DWORD WINAPI SerialPort::read_thread_entry(void* self) {
  static_cast<SerialPort*>(self)->read_thread();
  return 0;
}

void SerialPort::read_thread() {
  if (!is_open()) return;  // no port: end rather than retry a wait that fails at once

  const unsigned generation = generation_;
  char buffer[line_buffer_size];
  // The row goes to the log before the line's box is raised or a transfer
  // takes the line, so the log has it in the order of the wire.
  const auto deliver = [this](std::string_view line) {
    log(received_event(wall_clock_ms(), line));
    if (!transfer_lines_.offer(line)) dispatch_reply(app_.link, app_.record, reporter_, line);
  };
  const auto dropped = [this](const DroppedBytes& what) {
    log(what.why == DroppedBytes::Why::before_command ? unfinished_event(wall_clock_ms(), what.bytes)
                                                      : noise_event(wall_clock_ms(), what.count));
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
    if (result == platform::Received::bytes) assembler_.feed(buffer, received, deliver, dropped);
  }
}

void SerialPort::stop() {
  app_.link.receiving = 0;
  cancel_connecting();
  if (connect_thread_) {
    // A name look-up runs to its end: bounded, the process ends either way.
    WaitForSingleObject(connect_thread_, stop_wait_ms);
    CloseHandle(connect_thread_);
    connect_thread_ = nullptr;
  }
  if (port_) {
    log_port(LogKind::port_closed);
    port_->stop_receiving();
  }

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
