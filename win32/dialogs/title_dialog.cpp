// The title dialog (template 136): the title of each channel, sent as JIS
// X 0208 hex for one channel (設定 / 設定Don't) or for all four in a 200 ms
// sequence (全設定 / 全設定Don't; each title as soon as the one before is
// answered, or one every 200 ms at the old pace), the title display
// switches of the single and the split screen, and the hidden way into the
// title position dialog.
//
// The edit works in UTF-16 while the record holds code page 932; the text
// is converted at this edge and kept within the title's 20 bytes here. The
// preview of the four titles and the set-all sequence share timer 10 (the
// sequence engine separates the two uses).
#include <windows.h>
#include <commctrl.h>
#include <imm.h>

#include <string>

#include "win32/app/app.h"
#include "core/bulk/panel_sequences.h"
#include "core/bulk/replies_sequence.h"
#include "core/bulk/transfer_plans.h"
#include "core/dialogs/combo_entries.h"
#include "core/dialogs/command_fields.h"
#include "win32/dialogs/dialog_common.h"
#include "win32/dialogs/dialogs.h"
#include "win32/dialogs/painted_dialog.h"
#include "core/dialogs/title.h"
#include "core/dialogs/title_edit.h"
#include "platform/windows/text_conversion.h"
#include "win32/resources/resource.h"

namespace zanteq::win32 {

using platform::cp932_to_wide;
using platform::wide_to_cp932;

namespace {

constexpr int opening_delay_ms = 500;
constexpr int edit_char_limit = 20;

class TitleDialog : public SequencePanelDialog {
 public:
  explicit TitleDialog(HWND dialog)
      : SequencePanelDialog(dialog, TIMER_TITLE, IDC_TITLE_PROGRESS, IDC_TITLE_PERCENT, title_sequence_plan) {}

  void repaint_panel() override;
  TimedSequence& run() override { return sequence; }
  // The dialog ends only once no run is going (Close waits for it): the
  // edit's text as last accepted stays the channel's title.
  void on_destroy();

  TitleSequence sequence{operations(), *this};
  // The edit's text as last accepted, to tell what an edit inserted.
  std::wstring accepted;
  // Set while the dialog itself writes the edit: such a change is no edit
  // of the user's.
  bool filling_edit = false;
};

int dialog_channel_now() { return dialog_channel(app_state().ui.current_channel); }

void TitleDialog::repaint_panel() {
  const DeviceSettings& r = app_state().record;
  PanelPainter painter(dialog_, IDC_TITLE_PREVIEW);
  for (int ch = 0; ch < channel_count; ++ch) {
    painter.draw_utf8(title_preview_position(ch), title_preview_blank);
    painter.draw_cp932_line(title_preview_position(ch), title_preview_line(ch, r.title[ch].str()));
  }
}

void TitleDialog::on_destroy() {
  apply_user_title(app_state(), wide_to_cp932(accepted));
  SequencePanelDialog::on_destroy();
}

std::wstring edit_text(HWND dialog) {
  const HWND edit = GetDlgItem(dialog, IDC_TITLE_EDIT);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
  return text;
}

void write_edit(HWND dialog, TitleDialog& state, const std::wstring& text) {
  state.filling_edit = true;
  SetDlgItemTextW(dialog, IDC_TITLE_EDIT, text.c_str());
  state.filling_edit = false;
  state.accepted = text;
}

// The current channel's title into the edit. Storing it back only fills it
// up with full-width blanks; that is no change of the user's.
void show_channel_title(HWND dialog, TitleDialog& state) {
  AppState& app = app_state();
  write_edit(dialog, state, cp932_to_wide(app.record.title[dialog_channel_now()].str()));
  store_title(app, wide_to_cp932(state.accepted));
  state.repaint_panel();
}

std::size_t cp932_char_bytes(std::u16string_view character) {
  const std::wstring wide(character.begin(), character.end());
  char bytes[8];
  BOOL used_default = FALSE;
  const int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                    bytes, sizeof bytes, nullptr, &used_default);
  return n > 0 && !used_default ? static_cast<std::size_t>(n) : 0;
}

// A change the user made: keep the edit within what a title holds, then the
// text becomes the channel's title.
void on_edit_change(HWND dialog, TitleDialog& state) {
  if (state.filling_edit) return;
  const std::wstring text = edit_text(dialog);
  const FittedTitleEdit fitted =
      fit_title_edit(std::u16string(state.accepted.begin(), state.accepted.end()),
                     std::u16string(text.begin(), text.end()), cp932_char_bytes, title_bytes);
  if (fitted.changed) {
    write_edit(dialog, state, std::wstring(fitted.text.begin(), fitted.text.end()));
    SendDlgItemMessageW(dialog, IDC_TITLE_EDIT, EM_SETSEL, fitted.caret, fitted.caret);
    MessageBeep(MB_OK);
  } else {
    state.accepted = text;
  }
  apply_user_title(app_state(), wide_to_cp932(state.accepted));
  state.repaint_panel();
}

void on_edit_command(HWND dialog, TitleDialog& state, int code) {
  if (code == EN_CHANGE) on_edit_change(dialog, state);
}

// Japanese input on, so the operator can type the title in kana and kanji.
void open_input_method(HWND dialog) {
  const HWND edit = GetDlgItem(dialog, IDC_TITLE_EDIT);
  if (const HIMC context = ImmGetContext(edit)) {
    ImmSetOpenStatus(context, TRUE);
    ImmReleaseContext(edit, context);
  }
}

void on_init(HWND dialog) {
  AppState& app = app_state();
  auto* state = attach_dialog_state(dialog, new TitleDialog(dialog));
  init_slave_address_combo(dialog);
  for (int ch = 0; ch < channel_count; ++ch) insert_combo_entry(dialog, IDC_TITLE_CHANNEL, ch, channel_entries[ch]);
  insert_combo_entries(dialog, IDC_TITLE_DISPLAY_SINGLE, off_on_entries);
  insert_combo_entries(dialog, IDC_TITLE_DISPLAY_SPLIT, off_on_entries);

  select_combo_entry(dialog, IDC_TITLE_CHANNEL, dialog_channel_now());
  SendDlgItemMessageW(dialog, IDC_TITLE_EDIT, EM_LIMITTEXT, edit_char_limit, 0);
  show_channel_title(dialog, *state);
  select_combo_entry(dialog, IDC_TITLE_DISPLAY_SINGLE, app.record.title_display_single);
  select_combo_entry(dialog, IDC_TITLE_DISPLAY_SPLIT, app.record.title_display_split);
  apply_caption_rule(dialog, "タイトル ");
  open_input_method(dialog);

  SendDlgItemMessageW(dialog, IDC_TITLE_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, title_sequence_step_count));
  SendDlgItemMessageW(dialog, IDC_TITLE_PROGRESS, PBM_SETSTEP, 1, 0);
  state->sequence.schedule_repaint(opening_delay_ms);
}

void on_channel(HWND dialog, TitleDialog& state) {
  const int selection = combo_selection(dialog, IDC_TITLE_CHANNEL);
  if (selection >= 0) app_state().ui.current_channel = selection;
  select_combo_entry(dialog, IDC_TITLE_CHANNEL, dialog_channel_now());
  show_channel_title(dialog, state);
}

void start_set_all(HWND dialog, TitleDialog& state, bool dont_memory) {
  if (app_state().link.sequence_step != 0) return;
  // A new run starts its bar from nothing, also after a run that was
  // stopped half-way and left its bar standing.
  SendDlgItemMessageW(dialog, IDC_TITLE_PROGRESS, PBM_SETPOS, 0, 0);
  if (runs_at_reply_pace(app_state()))
    state.replies.start(title_transfer_plan(app_state(), dont_memory));
  else
    state.sequence.start(dont_memory);
}

// The title position dialog changes the shared channel; this dialog then
// shows and edits that channel, so typing never lands in another channel's
// title than the one the combo shows.
void open_title_position(HWND dialog, TitleDialog& state) {
  DialogBoxParamW(app_instance(), MAKEINTRESOURCEW(IDD_TITLE_POSITION), dialog, title_position_dialog_proc, 0);
  select_combo_entry(dialog, IDC_TITLE_CHANNEL, dialog_channel_now());
  show_channel_title(dialog, state);
}

BOOL on_command(HWND dialog, TitleDialog& state, int id, int code) {
  DeviceSettings& r = app_state().record;
  Operations& ops = operations();
  const bool selected = code == CBN_SELCHANGE;
  switch (id) {
    case IDC_TITLE_CHANNEL: if (selected) on_channel(dialog, state); break;
    case IDC_TITLE_EDIT: on_edit_command(dialog, state, code); break;
    case IDC_TITLE_DISPLAY_SINGLE: if (selected) store_combo_selection(dialog, id, r.title_display_single); break;
    case IDC_TITLE_DISPLAY_SPLIT: if (selected) store_combo_selection(dialog, id, r.title_display_split); break;
    case IDC_TITLE_SET: ops.send_title_checked(app_state().ui.current_channel, false); break;
    case IDC_TITLE_SET_DONT: ops.send_title_checked(app_state().ui.current_channel, true); break;
    case IDC_TITLE_SET_ALL: start_set_all(dialog, state, false); break;
    case IDC_TITLE_SET_ALL_DONT: start_set_all(dialog, state, true); break;
    case IDC_TITLE_DISPLAY_SINGLE_SET: ops.send_title_display_single(); break;
    case IDC_TITLE_DISPLAY_SPLIT_SET: ops.send_title_display_split(); break;
    case IDC_TITLE_POSITION: open_title_position(dialog, state); break;
    default: return FALSE;  // id 1 (Enter) included: this dialog ends only on Close
  }
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK title_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return painted_dialog_message<TitleDialog>(dialog, message, wparam, on_init, on_command, EnterKey::stays);
}

}  // namespace zanteq::win32
