// Helpers that every settings dialog needs: the slave-address combo, the
// caption rule, combos filled at explicit indexes with UTF-8 entries, and
// edits holding code page 932 text. All run on the interface thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/dialogs/combo_entries.h"
#include "core/dialogs/slave_address.h"

namespace zanteq::win32 {

// Combo 1005 filled, selected and enabled as the core's slave_address_combo
// says for `use`.
void init_slave_address_combo(HWND dialog, SlaveAddressUse use = SlaveAddressUse::feature_dialog);
// WM_COMMAND of combo 1005: a selection becomes slave_address for every
// later command of every dialog. When the combo is left it shows the stored
// address again (RS-485), so text typed into an editable one never stands
// for another address than the one sent.
void on_slave_address_command(HWND dialog, int code);

// Whether Enter (id 1) ends a dialog as Close does.
enum class EnterKey { closes, stays };

// The commands every feature dialog takes alike, before its own: the
// slave-address combo (on_slave_address_command), and Close (id 2: the
// Close button, Escape, the title-bar close) and, where `enter` closes,
// Enter, which end the dialog with IDCANCEL - but not while a timed
// sequence runs, so a run never outlives the dialog that paces it or the
// title position dialog opened above it. True when the command was one of
// these.
bool take_shared_command(HWND dialog, int id, int code, EnterKey enter);

// Unless select_number is -1 (keep the template's caption), the caption
// becomes `feature_label` (UTF-8, with its trailing blank) followed by the
// name of unit-name entry select_number.
void apply_caption_rule(HWND dialog, const char* feature_label);

// CB_INSERTSTRING at an explicit index, so the entry order never depends on
// a sort style of the template.
void insert_combo_entry(HWND dialog, int combo_id, int index, const char* text);
// Entries at indexes 0, 1, 2, ... in the order given.
void insert_combo_entries(HWND dialog, int combo_id, std::initializer_list<const char*> texts);
// The entries of one of the settings dialogs' lists (core/dialogs/combo_entries.h).
void insert_combo_entries(HWND dialog, int combo_id, const ComboEntries& entries);
void select_combo_entry(HWND dialog, int combo_id, int index);
int combo_selection(HWND dialog, int combo_id);  // CB_ERR (-1) when nothing is selected
// CBN_SELCHANGE of a combo whose value lives in the record: store the
// selection index into the field. Only the user raises CBN_SELCHANGE, so a
// stored value that differs is the user's change of a saved setting and
// marks the settings as modified (data_modified). No selection stores
// nothing. Values that are not saved (slave address, button lock, ...) are
// stored by their dialogs directly.
void store_combo_selection(HWND dialog, int combo_id, std::atomic<int>& field);

// Edits whose text the record holds as code page 932 bytes.
std::string edit_text_cp932(HWND dialog, int edit_id, bool* lossy = nullptr);
void set_edit_text_cp932(HWND dialog, int edit_id, std::string_view text);

// UTF-8 text into a control or a window caption.
void set_text(HWND window, const char* text);

}  // namespace zanteq::win32
