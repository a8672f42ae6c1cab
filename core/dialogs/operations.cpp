// Joins each feature's builder to the command sink and, where a value can
// be refused, to the reporter.
#include "core/dialogs/operations.h"

#include "core/dialogs/agc.h"
#include "core/dialogs/alarm.h"
#include "core/dialogs/auto_switch.h"
#include "core/dialogs/command_fields.h"
#include "core/dialogs/display_channel.h"
#include "core/dialogs/other.h"
#include "core/dialogs/title.h"
#include "core/dialogs/title_position.h"
#include "core/dialogs/video_adjust.h"
#include "core/dialogs/video_format.h"
#include "core/dialogs/video_loss.h"

namespace zanteq {

// alarm

void Operations::send_alarm_mode() { send(build_alarm_mode(app_.record)); }

bool Operations::send_alarm_hold_time() {
  const std::string text = app_.record.alarm_hold_time.str();
  const std::optional<int> seconds = hold_time_seconds(text);
  if (!seconds) {
    reporter_.show_error_box(hold_time_message);
    return false;
  }
  send(build_alarm_hold_time(*seconds));
  return true;
}

void Operations::send_alarm_polarity() { send(build_alarm_polarity(app_.record)); }
void Operations::send_alarm_display() { send(build_alarm_display(app_.record)); }
void Operations::send_alarm_return() { send(build_alarm_return(app_.record)); }

// video loss

void Operations::send_video_loss_channel(int channel) {
  send(build_video_loss_channel(app_.record, channel));
}
void Operations::send_video_loss_all() { send(build_video_loss_all(app_.record)); }
void Operations::send_video_loss_background() { send(build_video_loss_background(app_.record)); }
void Operations::send_video_loss_signal_output() {
  send(build_video_loss_signal_output(app_.record));
}
void Operations::send_video_loss_display() { send(build_video_loss_display(app_.record)); }

// date and time

namespace {

// Sends the built line, or names the combo that has no selection.
bool send_clock_line(CommandSink& sink, Reporter& reporter, const std::optional<std::string>& line,
                     ClockField field) {
  if (!line) {
    reporter.show_error_box(clock_field_message(field));
    return false;
  }
  sink.send_command(*line);
  return true;
}

}  // namespace

bool Operations::send_date_year(const ClockSelection& clock) {
  return send_clock_line(sink_, reporter_, build_date_year(clock), ClockField::year);
}
bool Operations::send_date_month(const ClockSelection& clock) {
  return send_clock_line(sink_, reporter_, build_date_month(clock), ClockField::month);
}
bool Operations::send_date_day(const ClockSelection& clock) {
  return send_clock_line(sink_, reporter_, build_date_day(clock), ClockField::day);
}
bool Operations::send_time_hour(const ClockSelection& clock) {
  return send_clock_line(sink_, reporter_, build_time_hour(clock), ClockField::hour);
}
bool Operations::send_time_minute(const ClockSelection& clock) {
  return send_clock_line(sink_, reporter_, build_time_minute(clock), ClockField::minute);
}
bool Operations::send_time_second(const ClockSelection& clock) {
  return send_clock_line(sink_, reporter_, build_time_second(clock), ClockField::second);
}
bool Operations::send_date_time(const ClockSelection& clock) {
  const std::optional<ClockField> missing = first_unselected_clock_field(clock);
  return send_clock_line(sink_, reporter_, build_date_time(clock),
                         missing.value_or(ClockField::year));
}
void Operations::send_time_adjust() { send(build_time_adjust()); }
void Operations::send_clock_display_range() { send(build_clock_display_range(app_.record)); }
void Operations::send_clock_display() { send(build_clock_display(app_.record)); }

// auto-switch and auto gain control

void Operations::send_auto_switch() { send(build_auto_switch(app_.record)); }
void Operations::send_agc_channel(int channel) { send(build_agc_channel(app_.record, channel)); }
void Operations::send_agc_all() { send(build_agc_all(app_.record)); }

// other settings

void Operations::send_connector_input() { send(build_connector_input(app_.record)); }
void Operations::send_power_on_screen() { send(build_power_on_screen(app_.record)); }
void Operations::send_border_line() { send(build_border_line(app_.record)); }
void Operations::send_osd_offset_h() { send(build_osd_offset_h(app_.record)); }
void Operations::send_osd_offset_v() { send(build_osd_offset_v(app_.record)); }
void Operations::send_osd_size_single() { send(build_osd_size_single(app_.record)); }
void Operations::send_osd_size_split() { send(build_osd_size_split(app_.record)); }
void Operations::send_button_lock() { send(build_button_lock(app_.ui.button_lock)); }
void Operations::send_ntsc_aspect() { send(build_ntsc_aspect(app_.record)); }

// title

std::optional<std::string> Operations::prepare_title(int channel) const {
  return prepare_title_text(app_.record.title[dialog_channel(channel)].str());
}

bool Operations::send_title(int channel, bool dont_memory, const std::string& prepared) {
  const std::optional<std::string> line = build_title(channel, dont_memory, prepared);
  if (!line) return false;
  send(*line);
  return true;
}

bool Operations::send_title_checked(int channel, bool dont_memory) {
  if (app_.link.sequence_step != 0) return false;
  const std::optional<std::string> prepared = prepare_title(channel);
  if (!prepared || !send_title(channel, dont_memory, *prepared)) {
    reporter_.show_warning_box(title_refusal_message);
    return false;
  }
  return true;
}

void Operations::send_title_display_single() { send(build_title_display_single(app_.record)); }
void Operations::send_title_display_split() { send(build_title_display_split(app_.record)); }

// title position

void Operations::send_title_pos_x(int channel) { send(build_title_pos_x(app_.record, channel)); }
void Operations::send_title_pos_y(int channel) { send(build_title_pos_y(app_.record, channel)); }
void Operations::send_title_pos_x_all() { send(build_title_pos_x_all(app_.record)); }
void Operations::send_title_pos_y_all() { send(build_title_pos_y_all(app_.record)); }

// video adjustment

void Operations::send_brightness(int channel) { send(build_brightness(app_.record, channel)); }
void Operations::send_contrast(int channel) { send(build_contrast(app_.record, channel)); }
void Operations::send_hue(int channel) { send(build_hue(app_.record, channel)); }
void Operations::send_sharpness(int channel) { send(build_sharpness(app_.record, channel)); }
void Operations::send_saturation(int channel) { send(build_saturation(app_.record, channel)); }

// display channel

void Operations::send_screen() { send(build_screen(app_.ui.current_channel)); }
void Operations::send_split_mode() { send(build_split_mode(app_.record)); }

bool Operations::send_split2_channels_checked(bool dont_memory) {
  if (const char* refusal = split2_refusal(app_.record)) {
    reporter_.show_error_box(refusal);
    return false;
  }
  send(build_split2_channels(app_.record, dont_memory));
  return true;
}

void Operations::send_split2_channels() { send(build_split2_channels(app_.record, false)); }

// video format

void Operations::send_video_format(int channel) {
  send(build_video_format(app_.record, channel));
}
void Operations::send_video_format_all() { send(build_video_format_all(app_.record)); }

}  // namespace zanteq
