// A dialog's run at the reply pace: the runner, the dialog's view and the
// program's boxes.
#include "win32/bulk/replies_run.h"

#include <utility>

#include "win32/app/app.h"
#include "win32/link/serial_port.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

namespace {

void show(Reporter& reporter, const TransferBox& box) {
  switch (box.kind) {
    case TransferBox::success: reporter.show_success_box(box.text.c_str()); break;
    case TransferBox::error: reporter.show_error_box(box.text.c_str()); break;
    case TransferBox::warning: reporter.show_warning_box(box.text.c_str()); break;
  }
}

}  // namespace

DialogRepliesRun::DialogRepliesRun(HWND dialog, SequenceView& view, const SequencePlan& plan)
    : sequence_(app_state(), view, plan), runner_(dialog, TIMER_TRANSFER, serial_port(), *this) {}

bool DialogRepliesRun::start(TransferPlan plan) {
  AppState& app = app_state();
  if (!sequence_.begin(static_cast<int>(plan.steps.size()))) return false;
  if (!runner_.start(std::move(plan), TransferPacing{Pacing::replies, 0}, program_target(app), app.record)) {
    sequence_.abort_begin();
    return false;
  }
  return true;
}

void DialogRepliesRun::cancel() {
  runner_.abandon();
  sequence_.cancel();
}

void DialogRepliesRun::transfer_step(int step) { sequence_.step(step); }

void DialogRepliesRun::transfer_box(const TransferBox& box, bool refusal) {
  // A refusal is the dialog's own box, shown as its 設定 button shows it;
  // the unit's answers are the link's boxes.
  show(refusal ? reporter() : static_cast<Reporter&>(reply_boxes()), box);
}

void DialogRepliesRun::transfer_done(const TransferOutcome& outcome) { sequence_.end(outcome); }

}  // namespace zanteq::win32
