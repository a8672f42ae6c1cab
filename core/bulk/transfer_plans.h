// The plans of every transfer the program and zanteqctl run, for the
// transfer engine (core/link/transfer.h): each step's command, what its
// reply must be, the settings-file lines of its field and, for a step
// refused before sending, its box. Each plan is built beside the step table
// it comes from (read_all.cpp, set_all.cpp, panel_sequences.cpp).
#pragma once

#include <string>
#include <vector>

#include "core/link/transfer.h"
#include "core/settings/record.h"

namespace zanteq {

// Read-all: the 51 reads at 400 ms, each awaiting the data line of its
// field; the last (RVN) touches no line of the file.
TransferPlan read_all_transfer_plan();

// Set-all: the 50 steps for the record of `app` at 500 ms, built by the
// same operations as the dialogs' 設定 buttons, refusals included (a hold
// time below 3 s goes on, a title without JIS form ends the run). Shows
// nothing and leaves the link values alone.
TransferPlan set_all_transfer_plan(AppState& app);

// The title dialog's 全設定 (form CJ) or 全設定Don't (form CJN): the four
// titles at 200 ms; a refusal that ends the run ends it in its step.
TransferPlan title_transfer_plan(AppState& app, bool dont_memory);

// The video adjustment dialog's 全設定: brightness, contrast, sharpness,
// hue and saturation of ch.01..ch.04 at 100 ms.
TransferPlan video_adjust_transfer_plan(AppState& app);

// One question to one address, whose answer shows a unit is there: "RVN".
// A unit answers within a few milliseconds, so a silent address costs only
// the short time-out.
constexpr int scan_timeout_ms = 250;
TransferPlan scan_transfer_plan(int timeout_ms = scan_timeout_ms);

// Raw command lines (without CR LF, which is added), each awaiting whatever
// comes back and standing alone: an error reply or silence does not keep
// the next line from going. A broadcast of them goes at the set-all pace.
TransferPlan raw_lines_transfer_plan(const std::vector<std::string>& lines);

}  // namespace zanteq
