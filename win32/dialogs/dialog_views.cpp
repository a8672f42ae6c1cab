// The dialog side of a timed sequence.
#include "win32/dialogs/dialog_views.h"

#include <commctrl.h>

#include "win32/dialogs/dialog_common.h"

namespace zanteq::win32 {

void DialogSequenceView::start_timer(int period_ms) {
  SetTimer(dialog_, timer_id_, static_cast<UINT>(period_ms), nullptr);
}

void DialogSequenceView::stop_timer() { KillTimer(dialog_, timer_id_); }

void DialogSequenceView::enable_close(bool enabled) {
  EnableWindow(GetDlgItem(dialog_, IDCANCEL), enabled ? TRUE : FALSE);
}

void DialogSequenceView::step_progress() { SendDlgItemMessageW(dialog_, progress_id_, PBM_STEPIT, 0, 0); }

void DialogSequenceView::reset_progress() { SendDlgItemMessageW(dialog_, progress_id_, PBM_SETPOS, 0, 0); }

void DialogSequenceView::set_percentage_text(const char* text) {
  if (percentage_id_ != no_percentage) set_text(GetDlgItem(dialog_, percentage_id_), text);
}

}  // namespace zanteq::win32
