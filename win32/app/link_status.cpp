// The port's state on screen: status-bar part, one box per change, retries.
#include "win32/app/link_status.h"

#include <windows.h>
// dbt.h needs the Windows types first.
#include <dbt.h>

#include "win32/app/app.h"
#include "win32/app/main_window.h"
#include "win32/link/message_boxes.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

namespace {

// Often enough that a re-plugged adapter is back before the user reaches
// for a button, rarely enough to cost nothing while it is gone.
constexpr UINT retry_period_ms = 2000;

class MainWindowLinkEvents final : public LinkEvents {
 public:
  void post_port_lost(unsigned generation) override {
    if (const HWND window = main_window()) PostMessageW(window, message_port_lost, generation, 0);
  }

  void post_connected(unsigned attempt) override {
    if (const HWND window = main_window()) PostMessageW(window, message_net_connected, attempt, 0);
  }

  void link_changed(const PortLink& link, const PortNotice& notice) override {
    show_port_status(link.status_text());
    if (const HWND window = main_window()) {
      if (link.wants_retry()) {
        SetTimer(window, TIMER_PORT_RETRY, retry_period_ms, nullptr);
      } else {
        KillTimer(window, TIMER_PORT_RETRY);
      }
    }
    if (notice.shown()) show_notice(notice.text);
  }

 private:
  // A box is modal but timers still tick under it: a running read-all may
  // try to send again. One port box at a time is enough.
  void show_notice(const std::string& text) {
    if (box_open_) return;
    box_open_ = true;
    show_warning_box(text.c_str());
    box_open_ = false;
  }

  bool box_open_ = false;
};

MainWindowLinkEvents the_link_events;

}  // namespace

LinkEvents& link_events() { return the_link_events; }

LRESULT on_port_lost(WPARAM generation) {
  serial_port().port_lost(static_cast<unsigned>(generation));
  return 0;
}

LRESULT on_net_connected(WPARAM attempt) {
  serial_port().connect_ended(static_cast<unsigned>(attempt));
  return 0;
}

LRESULT on_port_retry_timer() {
  serial_port().retry();
  return 0;
}

LRESULT on_device_change(WPARAM event) {
  // A port that arrives is tried at once rather than at the next retry.
  if (event == DBT_DEVICEARRIVAL || event == DBT_DEVNODES_CHANGED) serial_port().retry();
  return TRUE;
}

}  // namespace zanteq::win32
