// The command operations of every feature, as the dialogs' 設定 buttons and
// the set-all sequence call them: each builds one command from the record
// (or from the values a dialog passes in) and hands it to the CommandSink.
// Refusals are shown through the Reporter and send nothing.
//
// The byte-exact building lives in the per-feature builder functions of this
// folder; these operations only join a builder to the sink and the reporter,
// so a dialog's button and the set-all step send the very same bytes.
#pragma once

#include <optional>
#include <string>

#include "core/dialogs/date_time.h"
#include "core/link/reporter.h"
#include "core/settings/record.h"

namespace zanteq {

class Operations {
 public:
  Operations(AppState& app, CommandSink& sink, Reporter& reporter)
      : app_(app), sink_(sink), reporter_(reporter) {}

  // alarm
  void send_alarm_mode();
  bool send_alarm_hold_time();  // false: refused with the hold-time box
  void send_alarm_polarity();
  void send_alarm_display();
  void send_alarm_return();

  // video loss
  void send_video_loss_channel(int channel);
  void send_video_loss_all();
  void send_video_loss_background();
  void send_video_loss_signal_output();
  void send_video_loss_display();

  // date and time: the first seven take the dialog's combos (ClockSelection,
  // dialogs/date_time.h). A needed combo without a list selection sends
  // nothing and shows an error box naming the field; the result is false.
  bool send_date_year(const ClockSelection& clock);
  bool send_date_month(const ClockSelection& clock);
  bool send_date_day(const ClockSelection& clock);
  bool send_time_hour(const ClockSelection& clock);
  bool send_time_minute(const ClockSelection& clock);
  bool send_time_second(const ClockSelection& clock);
  bool send_date_time(const ClockSelection& clock);
  void send_time_adjust();
  void send_clock_display_range();
  void send_clock_display();

  // auto-switch
  void send_auto_switch();

  // auto gain control
  void send_agc_channel(int channel);
  void send_agc_all();

  // other settings
  void send_connector_input();
  void send_power_on_screen();
  void send_border_line();
  void send_osd_offset_h();
  void send_osd_offset_v();
  void send_osd_size_single();
  void send_osd_size_split();
  void send_button_lock();  // from app.ui.button_lock
  void send_ntsc_aspect();

  // title: prepare_title pads the channel's title to 20 bytes, or fails for
  // an odd length or more than 20 bytes; send_title converts and sends the
  // prepared text and returns false when a character has no JIS X 0208 code.
  std::optional<std::string> prepare_title(int channel) const;
  bool send_title(int channel, bool dont_memory, const std::string& prepared);
  // The single-channel 設定 / 設定Don't buttons: prepare, convert, send, and
  // the warning box on any refusal. Does nothing while a timed sequence runs
  // (sequence_step non-zero). Returns true only when the line was sent.
  bool send_title_checked(int channel, bool dont_memory);
  void send_title_display_single();
  void send_title_display_split();

  // title position (channel 0..3; per-channel operations take a channel
  // outside 0..3 as channel 0, see dialog_channel)
  void send_title_pos_x(int channel);
  void send_title_pos_y(int channel);
  void send_title_pos_x_all();
  void send_title_pos_y_all();

  // video adjustment (channel 0..3)
  void send_brightness(int channel);
  void send_contrast(int channel);
  void send_hue(int channel);
  void send_sharpness(int channel);
  void send_saturation(int channel);

  // display channel
  void send_screen();  // from app.ui.current_channel
  void send_split_mode();
  bool send_split2_channels_checked(bool dont_memory);  // false: same channel, refused with its box
  void send_split2_channels();                          // set-all: no check

  // video format
  void send_video_format(int channel);
  void send_video_format_all();

  AppState& app() { return app_; }
  CommandSink& sink() { return sink_; }
  Reporter& reporter() { return reporter_; }

 private:
  void send(const std::string& command) { sink_.send_command(command); }

  AppState& app_;
  CommandSink& sink_;
  Reporter& reporter_;
};

}  // namespace zanteq
