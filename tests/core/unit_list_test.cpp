// The unit list's runs on a scripted bus and a fake clock, driven as the
// dialog drives them: every byte on the wire with its time, every save, the
// rows, the status line and the buttons.
#include <gtest/gtest.h>

#include <map>

#include "core/bulk/read_all.h"
#include "core/bulk/transfer_plans.h"
#include "core/bulk/unit_list.h"
#include "core/settings/settings_file.h"
#include "tests/core/cp932_fake.h"

namespace zanteq {
namespace {

// A unit on the bus: it answers each read with its settings (a read's data
// line has the form of the set command of its field) and each set with GO,
// after `delay` ms; `special` answers chosen commands otherwise.
struct FakeUnit {
  std::map<std::string, std::string> reads;
  std::map<std::string, std::string> special;  // command without address → reply, "" for none
  bool silent = false;
};

FakeUnit unit_with(AppState& state) {
  FakeUnit unit;
  const TransferPlan sets = set_all_transfer_plan(state);
  for (const TransferStep& read : read_all_transfer_plan().steps) {
    std::string& answer = unit.reads[read.command];
    answer = "VN1.00\r\n";
    for (const TransferStep& set : sets.steps)
      if (read.file_line != 0 && set.file_line == read.file_line) answer = set.command;
  }
  return unit;
}

// The settings file of a unit's settings as a read gets them: the unit
// pads every title to ten characters and a read drops the padding.
std::string file_as_read(const AppState& state) {
  AppState read;
  read_settings_file(read.record, format_settings_file(state.record));
  for (TitleText& title : read.record.title) {
    std::string text = title.str();
    while (text.size() >= 2 && text.compare(text.size() - 2, 2, "\x81\x40") == 0) text.resize(text.size() - 2);
    title.set(text);
  }
  return format_settings_file(read.record);
}

class Site {
 public:
  explicit Site(int rs_control) : rs_control_(rs_control) {}

  UnitList list{testing::fake_cp932_to_utf8};
  std::map<std::string, FakeUnit> units;  // by address "03", or "RS-232C"
  int delay = 20;
  long long now = 0;
  long long stop_at = -1;
  std::vector<std::pair<long long, std::string>> wire;  // what was sent, when
  std::vector<UnitListSave> saves;
  std::map<std::string, std::string> save_fails;  // path → the system's words
  std::vector<std::string> statuses;                // status_text() after each call
  std::vector<UnitListButtons> buttons_while_running;

  // Carries out a run from its start to its end.
  void run(UnitListAction action) {
    take(action);
    for (int events = 0; !action.done && events < 100000; ++events) {
      const long long wake = action.wake_at ? action.wake_at->count() : -1;
      ASSERT_GE(wake, 0) << "a running list always has a time to be woken";
      const long long reply = incoming_.empty() ? wake + 1 : incoming_.begin()->first;
      if (stop_at >= 0 && stop_at <= std::min(wake, reply - 1)) {
        now = stop_at;
        stop_at = -1;
        action = list.stop(TransferTime(now));
      } else if (reply <= wake) {
        now = reply;
        const std::string line = incoming_.begin()->second;
        incoming_.erase(incoming_.begin());
        action = list.line(TransferTime(now), line);
      } else {
        now = wake;
        action = list.wake(TransferTime(now));
      }
      take(action);
    }
    ASSERT_TRUE(action.done);
    EXPECT_FALSE(list.running());
    now += 2000;  // replies still on their way arrive between runs
    for (const auto& [at, line] : incoming_) EXPECT_TRUE(list.line(TransferTime(now), line).done);
    incoming_.clear();
  }

  // The commands sent to one address ("07"), without it.
  std::vector<std::string> sent_to(const std::string& address) const {
    std::vector<std::string> out;
    for (const auto& [at, bytes] : wire)
      if (rs_control_ == 0 || bytes.compare(0, 2, address) == 0) out.push_back(bytes.substr(rs_control_ == 0 ? 0 : 2));
    return out;
  }

  std::vector<std::string> column(std::string (*cell)(const UnitRow&)) const {
    std::vector<std::string> out;
    for (const UnitRow& row : list.rows()) out.push_back(cell(row));
    return out;
  }

 private:
  void take(UnitListAction& action) {
    statuses.push_back(list.status_text());
    if (list.running()) buttons_while_running.push_back(list.buttons({0}));
    if (!action.send.empty()) {
      wire.emplace_back(now, action.send);
      answer(action.send);
    }
    if (action.save) {
      saves.push_back(*action.save);
      const auto fail = save_fails.find(action.save->path);
      action = fail == save_fails.end() ? list.saved(TransferTime(now), true, {})
                                        : list.saved(TransferTime(now), false, fail->second);
      take(action);
    }
  }

  void answer(const std::string& sent) {
    const std::string address = rs_control_ == 0 ? "RS-232C" : sent.substr(0, 2);
    const std::string command = rs_control_ == 0 ? sent : sent.substr(2);
    const auto found = units.find(address);
    if (found == units.end() || found->second.silent) return;
    const FakeUnit& unit = found->second;
    std::string reply = "GO\r\n";
    if (const auto s = unit.special.find(command); s != unit.special.end())
      reply = s->second;
    else if (const auto r = unit.reads.find(command); r != unit.reads.end())
      reply = r->second;
    if (!reply.empty()) incoming_.emplace(now + delay, (rs_control_ == 0 ? "" : address) + reply);
  }

  int rs_control_;
  std::multimap<long long, std::string> incoming_;
};

std::string address_cell(const UnitRow& row) { return row.target.name(); }
std::string state_cell(const UnitRow& row) { return row.state_text(); }
std::string result_cell(const UnitRow& row) { return row.result; }

// The first `count` commands of a plan.
std::vector<std::string> commands(const TransferPlan& plan, std::size_t count = 99) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < plan.steps.size() && i < count; ++i) out.push_back(plan.steps[i].command);
  return out;
}

TEST(UnitListRuns, ScanThenWriteWithAnErrorGnAndASilentUnitThenStop) {
  AppState factory, site_file;
  reset_settings(factory);
  reset_settings(site_file);
  site_file.record.brightness[2] = 70;  // VAB03006
  Site site(1);
  for (const char* a : {"03", "07", "12", "20"}) site.units[a] = unit_with(factory);

  // Scan: one RVN per address 00..31 in order, 250 ms for each silent one.
  site.run(site.list.scan(TransferTime(0), 1));
  ASSERT_EQ(site.wire.size(), 32u);
  long long at = 0;
  for (int a = 0; a < 32; ++a) {
    const std::string address = (a < 10 ? "0" : "") + std::to_string(a);
    EXPECT_EQ(site.wire[static_cast<std::size_t>(a)], std::make_pair(at, address + "RVN\r\n"));
    at += site.units.count(address) ? 20 : 250;
  }
  EXPECT_LT(site.now - 2000, 10000) << "a whole bus within 10 s";
  EXPECT_EQ(site.column(address_cell), (std::vector<std::string>{"03", "07", "12", "20"}));
  EXPECT_EQ(site.column(state_cell), (std::vector<std::string>{"応答あり", "応答あり", "応答あり", "応答あり"}));
  EXPECT_EQ(site.list.status_text(), "応答あり 4 台");
  EXPECT_EQ(site.statuses[0], "00 を検索中 1/32");

  // Write: 07 answers E2 to its 7th command, 12 GN to two, 20 has gone quiet.
  site.units["07"].special["VAB03006\r\n"] = "E2\r\n";
  site.units["12"].special["VAC01064\r\n"] = "GN\r\n";
  site.units["12"].special["AMI\r\n"] = "GN\r\n";
  site.units["20"].silent = true;
  UnitListFile file;
  ASSERT_FALSE(load_unit_list_file(format_settings_file(site_file.record), UnitListUse::write, file));
  EXPECT_TRUE(site.list.buttons({1}).write);
  site.wire.clear();
  const long long start = site.now;
  site.run(site.list.write(TransferTime(start), {3, 2, 1, 0, 2, 9}, file));

  const std::vector<std::string> all = commands(file.write_plan());
  EXPECT_EQ(site.sent_to("03"), all);
  EXPECT_EQ(site.sent_to("07"), commands(file.write_plan(), 7)) << "nothing after the error";
  EXPECT_EQ(site.sent_to("12"), all);
  EXPECT_EQ(site.sent_to("20"), commands(file.write_plan(), 1));
  ASSERT_EQ(site.wire.size(), 50u + 7 + 50 + 1) << "no probe, no read-back, no broadcast";
  EXPECT_EQ(site.wire[0].second.substr(0, 4), "03CJ");
  EXPECT_EQ(site.wire[57].first, site.wire[56].first + 20) << "the next unit at once, at the reply pace";
  EXPECT_EQ(site.wire.back().first, site.wire[site.wire.size() - 2].first + 20);
  EXPECT_EQ(site.now - 2000, site.wire.back().first + 1000) << "a silent command waits 1000 ms";
  EXPECT_EQ(site.column(result_cell),
            (std::vector<std::string>{"完了", "E2 (7/50 VAB03…)", "GN 2 件", "応答なし (1/50)"}));
  EXPECT_EQ(site.column(state_cell), (std::vector<std::string>{"応答あり", "応答あり", "応答あり", "応答なし"}));
  EXPECT_EQ(site.list.status_text(), "完了 1 台、失敗 3 台");
  EXPECT_NE(std::find(site.statuses.begin(), site.statuses.end(), "07 に書き込み中 7/50"), site.statuses.end());
  for (const UnitListButtons& b : site.buttons_while_running) {
    EXPECT_TRUE(b.stop);
    EXPECT_FALSE(b.scan || b.select_all || b.read || b.write || b.compare || b.save_report || b.details || b.close);
  }
  EXPECT_EQ(site.list.progress_position(), site.list.progress_range());
  EXPECT_EQ(site.list.progress_range(), 200);

  // 中止 while 07's 12th command is on the wire: its reply is waited for,
  // 12 and 20 are not started and keep what they showed.
  site.units["07"].special.clear();
  site.wire.clear();
  site.stop_at = site.now + 50 * 20 + 11 * 20 + 5;
  site.run(site.list.write(TransferTime(site.now), {0, 1, 2, 3}, file));
  EXPECT_EQ(site.sent_to("03"), all);
  EXPECT_EQ(site.sent_to("07"), commands(file.write_plan(), 12));
  EXPECT_TRUE(site.sent_to("12").empty());
  EXPECT_EQ(site.wire.size(), 62u);
  EXPECT_EQ(site.column(result_cell),
            (std::vector<std::string>{"完了", "中止 (12/50)", "GN 2 件", "応答なし (1/50)"}));
  EXPECT_EQ(site.list.status_text(), "完了 1 台、失敗 0 台、中止 1 台、未実行 2 台");
  EXPECT_FALSE(site.list.buttons({0}).stop);
  EXPECT_FALSE(site.list.buttons({0}).save_report) << "nothing read or compared yet";

  // A scan again: 20 stays silent and leaves the list, the others keep their results.
  site.units["05"] = unit_with(factory);
  site.run(site.list.scan(TransferTime(site.now), 1));
  EXPECT_EQ(site.column(address_cell), (std::vector<std::string>{"03", "05", "07", "12"}));
  EXPECT_EQ(site.column(result_cell), (std::vector<std::string>{"完了", "", "中止 (12/50)", "GN 2 件"}));
}

TEST(UnitListRuns, ReadIntoFilesThenCompareOneDifferingField) {
  AppState factory, changed;
  reset_settings(factory);
  reset_settings(changed);
  changed.record.brightness[1] = 76;  // shown "12"
  changed.record.title[0].set("\x82\x60\x82\x61\x82\x62\x82\x63\x82\x64\x82\x65\x82\x66\x82\x67\x82\x68\x82\x69");
  changed.record.alarm_hold_time.set("010");
  Site site(1);
  site.units["03"] = unit_with(factory);
  site.units["07"] = unit_with(changed);
  site.units["12"] = unit_with(changed);
  site.run(site.list.scan(TransferTime(0), 1));
  ASSERT_EQ(site.list.rows().size(), 3u);

  site.save_fails["C:\\jobs.2024\\site-12.dat"] = "ディスクがいっぱいです";
  site.wire.clear();
  site.run(site.list.read(TransferTime(site.now), {0, 1, 2}, "C:\\jobs.2024\\site.dat"));
  std::vector<std::string> reads;
  for (int step = 1; step <= read_all_step_count; ++step) reads.push_back(read_all_command(step));
  for (const char* a : {"03", "07", "12"}) EXPECT_EQ(site.sent_to(a), reads) << a;
  EXPECT_EQ(site.wire.size(), 153u);
  ASSERT_EQ(site.saves.size(), 3u);
  EXPECT_EQ(site.saves[0].path, "C:\\jobs.2024\\site-03.dat");
  EXPECT_EQ(site.saves[1].path, "C:\\jobs.2024\\site-07.dat");
  EXPECT_EQ(site.saves[0].bytes, file_as_read(factory));
  EXPECT_EQ(site.saves[1].bytes, file_as_read(changed)) << "what zanteqctl's read writes";
  EXPECT_EQ(site.column(result_cell),
            (std::vector<std::string>{"完了 site-03.dat", "完了 site-07.dat", "保存できません (ディスクがいっぱいです)"}));
  EXPECT_EQ(site.list.status_text(), "完了 2 台、失敗 1 台");
  EXPECT_TRUE(site.list.buttons({}).save_report);
  const std::string report = site.list.site_report();
  EXPECT_EQ(report.substr(0, report.find("\r\n")), "\xEF\xBB\xBF項目,03,07,12") << "the unit not saved was read";
  EXPECT_NE(report.find("\r\nビデオ映像の調整 Brightness ch.02,00,12,12\r\n"), std::string::npos);
  EXPECT_NE(report.find("\r\nタイトル ch.01,\"　　　ＣＨ０１\",ＡＢＣＤＥＦＧＨＩＪ,ＡＢＣＤＥＦＧＨＩＪ\r\n"),
            std::string::npos);

  // Compare with a file like 07 but for brightness ch.02 and a title
  // position, which no command reads.
  AppState wanted;
  reset_settings(wanted);
  std::string content = format_settings_file(changed.record);
  read_settings_file(wanted.record, content);
  wanted.record.brightness[1] = 64;
  wanted.record.title_pos_x[2] = 5;
  wanted.record.alarm_hold_time.set("10");  // the same 10 s as "010"
  UnitListFile file;
  ASSERT_FALSE(load_unit_list_file(format_settings_file(wanted.record), UnitListUse::compare, file));
  site.units["12"].special["RVASA04\r\n"] = "E3\r\n";
  site.wire.clear();
  site.run(site.list.compare(TransferTime(site.now), {1, 2, 0}, file));
  EXPECT_EQ(site.sent_to("03"), reads);
  EXPECT_EQ(site.sent_to("07"), reads);
  EXPECT_EQ(site.sent_to("12"), std::vector<std::string>(reads.begin(), reads.begin() + 24));
  EXPECT_EQ(site.column(result_cell),
            (std::vector<std::string>{"相違 2 項目", "相違 1 項目", "E3 (24/51 RVASA04)"}));
  const std::vector<UnitDifference>& differences = site.list.rows()[1].differences;
  ASSERT_EQ(differences.size(), 1u);
  EXPECT_EQ(differences[0].item, "ビデオ映像の調整 Brightness ch.02");
  EXPECT_EQ(differences[0].unit, "12");
  EXPECT_EQ(differences[0].file, "00");
  EXPECT_EQ(site.list.rows()[0].differences[0].item, "アラーム 保持時間");
  EXPECT_EQ(site.list.rows()[0].differences[0].unit, "030");
  EXPECT_EQ(site.list.rows()[0].differences[0].file, "10");
  EXPECT_EQ(site.list.status_text(), "一致 0 台、相違 2 台、失敗 1 台");
  EXPECT_TRUE(site.list.buttons({1}).details);
  EXPECT_FALSE(site.list.buttons({0, 1}).details) << "exactly one row";
  EXPECT_FALSE(site.list.buttons({2}).details) << "its compare failed";
  EXPECT_TRUE(site.list.can_show_details(1));
  EXPECT_FALSE(site.list.can_show_details(2));
}

TEST(UnitListRuns, Rs232cOneUnitOrNone) {
  Site none(0);
  none.run(none.list.scan(TransferTime(0), 0));
  EXPECT_EQ(none.wire, (std::vector<std::pair<long long, std::string>>{{0, "RVN\r\n"}}));
  EXPECT_TRUE(none.list.rows().empty());
  EXPECT_EQ(none.list.status_text(), "応答なし");
  EXPECT_FALSE(none.list.buttons({0}).read);
  EXPECT_TRUE(none.list.read(TransferTime(0), {0}, "site.dat").done) << "no row, no run";
  EXPECT_FALSE(none.list.running());

  AppState factory;
  reset_settings(factory);
  Site site(0);
  site.units["RS-232C"] = unit_with(factory);
  site.run(site.list.scan(TransferTime(0), 0));
  EXPECT_EQ(site.column(address_cell), std::vector<std::string>{"RS-232C"});
  site.wire.clear();
  site.stop_at = site.now + 50 * 20 + 5;  // 中止 while the last read is on the wire
  site.run(site.list.read(TransferTime(site.now), {0}, "D:\\site.dat"));
  ASSERT_EQ(site.wire.size(), 51u);
  EXPECT_EQ(site.wire[0].second, "RCJ01\r\n") << "no address on RS-232C";
  ASSERT_EQ(site.saves.size(), 1u);
  EXPECT_EQ(site.saves[0].path, "D:\\site.dat") << "the name as given";
  EXPECT_EQ(site.column(result_cell), std::vector<std::string>{"完了 site.dat"});
  EXPECT_EQ(site.list.status_text(), "完了 1 台、失敗 0 台");

  // A port that fails ends the run; the unit says so.
  site.wire.clear();
  UnitListAction action = site.list.write(TransferTime(site.now), {0}, UnitListFile());
  EXPECT_TRUE(action.done && action.send.empty()) << "no file, nothing sent";
  action = site.list.read(TransferTime(site.now), {0}, "D:\\site.dat");
  EXPECT_EQ(action.send, "RCJ01\r\n");
  action = site.list.line_failed(TransferTime(site.now + 5), "デバイスが見つかりません");
  EXPECT_TRUE(action.done);
  EXPECT_EQ(site.list.rows()[0].result, "ポートの障害 (1/51)");
  EXPECT_EQ(site.list.rows()[0].state_text(), "応答あり");
  EXPECT_EQ(site.list.status_text(), "完了 0 台、失敗 1 台（ポートの障害: デバイスが見つかりません）");
}

}  // namespace
}  // namespace zanteq
