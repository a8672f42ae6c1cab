// The command map. Every dialog is one row of dialog_commands: its menu
// item and toolbar button, its template and its dialog procedure (declared
// in dialogs/dialogs.h).
#include "win32/app/command_map.h"

#include <windows.h>

#include "core/app/app_shell.h"
#include "win32/app/app.h"
#include "win32/app/dialog_procs.h"
#include "win32/app/main_window.h"
#include "win32/bulk/bulk.h"
#include "win32/dialogs/dialogs.h"
#include "win32/log/log_window.h"
#include "win32/resources/resource.h"
#include "win32/settings/file_dialogs.h"

namespace zanteq::win32 {

namespace {

constexpr int no_command = -1;

struct DialogCommand {
  int menu_id;
  int toolbar_id;             // no_command when the dialog has no button
  int template_id;
  DLGPROC procedure;
  ShellDialog dialog;         // what its opening does to the corner-click count
};

const DialogCommand dialog_commands[] = {
    {IDM_ALARM, IDT_ALARM, IDD_ALARM, alarm_dialog_proc, ShellDialog::alarm},
    {IDM_VIDEO_LOSS, IDT_VIDEO_LOSS, IDD_VIDEO_LOSS, video_loss_dialog_proc, ShellDialog::video_loss},
    {IDM_DATE_TIME, IDT_DATE_TIME, IDD_DATE_TIME, date_time_dialog_proc, ShellDialog::date_time},
    {IDM_TITLE, IDT_TITLE, IDD_TITLE, title_dialog_proc, ShellDialog::title},
    {IDM_AUTO_SWITCH, IDT_AUTO_SWITCH, IDD_AUTO_SWITCH, auto_switch_dialog_proc, ShellDialog::auto_switch},
    {IDM_VIDEO_ADJUST, IDT_VIDEO_ADJUST, IDD_VIDEO_ADJUST, video_adjust_dialog_proc, ShellDialog::video_adjust},
    {IDM_DISPLAY_CHANNEL, IDT_DISPLAY_CHANNEL, IDD_DISPLAY_CHANNEL, display_channel_dialog_proc, ShellDialog::display_channel},
    {IDM_VIDEO_FORMAT, IDT_VIDEO_FORMAT, IDD_VIDEO_FORMAT, video_format_dialog_proc, ShellDialog::video_format},
    {IDM_AGC, IDT_AGC, IDD_AGC, agc_dialog_proc, ShellDialog::agc},
    {IDM_OTHER, IDT_OTHER, IDD_OTHER, other_dialog_proc, ShellDialog::other},
    {IDM_SET_ALL, no_command, IDD_SET_ALL, set_all_dialog_proc, ShellDialog::set_all},
    {IDM_READ_ALL, no_command, IDD_READ_ALL, read_all_dialog_proc, ShellDialog::read_all},
    {IDM_SLAVE_ADDRESS, no_command, IDD_SLAVE_ADDRESS, slave_address_dialog_proc, ShellDialog::slave_address},
    {IDM_UNIT_LIST, no_command, IDD_UNIT_LIST, unit_list_dialog_proc, ShellDialog::unit_list},
    {IDM_INTERFACE, no_command, IDD_INTERFACE, interface_dialog_proc, ShellDialog::interface_settings},
    {IDM_ABOUT, no_command, IDD_ABOUT, about_dialog_proc, ShellDialog::about},
};

void open_dialog(const DialogCommand& command) {
  note_dialog_opening(app_state().ui.corner_clicks, command.dialog);
  DialogBoxParamW(app_instance(), MAKEINTRESOURCEW(command.template_id), main_window(),
                  command.procedure, 0);
}

const DialogCommand* find_dialog(int command_id) {
  for (const DialogCommand& command : dialog_commands) {
    if (command.menu_id == command_id || command.toolbar_id == command_id) return &command;
  }
  return nullptr;
}

}  // namespace

void run_command(int command_id) {
  if (command_id == no_command) return;
  if (const DialogCommand* dialog = find_dialog(command_id)) {
    open_dialog(*dialog);
    return;
  }
  switch (command_id) {
    case IDM_EXIT:
      exit_application();
      break;
    case IDM_COMM_LOG:  // modeless: not a row of dialog_commands
      toggle_log_window();
      break;
    case IDM_FILE_NEW:
      file_commands().file_new();
      break;
    case IDM_FILE_OPEN:
      file_commands().file_open();
      break;
    case IDM_FILE_SAVE:
      file_commands().file_save();
      break;
    case IDM_FILE_SAVE_AS:
      file_commands().file_save_as();
      break;
    default:
      break;
  }
}

void open_read_all() { run_command(IDM_READ_ALL); }

}  // namespace zanteq::win32
