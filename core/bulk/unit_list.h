// The unit list (ユニット一覧): finding every unit on the line, then reading,
// writing and comparing many of them at once, and its site report. All of
// it but the window: the rows, the runs as a state machine over the
// transfer engine that does no I/O, the texts of every column and of the
// status line, which buttons are enabled, the files a run needs and the
// file names it makes.
//
// The list works on records of its own, one per unit. The program's record,
// its unsaved-changes mark, its file name and its slave address are never
// touched: a reply decodes only into the record of the unit it came from,
// and nothing of a run ever raises a box.
//
// Runs (each unit after the other, at the reply pace, never broadcast):
//  - scan: RS-485 "RVN" to 00..31 in order, 250 ms each, no retry; RS-232C
//    one "RVN" without address. Each address asked updates the list at once:
//    a unit that answered (anything, an error reply too) has its row, a
//    silent address has none. Rows of addresses that answer again keep what
//    earlier runs left in them.
//  - read: the 51 read-all commands into a fresh record of factory values;
//    then the front end saves it (UnitListAction::save) to the name chosen
//    with "-NN" before the extension (unit_file_path).
//  - write: the 50 set-all commands of a file loaded beforehand; no probe,
//    no read-back.
//  - compare: the 51 reads, then the core's record comparison with a file.
// Every command waits 1000 ms for its reply (the scan 250 ms); a unit that
// fails, answers GN or falls silent does not stop the others. A stop
// finishes the command on the wire first (its reply or its time-out); the
// unit's result then says where, and units not yet started keep what they
// showed.
//
// ---- Driving it from the Windows dialog ------------------------------------
// One UnitList lives as long as the dialog (DWLP_USER), on the interface
// thread; `now` is a steady clock in milliseconds (GetTickCount64).
//  - Start: 検索 calls scan(now, rs_control); 読み込み… asks the save dialog
//    for a name (with_dat_extension) and calls read(now, selected, path);
//    書き込み… and 比較… ask the open dialog, read the file whole and load it
//    with load_unit_list_file: a refusal is shown in a box
//    (unit_list_file_refused_text) before anything starts; otherwise
//    write() or compare(). `selected` is the list view's selected rows at
//    the moment of the click.
//  - Lines: the receiving thread cuts lines (LineAssembler) and posts each
//    complete line, as soon as its LF is in, to the dialog; the handler of
//    that message calls line(now, text). While no run goes, lines are
//    ignored here (and nobody else takes them: they are the list's).
//  - Time: one one-shot timer (SetTimer with the same id re-arms it) for
//    `wake_at`; its WM_TIMER kills it and calls wake(now).
//  - 中止 calls stop(now). A port that fails calls line_failed(now, why).
//  - After every call, carry out the action in this order: write `send`
//    through the serial port (dropping an unfinished input line first,
//    LineAssembler::command_sent); if `save` is set, write its bytes with
//    platform::replace_file and answer saved(now, ok, error) at once, whose
//    action is carried out in turn; re-arm the timer for `wake_at`, or kill
//    it when there is none; when `rows_changed`, refill the rows; then show
//    status_text() and the progress, and enable the buttons by buttons().
//    No box is shown while running() (the engine's "No Connect", error and
//    "Success" boxes are never raised here).
//  - While running(), every button but 中止 is disabled and IDCANCEL from
//    Escape or the title bar's close is ignored (buttons().close).
// Which texts go where:
//  - list view 1500 (report style, multiple selection), columns アドレス,
//    状態, 結果: for each of rows(), target.name(), state_text(), result;
//  - static 1509: status_text() ("03 に書き込み中 12/50", then the summary
//    "完了 2 台、失敗 1 台、中止 1 台");
//  - progress bar 1508: range 0..progress_range(), position
//    progress_position();
//  - 詳細… (and a double-click on a row that can_show_details) opens the
//    相違点 dialog: list view 1520, columns 項目, ユニット, ファイル, one line
//    per rows()[i].differences;
//  - 一覧表を保存… asks the save dialog for a .csv name and writes
//    site_report() with platform::replace_file.
//
// Threads: a UnitList belongs to the one thread that drives it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/dialogs/field_texts.h"
#include "core/link/address_list.h"
#include "core/link/transfer.h"
#include "core/settings/record.h"

namespace zanteq {

// ---- the file a write sends or a compare compares with ----------------------

enum class UnitListUse { write, compare };

// Why a settings file was not taken: its line 1..72 and the reason (UTF-8),
// which names the field.
struct UnitListFileRefusal {
  int line = 0;
  std::string reason;
};

// A settings file loaded for the unit list, beside the program's own record.
class UnitListFile {
 public:
  bool loaded() const { return record_ != nullptr; }
  UnitListUse use() const { return use_; }
  const DeviceSettings& record() const { return *record_; }
  // write: the 50 set-all steps built from the file, none of them refused.
  const TransferPlan& write_plan() const { return write_plan_; }

 private:
  friend std::optional<UnitListFileRefusal> load_unit_list_file(std::string_view content, UnitListUse use,
                                                                UnitListFile& file);
  std::shared_ptr<const DeviceSettings> record_;
  UnitListUse use_ = UnitListUse::compare;
  TransferPlan write_plan_;
};

// Loads a whole settings file as 開く does (every line checked before
// anything is taken), and for a write also refuses a file that set-all
// would refuse at a step (a hold time below 3 s, a title with no JIS form
// or of odd length): the first such line. `file` is replaced only when the
// file is taken.
std::optional<UnitListFileRefusal> load_unit_list_file(std::string_view content, UnitListUse use,
                                                       UnitListFile& file);

// The box of a refused file: what was not done, the file, its line and
// why, and that nothing was sent.
std::string unit_list_file_refused_text(const std::string& path, const UnitListFileRefusal& refusal,
                                        UnitListUse use);

// ---- file names ------------------------------------------------------------

// The file a read of `unit` goes to: `path` with "-NN" before the extension
// of its last component ("site.dat" → "site-03.dat", "site" → "site-03",
// "C:\jobs.2024\site" → "C:\jobs.2024\site-03"); on RS-232C `path` as given.
std::string unit_file_path(const std::string& path, const UnitTarget& unit);

// The last component of a path, after '/' or '\\'.
std::string file_name_of(const std::string& path);

// ---- rows -------------------------------------------------------------------

// One line of the 相違点 dialog (UTF-8, as the dialogs show the values).
struct UnitDifference {
  std::string item;  // "ビデオ映像の調整 Brightness ch.02"
  std::string unit;
  std::string file;
};

struct UnitRow {
  UnitTarget target;      // name(): "00".."31", "RS-232C"
  bool answering = true;  // false once a later run got no answer from it
  std::string result;     // the last run's result for this unit (UTF-8)
  // The last compare's differences; empty when it found none or failed.
  std::vector<UnitDifference> differences;
  // The unit's settings as last read (by a read or a compare) in this
  // dialog; nullptr until then.
  std::shared_ptr<const DeviceSettings> record;

  std::string state_text() const { return answering ? "応答あり" : "応答なし"; }
};

// ---- the runs ---------------------------------------------------------------

enum class UnitListRun { none, scan, read, write, compare };

// A read's record to be written whole or not at all; answer with saved().
struct UnitListSave {
  std::string path;   // as unit_file_path made it
  std::string bytes;  // the settings file
};

// What to do after a call; see the top of this file for the order.
struct UnitListAction {
  std::string send;  // framed bytes to write now
  std::optional<UnitListSave> save;
  bool rows_changed = false;  // a row came, went or changed its texts
  bool done = false;          // no run goes on (any more)
  // When to call wake(); nothing while a save is awaited or no run goes.
  std::optional<TransferTime> wake_at;
};

struct UnitListButtons {
  bool scan = false;
  bool select_all = false;
  bool read = false;
  bool write = false;
  bool compare = false;
  bool stop = false;
  bool save_report = false;
  bool details = false;
  bool close = false;  // Close, Escape and the title bar's close
};

class UnitList {
 public:
  explicit UnitList(Cp932ToUtf8 convert);

  // Starts a run; ignored (an empty action) while one goes on. `selected`
  // are indexes into rows(), taken now: a later change of the selection
  // changes nothing. Units are worked in row order.
  UnitListAction scan(TransferTime now, int rs_control);
  UnitListAction read(TransferTime now, const std::vector<int>& selected, const std::string& path);
  UnitListAction write(TransferTime now, const std::vector<int>& selected, const UnitListFile& file);
  UnitListAction compare(TransferTime now, const std::vector<int>& selected, const UnitListFile& file);

  // One complete line (ending in LF) from the line.
  UnitListAction line(TransferTime now, std::string_view line);
  // The time asked for has come.
  UnitListAction wake(TransferTime now);
  // 中止: the command on the wire is finished first.
  UnitListAction stop(TransferTime now);
  // The answer to UnitListAction::save: whether the file was written, and
  // the system's words when not.
  UnitListAction saved(TransferTime now, bool ok, std::string_view error);
  // The port failed: the unit being worked fails, the rest are not started.
  UnitListAction line_failed(TransferTime now, std::string_view why);

  bool running() const { return run_ != UnitListRun::none; }
  const std::vector<UnitRow>& rows() const { return rows_; }

  // What the run does now ("03 に書き込み中 12/50"), or the last run's
  // summary; empty before the first run.
  std::string status_text() const;
  // The progress bar: the steps of the whole run, and those done.
  int progress_range() const { return progress_range_; }
  int progress_position() const;

  UnitListButtons buttons(const std::vector<int>& selected) const;
  // Whether row `row`'s last compare found differences (詳細…, a double-click).
  bool can_show_details(int row) const;
  // The site report of every unit read or compared in this dialog (CSV
  // bytes); empty when there is none.
  std::string site_report() const;

 private:
  struct Unit {
    UnitTarget target;
    int row = -1;  // read, write, compare: the row worked
  };

  UnitListAction begin(TransferTime now, UnitListRun run, std::vector<Unit> units, TransferPlan plan);
  UnitListAction next_unit(TransferTime now, UnitListAction action);
  UnitListAction after(TransferTime now, const TransferAction& step);
  UnitListAction unit_finished(TransferTime now);
  UnitListAction waiting() const;
  void scanned(const UnitTarget& target, bool answered);
  void count(bool done_ok, bool differs = false);
  std::string summary() const;
  std::vector<Unit> selected_units(const std::vector<int>& selected) const;

  Cp932ToUtf8 convert_;
  std::vector<UnitRow> rows_;

  UnitListRun run_ = UnitListRun::none;
  std::vector<Unit> units_;
  std::size_t current_ = 0;  // index into units_ of the unit worked
  TransferPlan plan_;
  std::unique_ptr<Transfer> transfer_;
  std::unique_ptr<DeviceSettings> unit_record_;  // what the unit's replies decode into
  UnitListFile file_;
  std::string path_;  // read: the name chosen
  bool stop_asked_ = false;
  bool awaiting_save_ = false;
  std::string saving_path_;
  std::string port_failure_;

  int completed_ = 0;  // scan: units that answered
  int differing_ = 0;
  int failed_ = 0;
  int stopped_ = 0;
  int units_finished_ = 0;
  std::string summary_;
  int progress_range_ = 0;
};

}  // namespace zanteq
