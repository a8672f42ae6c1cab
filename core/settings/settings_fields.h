// The fields of the settings record in the order of the settings file, one
// row each: the one place that says which lines a field takes, what it is
// called, what the dialogs let it hold and whether a unit reports it. The
// settings file, its range check and the comparison of two records all walk
// this table, so they cannot disagree about the order.
#pragma once

#include <string>
#include <string_view>

#include "core/settings/record.h"

namespace zanteq {

enum class FieldKind {
  number,     // a Value, written in decimal
  hold_time,  // the alarm hold time: up to three characters as typed
  title,      // a title: code page 932 text
};

struct SettingsField {
  const char* name;  // the English name zanteqctl prints: "brightness"
  FieldKind kind;
  int count;         // its lines: 1, or one per channel, dwell time or side
  int low;           // numbers: the range the dialogs offer
  int high;
  bool read;         // a read-all fills it (the title positions have no read command)
  // The value of element `index` (0 for a single field) in a record. A
  // number field has the first pair, a text field the second.
  int (*number)(const DeviceSettings&, int index);
  void (*set_number)(DeviceSettings&, int index, int value);
  std::string (*text)(const DeviceSettings&, int index);
  void (*set_text)(DeviceSettings&, int index, std::string_view value);
  // The name a user knows (UTF-8): the menu item's text and the control's
  // label as the dialog shows it ("ビデオ映像の調整 Brightness", "アラーム
  // 保持時間"); settings_file_line_label adds the element.
  const char* japanese_name = "";
};

struct SettingsFieldRange {
  const SettingsField* first;
  const SettingsField* last;
  const SettingsField* begin() const { return first; }
  const SettingsField* end() const { return last; }
};

// Every field, in file order; their counts add up to settings_file_lines.
SettingsFieldRange settings_fields();

// One line of the settings file: its field and the element of the field.
struct SettingsLine {
  const SettingsField* field = nullptr;  // nullptr for a line number outside 1..72
  int index = 0;
};
SettingsLine settings_line(int line);

}  // namespace zanteq
