// The simulated unit against the program's own side of the protocol: the
// commands the program's builders make are all accepted, and the replies the
// unit gives to a read-all fill the program's record with what was set.
// A disagreement here is a fault in one of the two sides.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/bulk/read_all.h"
#include "core/bulk/set_all.h"
#include "core/bulk/transfer_plans.h"
#include "core/dialogs/operations.h"
#include "core/link/dispatch.h"
#include "core/settings/record.h"
#include "sim/unit_commands.h"
#include "sim/unit_state.h"

namespace zanteq::sim {
namespace {

// A CommandSink wired straight to the simulated unit.
class UnitSink : public CommandSink {
 public:
  explicit UnitSink(UnitState& unit) : unit_(unit) {}
  void send_command(std::string_view text) override {
    commands.emplace_back(text);
    answers.push_back(handle_command(unit_, text, 0));
  }
  std::vector<std::string> commands;
  std::vector<std::string> answers;

 private:
  UnitState& unit_;
};

class BoxCollector : public Reporter {
 public:
  void show_success_box(const char* text) override { boxes.push_back(std::string("success: ") + text); }
  void show_error_box(const char* text) override { boxes.push_back(std::string("error: ") + text); }
  void show_warning_box(const char* text) override { boxes.push_back(std::string("warning: ") + text); }
  std::vector<std::string> boxes;
};

// Every field of the record away from its default.
void change_everything(DeviceSettings& r) {
  r.alarm_mode = 1;
  r.alarm_polarity = 1;
  r.alarm_hold_time.set("120");
  r.alarm_return = 0;
  r.alarm_display = 0;
  const int vl[] = {0, 1, 0, 0}, agc[] = {0, 1, 1, 0}, vf[] = {6, 5, 4, 1};
  const int px[] = {0, 5, 22, 7}, py[] = {0, 1, 2, 3}, dwell[] = {1, 2, 4, 99, 0};
  const int bri[] = {0, 63, 65, 127}, con[] = {0, 1, 127, 100}, sha[] = {1, 2, 31, 30};
  const int hue[] = {1, 128, 255, 200}, sat[] = {0, 1, 127, 79};
  for (int ch = 0; ch < 4; ++ch) {
    r.video_loss_detect[ch] = vl[ch];
    r.agc[ch] = agc[ch];
    r.video_format[ch] = vf[ch];
    r.title_pos_x[ch] = px[ch];
    r.title_pos_y[ch] = py[ch];
    r.brightness[ch] = bri[ch];
    r.contrast[ch] = con[ch];
    r.sharpness[ch] = sha[ch];
    r.hue[ch] = hue[ch];
    r.saturation[ch] = sat[ch];
  }
  for (int k = 0; k < 5; ++k) r.auto_switch_dwell[k] = dwell[k];
  r.video_loss_display = 0;
  r.video_loss_signal_output = 1;
  r.video_loss_background = 1;
  r.clock_display = 0;
  r.clock_display_range = 7;
  r.title_display_single = 0;
  r.title_display_split = 0;
  r.osd_size_single = 0;
  r.osd_size_split = 1;
  r.connector_input = 1;
  r.border_line = 2;
  r.power_on_screen = 2;
  r.split_mode = 1;
  r.osd_offset_h = 15;
  r.osd_offset_v = 0;
  r.title[0].set("\x82\x60\x82\x61\x82\x62");          // ＡＢＣ
  r.title[1].set("\x8A\xBF\x8E\x9A");                  // 漢字
  r.title[2].set("\x81\x40\x83\x41");                  // a leading full-width space, ア
  r.title[3].set("\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50");
  r.split2_channels[0] = 3;
  r.split2_channels[1] = 2;
  r.ntsc_aspect = 1;
}

// The title as a read-back gives it: trailing full-width spaces dropped.
std::string trimmed_title(const DeviceSettings& r, int ch) {
  std::string t = r.title[ch].str();
  while (t.size() >= 2 && t.compare(t.size() - 2, 2, "\x81\x40") == 0) t.erase(t.size() - 2);
  return t;
}

// Every field a read-all fills (title positions have no read).
void expect_same_read_fields(const DeviceSettings& a, const DeviceSettings& b) {
#define SAME(field) EXPECT_EQ(a.field.load(), b.field.load()) << #field
  SAME(alarm_mode); SAME(alarm_polarity); SAME(alarm_return); SAME(alarm_display);
  SAME(video_loss_display); SAME(video_loss_signal_output); SAME(video_loss_background);
  SAME(clock_display); SAME(clock_display_range); SAME(title_display_single); SAME(title_display_split);
  SAME(osd_size_single); SAME(osd_size_split); SAME(connector_input); SAME(border_line);
  SAME(power_on_screen); SAME(split_mode); SAME(osd_offset_h); SAME(osd_offset_v); SAME(ntsc_aspect);
  SAME(split2_channels[0]); SAME(split2_channels[1]);
  for (int k = 0; k < 5; ++k) SAME(auto_switch_dwell[k]);
  for (int ch = 0; ch < 4; ++ch) {
    SCOPED_TRACE("channel index " + std::to_string(ch));
    SAME(video_loss_detect[ch]); SAME(agc[ch]); SAME(video_format[ch]); SAME(brightness[ch]);
    SAME(contrast[ch]); SAME(sharpness[ch]); SAME(hue[ch]); SAME(saturation[ch]);
    EXPECT_EQ(trimmed_title(a, ch), trimmed_title(b, ch));
  }
#undef SAME
  EXPECT_EQ(a.alarm_hold_time.str(), b.alarm_hold_time.str());
}

// The program's read-all against the unit, replies dispatched as the
// receiving thread would.
void read_all(UnitState& unit, AppState& app, BoxCollector& boxes) {
  for (int step = 1; step <= read_all_step_count; ++step) {
    const std::string command = read_all_command(step);
    const std::string reply = handle_command(unit, command, 0);
    ASSERT_NE(reply, "E3\r\n") << command;
    dispatch_reply(app.link, app.record, boxes, reply);
  }
}

TEST(ProtocolAgreement, FactoryUnitReadsBackAsTheProgramsDefaults) {
  UnitState unit = factory_state();
  AppState defaults, read;
  reset_settings(defaults);
  reset_settings(read);
  change_everything(read.record);
  BoxCollector boxes;
  read_all(unit, read, boxes);
  expect_same_read_fields(read.record, defaults.record);
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(read.link.success_pending.load(), 1);  // the VN reply reports the end
}

TEST(ProtocolAgreement, SetAllIsAcceptedAndReadAllBringsEveryValueBack) {
  UnitState unit = factory_state();
  AppState sent;
  reset_settings(sent);
  change_everything(sent.record);
  UnitSink sink(unit);
  BoxCollector boxes;
  Operations ops(sent, sink, boxes);
  for (int step = 1; step <= set_all_step_count; ++step) run_set_all_step(ops, step);
  ASSERT_EQ(sink.commands.size(), 50u);
  for (std::size_t i = 0; i < sink.commands.size(); ++i)
    EXPECT_EQ(sink.answers[i], "GO\r\n") << sink.commands[i];
  EXPECT_TRUE(boxes.boxes.empty());

  AppState read;
  reset_settings(read);
  read_all(unit, read, boxes);
  expect_same_read_fields(read.record, sent.record);
}

// A transfer at the reply pace, each command answered by the unit: every
// reply must be the one its step asks for, and the run ends with Success.
void run_transfer(UnitState& unit, const TransferPlan& plan, DeviceSettings& record) {
  Transfer transfer(plan, {Pacing::replies, 0});
  long long now = 0;
  TransferAction action = transfer.start(TransferTime(now), {0, 0});
  while (!action.done) {
    ASSERT_FALSE(action.send.empty()) << transfer.step();
    ++now;
    const std::string reply = handle_command(unit, action.send, now);
    action = transfer.line(TransferTime(now), reply, record);
  }
  EXPECT_EQ(transfer.outcome().end, TransferEnd::completed) << describe_transfer_end(transfer.outcome(), 0);
  EXPECT_EQ(transfer.outcome().unexpected, std::vector<std::string>{});
  ASSERT_TRUE(action.box);
  EXPECT_EQ(action.box->text, "Success");
}

TEST(ProtocolAgreement, TheTransferEngineWritesAndReadsBackEveryValue) {
  UnitState unit = factory_state();
  AppState sent, read;
  reset_settings(sent);
  reset_settings(read);
  change_everything(sent.record);
  run_transfer(unit, set_all_transfer_plan(sent), sent.record);
  run_transfer(unit, read_all_transfer_plan(), read.record);
  expect_same_read_fields(read.record, sent.record);
}

TEST(ProtocolAgreement, EveryDialogButtonsCommandIsAcceptedAndApplied) {
  UnitState unit = factory_state();
  AppState app;
  reset_settings(app);
  change_everything(app.record);
  UnitSink sink(unit);
  BoxCollector boxes;
  Operations ops(app, sink, boxes);

  for (int ch = 0; ch < 4; ++ch) {
    ops.send_video_loss_channel(ch);
    ops.send_agc_channel(ch);
    ops.send_title_pos_x(ch);
    ops.send_title_pos_y(ch);
    ops.send_video_format(ch);
    ops.send_brightness(ch);
    ops.send_contrast(ch);
    ops.send_hue(ch);
    ops.send_sharpness(ch);
    ops.send_saturation(ch);
    EXPECT_TRUE(ops.send_title_checked(ch, false));
  }
  ops.send_title_pos_x_all();
  ops.send_title_pos_y_all();
  ops.send_alarm_mode();
  EXPECT_TRUE(ops.send_alarm_hold_time());
  ops.send_time_adjust();
  const ClockSelection clock{26, 2, 4, 14, 7, 9};  // 2026-03-05 14:07:09
  EXPECT_TRUE(ops.send_date_year(clock));
  EXPECT_TRUE(ops.send_date_month(clock));
  EXPECT_TRUE(ops.send_date_day(clock));
  EXPECT_TRUE(ops.send_time_hour(clock));
  EXPECT_TRUE(ops.send_time_minute(clock));
  EXPECT_TRUE(ops.send_time_second(clock));
  EXPECT_TRUE(ops.send_date_time(clock));
  app.ui.button_lock = 1;
  ops.send_button_lock();
  for (int screen : {0, 3, 5, 4}) {
    app.ui.current_channel = screen;
    ops.send_screen();
  }
  EXPECT_TRUE(ops.send_split2_channels_checked(false));
  app.record.split2_channels[0] = 1;
  EXPECT_TRUE(ops.send_split2_channels_checked(true));
  app.record.title[0].set("\x82\x71");  // Ｒ
  EXPECT_TRUE(ops.send_title_checked(0, true));

  ASSERT_FALSE(sink.commands.empty());
  for (std::size_t i = 0; i < sink.commands.size(); ++i)
    EXPECT_EQ(sink.answers[i], "GO\r\n") << sink.commands[i];
  EXPECT_TRUE(boxes.boxes.empty());

  // What only these buttons set, as the unit now holds it.
  EXPECT_EQ(unit.title_pos_x, (std::array<int, 4>{0, 5, 22, 7}));
  EXPECT_EQ(unit.title_pos_y, (std::array<int, 4>{0, 1, 2, 3}));
  EXPECT_TRUE(unit.button_lock);
  EXPECT_EQ(unit.screen, screen_split);
  EXPECT_EQ(unit.split2, (std::array<int, 2>{2, 3}));          // the don't-memory pair
  EXPECT_EQ(unit.split2_memory, (std::array<int, 2>{4, 3}));
  EXPECT_EQ(unit.title[0][0], 0x2352);                          // Ｒ, not kept
  EXPECT_EQ(unit.title_memory[0][0], 0x2341);                   // Ａ, kept
  EXPECT_EQ(unit.clock.read(0), (ClockFields{26, 3, 5, 14, 7, 9}));
}

}  // namespace
}  // namespace zanteq::sim
