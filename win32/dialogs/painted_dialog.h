// What the painted dialogs (auto-switch, titles, title position, video
// adjustment) share: their state object kept with the dialog window, and
// drawing a text into a panel static with the static's own device context.
#pragma once

#include <windows.h>

#include <string_view>

#include "core/bulk/timed_sequence.h"
#include "win32/bulk/replies_run.h"
#include "win32/dialogs/dialog_common.h"
#include "win32/dialogs/dialog_views.h"
#include "win32/resources/resource.h"
#include "core/dialogs/panel_repaint.h"
#include "core/dialogs/panel_texts.h"

namespace zanteq::win32 {

// The dialog's state object, created at WM_INITDIALOG and deleted at
// WM_NCDESTROY. nullptr for the few messages that come before WM_INITDIALOG.
template <typename State>
State* dialog_state(HWND dialog) {
  return reinterpret_cast<State*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

template <typename State>
State* attach_dialog_state(HWND dialog, State* state) {
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
  return state;
}

template <typename State>
void detach_dialog_state(HWND dialog) {
  delete dialog_state<State>(dialog);
  SetWindowLongPtrW(dialog, DWLP_USER, 0);
}

// A device context of a panel static, released when it goes out of scope.
// Texts are drawn opaque in the context's default colours, so a text drawn
// over an older one covers it. The points are those for 96 DPI; the painter
// scales them, and its font, to the DPI of the panel's monitor.
//
// The font is a TrueType face with Japanese glyphs on every Windows: the
// raster System font has none where the language for non-Unicode programs
// is not Japanese, and font linking does not reach it. "MS Gothic" where it
// is installed (its half-width and full-width cells are those of the
// Japanese System font the panels were laid out for), else the dialog's
// own face, which shows Japanese wherever the dialog's controls do.
class PanelPainter {
 public:
  PanelPainter(HWND dialog, int panel_id);
  ~PanelPainter();
  PanelPainter(const PanelPainter&) = delete;
  PanelPainter& operator=(const PanelPainter&) = delete;

  void draw_utf8(PanelPoint at, std::string_view text);
  // A whole line: the rest of the panel's width to the right of the text is
  // cleared as well, so a shorter text leaves nothing of a longer one.
  void draw_cp932_line(PanelPoint at, std::string_view text);
  // Blanks drawn over an earlier text; they cover at least as far as
  // `covered` reaches, also where a blank is narrower than the characters
  // of a proportional default font.
  void blank_out(PanelPoint at, std::string_view blanks, std::string_view covered);

 private:
  PanelPoint scaled(PanelPoint at) const { return scale_point(at, dpi_); }

  HWND panel_;
  HDC dc_;
  int dpi_;
  HFONT font_ = nullptr;
  HGDIOBJ old_font_ = nullptr;
};

// Validates the dialog without drawing: the panels are drawn by the
// dialog's timer once the statics have painted themselves.
void validate_dialog(HWND dialog);

// The state of a painted dialog whose timer serves only the repaint of its
// panel (auto-switch, title position).
class PanelDialog : public PanelView {
 public:
  PanelDialog(HWND dialog, UINT_PTR timer_id);

  void start_timer(int period_ms) override;
  void stop_timer() override;

  // What painted_dialog_message calls.
  void schedule_repaint(int delay_ms) { repaint.schedule(delay_ms); }
  void on_timer(UINT_PTR) { repaint.tick(); }
  void on_transfer_lines() {}
  void on_destroy() { stop_timer(); }

  PanelRepaint repaint;

 protected:
  HWND dialog_;

 private:
  UINT_PTR timer_id_;
};

// The state of a painted dialog whose timer also paces a run (titles, video
// adjustment): the repaint goes through the timed run, so it never ends the
// run nor upsets its pace. A run at the reply pace has a timer of its own
// (TIMER_TRANSFER) and leaves the dialog's timer to the repaint.
class SequencePanelDialog : public DialogSequenceView {
 public:
  SequencePanelDialog(HWND dialog, UINT_PTR timer_id, int progress_id, int percentage_id, const SequencePlan& plan)
      : DialogSequenceView(dialog, timer_id, progress_id, percentage_id), replies(dialog, *this, plan) {}

  virtual TimedSequence& run() = 0;

  // What painted_dialog_message calls.
  void schedule_repaint(int delay_ms) { run().schedule_repaint(delay_ms); }
  void on_timer(UINT_PTR timer_id) {
    if (timer_id == TIMER_TRANSFER)
      replies.on_timer();
    else
      run().tick();
  }
  void on_transfer_lines() { replies.on_lines(); }
  void on_destroy() {
    run().cancel();
    replies.cancel();
    stop_timer();
  }

  DialogRepliesRun replies;  // the run at the reply pace
};

// The message switch the painted dialogs share. `init` creates the dialog's
// State and attaches it to the window; WM_COMMAND goes to
// take_shared_command (slave address, Close, and Enter as `enter` says),
// then to `command`. A paint message validates the dialog and asks for the
// panel 20 ms later, after the static has painted itself; every timer tick goes to the State (panel
// repaint, and the step of a run where the dialog has one), and so do the
// lines of a run at the reply pace; WM_DESTROY lets
// the State give up its timer and a run still going; the State goes with
// the window.
template <typename State>
INT_PTR painted_dialog_message(HWND dialog, UINT message, WPARAM wparam, void (*init)(HWND),
                               BOOL (*command)(HWND, State&, int, int), EnterKey enter) {
  if (message == WM_INITDIALOG) {
    init(dialog);
    return TRUE;
  }
  State* state = dialog_state<State>(dialog);
  if (!state) return FALSE;
  switch (message) {
    case WM_COMMAND:
      if (take_shared_command(dialog, LOWORD(wparam), HIWORD(wparam), enter)) return TRUE;
      return command(dialog, *state, LOWORD(wparam), HIWORD(wparam));
    case WM_PAINT:
      validate_dialog(dialog);
      state->schedule_repaint(repaint_delay_ms);
      return TRUE;
    case WM_TIMER:
      state->on_timer(wparam);
      return TRUE;
    case message_transfer_lines:
      state->on_transfer_lines();
      return TRUE;
    case WM_DESTROY:
      state->on_destroy();
      return FALSE;
    case WM_NCDESTROY:
      detach_dialog_state<State>(dialog);
      return FALSE;
    default: return FALSE;
  }
}

}  // namespace zanteq::win32
