// The one-shot repaint of a painted panel in the dialogs whose timer serves
// nothing else (auto-switch, title position).
//
// A dialog draws its panel into a static control, which paints itself
// white afterwards; so the drawing is put off to a short dialog timer after
// every paint message (and a longer one at opening), and the timer is
// stopped as soon as it has drawn. The title and video adjustment dialogs
// share their timer with a timed sequence and use TimedSequence's
// schedule_repaint instead.
//
// Interface thread only.
#pragma once

#include "core/settings/record.h"

namespace zanteq {

class PanelView {
 public:
  virtual ~PanelView() = default;
  virtual void start_timer(int period_ms) = 0;
  virtual void stop_timer() = 0;
  virtual void repaint_panel() = 0;
};

class PanelRepaint {
 public:
  PanelRepaint(UiState& ui, PanelView& view) : ui_(ui), view_(view) {}

  // At opening and on every paint message: draw the panel `delay_ms` later.
  void schedule(int delay_ms) {
    ui_.repaint_pending = 1;
    view_.start_timer(delay_ms);
  }

  // A tick of the dialog's timer. The timer runs only because a repaint was
  // asked for, so the panel is drawn even when `repaint_pending`, which all
  // painted dialogs share, was already taken by the owner dialog's timer
  // (the title dialog behind the title position dialog).
  void tick() {
    view_.repaint_panel();
    ui_.repaint_pending = 0;
    view_.stop_timer();
  }

 private:
  UiState& ui_;
  PanelView& view_;
};

}  // namespace zanteq
