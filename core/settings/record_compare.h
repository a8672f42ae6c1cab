// A unit's settings beside those of a settings file, field by field: what
// zanteqctl's diff prints and what the unit list shows for a unit read
// back.
#pragma once

#include <string>
#include <vector>

#include "core/settings/record.h"

namespace zanteq {

struct FieldDifference {
  int line = 0;      // the field's line in the settings file, 1..72
  std::string name;  // its English name with the element: "hue ch.03"
  bool text = false; // a title or the hold time: the values are code page 932 text
  // Each side's value: a number in decimal, a text as the settings file
  // writes it (white space as '_'), an empty text as "".
  std::string unit;
  std::string file;
};

// The fields a read-all fills that differ, in file order. The title
// positions are left out: no command reads them, so a unit read back holds
// their factory values. Texts compare as the settings file writes them, so
// what a file could not hold apart is not a difference; a title's trailing
// full-width spaces, the padding the unit adds and a read drops, are no part
// of it. The hold time is the number of seconds when both sides are plain
// digits ("30" and "030" are the same time); anything else the unit sent
// ("--1", "1-2") compares as the text it is.
std::vector<FieldDifference> compare_records(const DeviceSettings& unit, const DeviceSettings& file);

}  // namespace zanteq
