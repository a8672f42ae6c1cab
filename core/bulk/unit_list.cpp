// The unit list's runs over the transfer engine, its rows and its files.
#include "core/bulk/unit_list.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "core/bulk/read_all.h"
#include "core/bulk/set_all.h"
#include "core/bulk/site_report.h"
#include "core/bulk/transfer_plans.h"
#include "core/settings/record_compare.h"
#include "core/settings/settings_fields.h"
#include "core/settings/settings_file.h"

namespace zanteq {

// ---- files ------------------------------------------------------------------

std::optional<UnitListFileRefusal> load_unit_list_file(std::string_view content, UnitListUse use,
                                                       UnitListFile& file) {
  auto record = std::make_shared<DeviceSettings>();
  reset_record(*record);
  if (const std::optional<SettingsFileFault> fault = read_settings_file(*record, content))
    return UnitListFileRefusal{fault->line, fault->reason};

  TransferPlan plan;
  if (use == UnitListUse::write) {
    // The set-all operations work on an AppState: one of its own, thrown away.
    AppState app;
    reset_settings(app);
    read_settings_file(app.record, content);
    plan = set_all_transfer_plan(app);
    for (const TransferStep& step : plan.steps) {
      if (!step.refusal) continue;
      return UnitListFileRefusal{step.file_line,
                                 settings_file_line_label(step.file_line) + ": " + step.refusal->text};
    }
  }
  file.record_ = std::move(record);
  file.use_ = use;
  file.write_plan_ = std::move(plan);
  return std::nullopt;
}

std::string unit_list_file_refused_text(const std::string& path, const UnitListFileRefusal& refusal,
                                        UnitListUse use) {
  const char* what = use == UnitListUse::write ? "書き込み" : "比較";
  return std::string("この設定ファイルでは") + what + "できないため、中止しました。\n\n" + path + "\n\n" +
         std::to_string(refusal.line) + "行目: " + refusal.reason + "\n\nどのユニットにも何も送っていません。";
}

// ---- file names ---------------------------------------------------------------

namespace {

std::size_t name_start(const std::string& path) {
  const std::size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? 0 : separator + 1;
}

}  // namespace

std::string file_name_of(const std::string& path) { return path.substr(name_start(path)); }

std::string unit_file_path(const std::string& path, const UnitTarget& unit) {
  if (unit.rs_control == 0) return path;
  const std::size_t start = name_start(path);
  std::size_t dot = path.find_last_of('.');
  // A dot in a folder's name, or the one that begins a name (".dat"), does
  // not begin an extension.
  if (dot == std::string::npos || dot <= start) dot = path.size();
  return path.substr(0, dot) + "-" + unit.name() + path.substr(dot);
}

// ---- results --------------------------------------------------------------------

namespace {

// A command for a result, its value left out: "VAB03…", "ADT…", "RVAB03".
// The name is its leading letters; a step of one channel of a per-channel
// field adds the channel's two digits.
std::string short_command(const TransferStep& step) {
  std::string command = printable_line(step.command);
  std::size_t keep = 0;
  while (keep < command.size() && std::isupper(static_cast<unsigned char>(command[keep]))) ++keep;
  const SettingsLine at = settings_line(step.file_line);
  if (at.field && at.field->count > 1 && step.file_line_count == 1) keep = std::min(keep + 2, command.size());
  return keep < command.size() ? command.substr(0, keep) + "…" : command;
}

std::string where(const TransferOutcome& outcome, int step) {
  return std::to_string(step) + "/" + std::to_string(outcome.step_count);
}

// The result of a unit whose run did not complete.
std::string failure_text(const Transfer& transfer) {
  const TransferOutcome& o = transfer.outcome();
  const auto step_text = [&] {
    return where(o, o.end_step) + " " + short_command(transfer.plan().steps[static_cast<std::size_t>(o.end_step - 1)]);
  };
  switch (o.end) {
    case TransferEnd::unit_error:
      return o.reply_text + " (" + step_text() + ")";
    case TransferEnd::silent:
      return "応答なし (" + where(o, o.end_step) + ")";
    case TransferEnd::stopped:
      return "中止 (" + where(o, o.steps_done) + ")";
    case TransferEnd::line_failed:
      return "ポートの障害 (" + where(o, o.end_step) + ")";
    case TransferEnd::refused:
    case TransferEnd::not_sent:
      return o.end_step > 0 ? "送信できません (" + step_text() + ")" : "送信できません";
    case TransferEnd::completed:
      break;
  }
  return {};
}

// Steps answered, but not as they must be: "GN 2 件", "不正な応答 1 件";
// empty when every step was.
std::string bad_answers(const TransferOutcome& outcome) {
  int gn = 0, other = 0;
  for (const StepReport& step : outcome.steps) {
    if (step.state != StepReport::answered || step.as_expected) continue;
    ++(step.reply_class == ReplyClass::not_applied ? gn : other);
  }
  std::string text;
  if (gn > 0) text = "GN " + std::to_string(gn) + " 件";
  if (other > 0) text += (text.empty() ? "" : "、") + std::string("不正な応答 ") + std::to_string(other) + " 件";
  return text;
}

bool same_unit(const UnitTarget& a, const UnitTarget& b) {
  return (a.rs_control == 0) == (b.rs_control == 0) && (a.rs_control == 0 || a.address == b.address);
}

bool before(const UnitTarget& a, const UnitTarget& b) { return a.address < b.address; }

}  // namespace

// ---- the runs -------------------------------------------------------------------

UnitList::UnitList(Cp932ToUtf8 convert) : convert_(std::move(convert)) {}

std::vector<UnitList::Unit> UnitList::selected_units(const std::vector<int>& selected) const {
  std::vector<int> rows;
  for (const int row : selected)
    if (row >= 0 && row < static_cast<int>(rows_.size())) rows.push_back(row);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::vector<Unit> units;
  for (const int row : rows) units.push_back({rows_[static_cast<std::size_t>(row)].target, row});
  return units;
}

UnitListAction UnitList::scan(TransferTime now, int rs_control) {
  if (running()) return waiting();
  std::vector<Unit> units;
  if (rs_control == 0) {
    units.push_back({UnitTarget{0, 0}});
  } else {
    for (const int address : every_address()) units.push_back({UnitTarget{1, address}});
  }
  // Rows found on the other interface are not on this line.
  rows_.erase(std::remove_if(rows_.begin(), rows_.end(),
                             [&](const UnitRow& row) { return (row.target.rs_control == 0) != (rs_control == 0); }),
              rows_.end());
  UnitListAction action = begin(now, UnitListRun::scan, std::move(units), scan_transfer_plan());
  action.rows_changed = true;
  return action;
}

UnitListAction UnitList::read(TransferTime now, const std::vector<int>& selected, const std::string& path) {
  if (running()) return waiting();
  path_ = path;
  return begin(now, UnitListRun::read, selected_units(selected), read_all_transfer_plan());
}

UnitListAction UnitList::write(TransferTime now, const std::vector<int>& selected, const UnitListFile& file) {
  if (running()) return waiting();
  if (!file.loaded() || file.use() != UnitListUse::write) return waiting();
  file_ = file;
  return begin(now, UnitListRun::write, selected_units(selected), file.write_plan());
}

UnitListAction UnitList::compare(TransferTime now, const std::vector<int>& selected, const UnitListFile& file) {
  if (running()) return waiting();
  if (!file.loaded()) return waiting();
  file_ = file;
  return begin(now, UnitListRun::compare, selected_units(selected), read_all_transfer_plan());
}

UnitListAction UnitList::begin(TransferTime now, UnitListRun run, std::vector<Unit> units, TransferPlan plan) {
  UnitListAction action;
  action.done = true;
  if (units.empty()) return action;
  run_ = run;
  units_ = std::move(units);
  plan_ = std::move(plan);
  current_ = 0;
  transfer_.reset();
  stop_asked_ = awaiting_save_ = false;
  port_failure_.clear();
  completed_ = differing_ = failed_ = stopped_ = units_finished_ = 0;
  summary_.clear();
  progress_range_ = static_cast<int>(units_.size() * plan_.steps.size());
  action.done = false;
  return next_unit(now, action);
}

// Starts the next unit, or ends the run when none is left (or a stop or a
// failed port ends it). `action` carries what the caller must still do.
UnitListAction UnitList::next_unit(TransferTime now, UnitListAction action) {
  if (transfer_) ++current_;
  if (stop_asked_ || !port_failure_.empty() || current_ >= units_.size()) {
    summary_ = summary();
    run_ = UnitListRun::none;
    transfer_.reset();
    action.done = true;
    action.rows_changed = true;
    action.wake_at.reset();
    return action;
  }
  const Unit& unit = units_[current_];
  unit_record_ = std::make_unique<DeviceSettings>();
  reset_record(*unit_record_);
  transfer_ = std::make_unique<Transfer>(plan_, TransferPacing{Pacing::replies, 0});
  const TransferAction started = transfer_->start(now, {unit.target.rs_control, unit.target.address});
  UnitListAction next = after(now, started);
  next.rows_changed = next.rows_changed || action.rows_changed;
  return next;
}

UnitListAction UnitList::after(TransferTime now, const TransferAction& step) {
  if (step.done) return unit_finished(now);
  UnitListAction action;
  action.send = step.send;
  action.wake_at = step.wake_at;
  return action;
}

void UnitList::scanned(const UnitTarget& target, bool answered) {
  const auto found = std::find_if(rows_.begin(), rows_.end(), [&](const UnitRow& r) { return same_unit(r.target, target); });
  if (!answered) {
    if (found != rows_.end()) rows_.erase(found);
    return;
  }
  ++completed_;
  if (found != rows_.end()) {
    found->answering = true;
    return;
  }
  UnitRow row;
  row.target = target;
  rows_.insert(std::upper_bound(rows_.begin(), rows_.end(), row,
                                [](const UnitRow& a, const UnitRow& b) { return before(a.target, b.target); }),
               std::move(row));
}

// The unit's transfer is over: its row takes the result, and the next unit
// goes on (a read's file is saved first).
UnitListAction UnitList::unit_finished(TransferTime now) {
  const Unit& unit = units_[current_];
  const TransferOutcome& outcome = transfer_->outcome();
  ++units_finished_;
  if (outcome.end == TransferEnd::stopped) stop_asked_ = true;
  if (outcome.end == TransferEnd::line_failed) port_failure_ = outcome.message;

  UnitListAction action;
  action.rows_changed = true;
  if (run_ == UnitListRun::scan) {
    const StepReport::State state = outcome.steps.front().state;
    if (state == StepReport::answered)
      scanned(unit.target, true);
    else if (state == StepReport::unanswered)
      scanned(unit.target, false);
    return next_unit(now, action);
  }

  UnitRow& row = rows_[static_cast<std::size_t>(unit.row)];
  // 状態 follows the last command sent: answered, or not within its time
  // (a failed port says nothing about the unit).
  if (const int last = transfer_->step(); last > 0) {
    const StepReport::State state = outcome.steps[static_cast<std::size_t>(last - 1)].state;
    if (state == StepReport::answered) row.answering = true;
    if (state == StepReport::unanswered) row.answering = false;
  }
  if (run_ == UnitListRun::compare) row.differences.clear();

  // A stop while the last command was on the wire ends the run, not this
  // unit's work: every step was answered.
  const bool all_answered = outcome.end == TransferEnd::completed ||
                            (outcome.end == TransferEnd::stopped && outcome.steps_done == outcome.step_count);
  if (!all_answered) {
    row.result = failure_text(*transfer_);
    if (outcome.end == TransferEnd::stopped)
      ++stopped_;
    else
      ++failed_;
    return next_unit(now, action);
  }
  if (const std::string bad = bad_answers(outcome); !bad.empty()) {
    row.result = bad;
    ++failed_;
    return next_unit(now, action);
  }

  switch (run_) {
    case UnitListRun::write:
      row.result = "完了";
      ++completed_;
      break;
    case UnitListRun::read:
      awaiting_save_ = true;
      saving_path_ = unit_file_path(path_, unit.target);
      action.save = UnitListSave{saving_path_, format_settings_file(*unit_record_)};
      return action;
    case UnitListRun::compare: {
      for (const FieldDifference& d : compare_records(*unit_record_, file_.record()))
        row.differences.push_back({settings_file_line_label(d.line), shown_setting(*unit_record_, d.line, convert_),
                                   shown_setting(file_.record(), d.line, convert_)});
      row.result = row.differences.empty() ? "一致" : "相違 " + std::to_string(row.differences.size()) + " 項目";
      row.record = std::move(unit_record_);
      if (row.differences.empty())
        ++completed_;
      else
        ++differing_;
      break;
    }
    case UnitListRun::scan:
    case UnitListRun::none:
      break;
  }
  return next_unit(now, action);
}

UnitListAction UnitList::saved(TransferTime now, bool ok, std::string_view error) {
  if (!awaiting_save_) return waiting();
  awaiting_save_ = false;
  UnitRow& row = rows_[static_cast<std::size_t>(units_[current_].row)];
  // The unit was read either way; only its file may be missing.
  row.record = std::move(unit_record_);
  if (ok) {
    row.result = "完了 " + file_name_of(saving_path_);
    ++completed_;
  } else {
    row.result = "保存できません (" + std::string(error) + ")";
    ++failed_;
  }
  UnitListAction action;
  action.rows_changed = true;
  return next_unit(now, action);
}

UnitListAction UnitList::line(TransferTime now, std::string_view text) {
  if (!running() || awaiting_save_ || !transfer_) return waiting();
  return after(now, transfer_->line(now, text, *unit_record_));
}

UnitListAction UnitList::wake(TransferTime now) {
  if (!running() || awaiting_save_ || !transfer_) return waiting();
  return after(now, transfer_->wake(now));
}

UnitListAction UnitList::stop(TransferTime now) {
  if (!running()) return waiting();
  stop_asked_ = true;
  if (awaiting_save_ || !transfer_) return waiting();
  return after(now, transfer_->stop(now));
}

UnitListAction UnitList::line_failed(TransferTime now, std::string_view why) {
  if (!running()) return waiting();
  if (awaiting_save_ || !transfer_) {
    port_failure_ = std::string(why);
    return waiting();
  }
  return after(now, transfer_->line_failed(now, why));
}

UnitListAction UnitList::waiting() const {
  UnitListAction action;
  action.done = !running();
  if (running() && !awaiting_save_ && transfer_) action.wake_at = transfer_->wake_at();
  return action;
}

// ---- what the dialog shows -------------------------------------------------------

std::string UnitList::summary() const {
  const int not_started = static_cast<int>(units_.size()) - units_finished_;
  std::string text;
  if (run_ == UnitListRun::scan) {
    text = completed_ > 0 ? "応答あり " + std::to_string(completed_) + " 台" : "応答なし";
    if (not_started > 0 && port_failure_.empty()) text = "中止 (" + std::to_string(units_finished_) + "/" +
                                            std::to_string(units_.size()) + ")、" + text;
  } else {
    auto part = [&](const char* name, int n) { return std::string(name) + " " + std::to_string(n) + " 台"; };
    text = run_ == UnitListRun::compare ? part("一致", completed_) + "、" + part("相違", differing_)
                                        : part("完了", completed_);
    text += "、" + part("失敗", failed_);
    if (stopped_ > 0) text += "、" + part("中止", stopped_);
    if (not_started > 0) text += "、" + part("未実行", not_started);
  }
  if (!port_failure_.empty()) text += "（ポートの障害: " + port_failure_ + "）";
  return text;
}

std::string UnitList::status_text() const {
  if (!running()) return summary_;
  const UnitTarget& target = units_[current_].target;
  if (awaiting_save_) return target.name() + " を保存中";
  const int step = transfer_ ? std::max(transfer_->step(), 1) : 1;
  const std::string of = "/" + std::to_string(plan_.steps.size());
  switch (run_) {
    case UnitListRun::scan:
      return target.name() + " を検索中 " + std::to_string(current_ + 1) + "/" + std::to_string(units_.size());
    case UnitListRun::read: return target.name() + " を読み込み中 " + std::to_string(step) + of;
    case UnitListRun::write: return target.name() + " に書き込み中 " + std::to_string(step) + of;
    case UnitListRun::compare: return target.name() + " と比較中 " + std::to_string(step) + of;
    case UnitListRun::none: break;
  }
  return {};
}

int UnitList::progress_position() const {
  const int per_unit = static_cast<int>(plan_.steps.size());
  int position = units_finished_ * per_unit;
  if (running() && transfer_ && !transfer_->done()) position += transfer_->outcome().steps_done;
  return std::min(position, progress_range_);
}

bool UnitList::can_show_details(int row) const {
  return row >= 0 && row < static_cast<int>(rows_.size()) && !rows_[static_cast<std::size_t>(row)].differences.empty();
}

UnitListButtons UnitList::buttons(const std::vector<int>& selected) const {
  UnitListButtons b;
  if (running()) {
    b.stop = true;
    return b;
  }
  const int chosen = static_cast<int>(selected_units(selected).size());
  b.scan = true;
  b.select_all = !rows_.empty();
  b.read = b.write = b.compare = chosen > 0;
  b.details = chosen == 1 && can_show_details(selected_units(selected).front().row);
  b.save_report = std::any_of(rows_.begin(), rows_.end(), [](const UnitRow& r) { return r.record != nullptr; });
  b.close = true;
  return b;
}

std::string UnitList::site_report() const {
  std::vector<SiteReportUnit> units;
  for (const UnitRow& row : rows_)
    if (row.record) units.push_back({row.target.name(), row.record.get()});
  return units.empty() ? std::string() : format_site_report(units, convert_);
}

}  // namespace zanteq
