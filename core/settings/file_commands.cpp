// New, Open, Save, Save As and the save question at exit.
#include "core/settings/file_commands.h"

#include "core/settings/settings_file.h"

namespace zanteq {

const char* const new_question = "データを保存せずに新規作成しますか？";
const char* const open_question = "データを保存せずに別のファイルを開きますか？";
const char* const exit_question = "データを保存せずに終了しますか？";

namespace {

const char* const cannot_open_text = "Can't file open";
const char* const no_file_text = "Don't file open";

}  // namespace

std::string save_failed_text(const std::string& path) {
  return "設定ファイルを保存できませんでした。\n\n" + path +
         "\n\n保存先のファイルは書き換えていません。設定はまだ保存されていません。\n"
         "書き込み禁止、空き容量、USBメモリーやネットワークの接続を確認してください。";
}

std::string open_refused_text(const std::string& path, const SettingsFileFault& fault) {
  return "設定ファイルの内容が正しくないため、読み込みを中止しました。\n\n" + path + "\n\n" +
         std::to_string(fault.line) + "行目: " + fault.reason + "\n\n現在の設定は変わっていません。";
}

void FileCommands::file_new() {
  if (app_.link.sequence_step != 0) return;
  if (app_.data_modified && !platform_.ask_yes_no(new_question)) return;
  reset_settings(app_);
  platform_.show_file_name(app_.file_name);
}

void FileCommands::file_open() {
  if (app_.link.sequence_step != 0) return;
  if (app_.data_modified && !platform_.ask_yes_no(open_question)) return;

  const std::optional<std::string> path = platform_.choose_file(FileDialogMode::open);
  if (!path) return;
  const std::optional<std::string> content = platform_.read_file(*path);
  if (!content) {
    reporter_.show_warning_box(cannot_open_text);
    return;
  }
  if (const std::optional<SettingsFileFault> fault = read_settings_file(app_.record, *content)) {
    platform_.show_file_error(open_refused_text(*path, *fault));
    return;
  }
  app_.file_name = *path;
  app_.data_modified = 0;
  platform_.show_file_name(app_.file_name);
}

bool FileCommands::file_save() {
  if (app_.file_name.empty()) {
    reporter_.show_warning_box(no_file_text);
    return false;
  }
  return write_record(app_.file_name);
}

bool FileCommands::file_save_as() {
  const std::optional<std::string> chosen = platform_.choose_file(FileDialogMode::save);
  if (!chosen) return false;
  // The save dialog asked only about the name as typed; a file that the
  // appended extension lands on must not be replaced without a question.
  const std::string path = with_dat_extension(*chosen);
  if (path != *chosen && platform_.file_exists(path) && !platform_.confirm_replace(path)) {
    return false;
  }
  if (!write_record(path)) return false;
  app_.file_name = path;
  platform_.show_file_name(app_.file_name);
  return true;
}

bool FileCommands::write_record(const std::string& path) {
  const std::string bytes = format_settings_file(app_.record);
  if (!platform_.replace_file(path, bytes)) {
    platform_.show_file_error(save_failed_text(path));
    return false;
  }
  app_.data_modified = 0;
  return true;
}

bool FileCommands::confirm_exit() {
  if (!app_.data_modified) return true;
  if (platform_.ask_yes_no(exit_question)) return true;  // leave without saving
  return app_.file_name.empty() ? file_save_as() : file_save();
}

}  // namespace zanteq
