// The video adjustment dialog (template 140): brightness, contrast, hue,
// sharpness and saturation of each channel, a painted table of all twenty
// values, one 設定 per value of the channel shown, and 全設定 sending all
// twenty, each as soon as the one before is answered (or one every 100 ms
// at the old pace). The table and the timed sequence share timer 12 (the
// sequence engine separates the two uses).
#include <windows.h>
#include <commctrl.h>

#include "win32/app/app.h"
#include "core/bulk/panel_sequences.h"
#include "core/bulk/replies_sequence.h"
#include "core/bulk/transfer_plans.h"
#include "core/dialogs/command_fields.h"
#include "win32/dialogs/dialog_common.h"
#include "win32/dialogs/dialogs.h"
#include "win32/dialogs/painted_dialog.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

namespace {

constexpr int opening_delay_ms = 100;

// Value combos in the rows of the table.
constexpr int value_combos[picture_value_count] = {IDC_VADJ_BRIGHTNESS, IDC_VADJ_CONTRAST, IDC_VADJ_HUE,
                                                   IDC_VADJ_SHARPNESS, IDC_VADJ_SATURATION};

PictureValue picture_value(int row) { return static_cast<PictureValue>(row); }

class VideoAdjustDialog : public SequencePanelDialog {
 public:
  explicit VideoAdjustDialog(HWND dialog)
      : SequencePanelDialog(dialog, TIMER_VIDEO_ADJUST, IDC_VADJ_PROGRESS, no_percentage, video_adjust_plan) {}

  void repaint_panel() override;
  TimedSequence& run() override { return sequence; }

  TimedSequence sequence = video_adjust_sequence(operations(), *this);
};

void VideoAdjustDialog::repaint_panel() {
  const DeviceSettings& r = app_state().record;
  PanelPainter painter(dialog_, IDC_VADJ_TABLE);
  for (int ch = 0; ch < channel_count; ++ch) painter.draw_utf8(video_column_head_position(ch), video_column_heads[ch]);
  for (int row = 0; row < picture_value_count; ++row) {
    painter.draw_utf8(video_row_head_position(row), video_row_heads[row]);
    for (int ch = 0; ch < channel_count; ++ch) {
      const PictureValue value = picture_value(row);
      painter.draw_utf8(video_cell_position(ch, row), picture_cell(value, picture_index(r, value, ch)));
    }
  }
}

void show_channel_values(HWND dialog) {
  const AppState& app = app_state();
  for (int row = 0; row < picture_value_count; ++row)
    select_combo_entry(dialog, value_combos[row],
                       picture_index(app.record, picture_value(row), app.ui.current_channel));
}

void on_init(HWND dialog) {
  auto* state = attach_dialog_state(dialog, new VideoAdjustDialog(dialog));
  for (int ch = 0; ch < channel_count; ++ch) insert_combo_entry(dialog, IDC_VADJ_CHANNEL, ch, channel_entries[ch]);
  init_slave_address_combo(dialog);
  for (int row = 0; row < picture_value_count; ++row) {
    const PictureValue value = picture_value(row);
    for (int i = 0; i < picture_entry_count(value); ++i)
      insert_combo_entry(dialog, value_combos[row], i, picture_entry(value, i).c_str());
  }

  show_channel_values(dialog);
  select_combo_entry(dialog, IDC_VADJ_CHANNEL, dialog_channel(app_state().ui.current_channel));
  apply_caption_rule(dialog, "ビデオ映像の調整 ");
  state->sequence.schedule_repaint(opening_delay_ms);
  SendDlgItemMessageW(dialog, IDC_VADJ_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, video_adjust_step_count));
  SendDlgItemMessageW(dialog, IDC_VADJ_PROGRESS, PBM_SETSTEP, 1, 0);
}

void on_value(HWND dialog, VideoAdjustDialog& state, int row) {
  AppState& app = app_state();
  store_combo_selection(dialog, value_combos[row],
                        picture_field(app.record, picture_value(row), app.ui.current_channel));
  state.repaint_panel();
}

void on_channel(HWND dialog, VideoAdjustDialog& state) {
  const int selection = combo_selection(dialog, IDC_VADJ_CHANNEL);
  if (selection >= 0) app_state().ui.current_channel = selection;
  state.repaint_panel();
  show_channel_values(dialog);
}

void start_set_all(HWND dialog, VideoAdjustDialog& state) {
  if (app_state().link.sequence_step != 0) return;
  // A new run starts its bar from nothing, also after a run that was
  // stopped half-way and left its bar standing.
  SendDlgItemMessageW(dialog, IDC_VADJ_PROGRESS, PBM_SETPOS, 0, 0);
  if (runs_at_reply_pace(app_state()))
    state.replies.start(video_adjust_transfer_plan(app_state()));
  else
    state.sequence.start();
}

int row_of_combo(int id) {
  for (int row = 0; row < picture_value_count; ++row)
    if (value_combos[row] == id) return row;
  return -1;
}

void send_value(int id) {
  Operations& ops = operations();
  const int ch = app_state().ui.current_channel;
  switch (id) {
    case IDC_VADJ_BRIGHTNESS_SET: ops.send_brightness(ch); break;
    case IDC_VADJ_CONTRAST_SET: ops.send_contrast(ch); break;
    case IDC_VADJ_HUE_SET: ops.send_hue(ch); break;
    case IDC_VADJ_SHARPNESS_SET: ops.send_sharpness(ch); break;
    case IDC_VADJ_SATURATION_SET: ops.send_saturation(ch); break;
    default: break;
  }
}

BOOL on_command(HWND dialog, VideoAdjustDialog& state, int id, int code) {
  const bool selected = code == CBN_SELCHANGE;
  if (const int row = row_of_combo(id); row >= 0) {
    if (selected) on_value(dialog, state, row);
    return TRUE;
  }
  switch (id) {
    case IDC_VADJ_CHANNEL: if (selected) on_channel(dialog, state); break;
    case IDC_VADJ_BRIGHTNESS_SET:
    case IDC_VADJ_CONTRAST_SET:
    case IDC_VADJ_HUE_SET:
    case IDC_VADJ_SHARPNESS_SET:
    case IDC_VADJ_SATURATION_SET: send_value(id); break;
    case IDC_VADJ_SET_ALL: start_set_all(dialog, state); break;
    default: return FALSE;
  }
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK video_adjust_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return painted_dialog_message<VideoAdjustDialog>(dialog, message, wparam, on_init, on_command, EnterKey::closes);
}

}  // namespace zanteq::win32
