// What the date and time dialog's six combos show, and what a combo's text
// stands for.
//
// The combos open on the PC's local time. They are drop-down combos with an
// edit field, so the user may also type into them; what goes to the unit is
// what the combo shows. A typed number that names one of the list's entries
// ("15" in the minute combo, "05" or "５" in the day combo) counts as that
// entry; anything else counts as no selection, which the operations refuse
// with a box naming the field.
#pragma once

#include <string>
#include <string_view>

#include "core/dialogs/date_time.h"

namespace zanteq {

// Entries of the field's combo: years 2000..2099, months 1..12, days 1..31,
// hours 0..23, minutes and seconds 0..59.
int clock_entry_count(ClockField field);
// The entry text at `index` (0-based), without leading zeros ("2000", "1",
// "0"); empty for an index outside the list.
std::string clock_entry_text(ClockField field, int index);

// The selections for a local time. A year outside 2000..2099 leaves the
// year without a selection; so does any other field outside its list.
ClockSelection clock_selection_at(int year, int month, int day, int hour, int minute,
                                  int second);

// The entry index a combo's text (UTF-8) names, or -1. ASCII and full-width
// digits are taken, leading zeros and surrounding blanks (also full-width)
// are ignored; any other character means no entry.
int clock_index_from_text(ClockField field, std::string_view text);

// Writes one field of a selection.
void set_clock_index(ClockSelection& clock, ClockField field, int index);

}  // namespace zanteq
