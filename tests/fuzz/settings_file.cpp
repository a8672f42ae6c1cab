// Fuzz target: a settings file from anywhere (another PC, an older version,
// a text editor, a damaged disk), the input whole.
//
// Checked besides the sanitizers:
//  - a refused file leaves the record as it was, and names a line of the
//    file (or the one after its last) with a reason;
//  - a file that loads, saved and loaded again into another record, gives
//    the same record: every number and every text slot byte for byte (the
//    saved file need not be the loaded one: LF line ends, signs, blanks and
//    an empty hold time all load), and the second save is the first;
//  - the range check names one of the 72 lines;
//  - every command set-all builds from the loaded record is one clean line
//    (printable ASCII, CR LF, within the line buffer), whatever the file
//    held, and a file that passes the range check (all zanteqctl sends)
//    gives only commands the unit takes, the simulated unit being the
//    judge; a step refused before sending (a short hold time, a title
//    without JIS codes) sends nothing.
#include <algorithm>
#include <memory>
#include <string>

#include "core/bulk/set_all.h"
#include "core/bulk/transfer_plans.h"
#include "core/link/framing.h"
#include "core/settings/settings_file.h"
#include "sim/unit_commands.h"
#include "tests/fuzz/fuzz_support.h"

namespace zanteq::fuzz {
namespace {

// Every number 7 and every text "x": a record unlike both the factory's
// and most files, so a value that did not load shows.
const std::string& other_file() {
  static const std::string file = [] {
    std::string f;
    for (int line = 1; line <= settings_file_lines; ++line) f += line == 3 || (line >= 62 && line <= 65) ? "x\n" : "7\n";
    return f;
  }();
  return file;
}

bool clean_line(const std::string& command) {
  if (command.size() < 3 || command.size() > max_command_length) return false;
  if (command.compare(command.size() - 2, 2, "\r\n") != 0) return false;
  return std::all_of(command.begin(), command.end() - 2, [](char c) { return c > 0x20 && c < 0x7F; });
}

void check_set_all(const std::string& file, bool in_range) {
  auto app = std::make_unique<AppState>();
  reset_settings(*app);
  FUZZ_CHECK(!read_settings_file(app->record, file), "a saved file does not load");
  sim::UnitState unit = sim::factory_state();
  for (const TransferStep& step : set_all_transfer_plan(*app).steps) {
    FUZZ_CHECK(step.command.empty() == step.refusal.has_value(), "a set-all step neither sends nor refuses");
    if (step.command.empty()) continue;
    FUZZ_CHECK(clean_line(step.command), "set-all builds a line that is no clean command");
    if (in_range) FUZZ_CHECK(sim::handle_command(unit, step.command, 0) == sim::reply_go, "the unit refuses a set-all command");
  }
}

}  // namespace
}  // namespace zanteq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zanteq;
  using namespace zanteq::fuzz;
  const std::string_view content(reinterpret_cast<const char*>(data), size);

  auto loaded = std::make_unique<DeviceSettings>();
  const auto before = record_fields(*loaded);
  const std::optional<SettingsFileFault> fault = read_settings_file(*loaded, content);
  if (fault) {
    FUZZ_CHECK(record_fields(*loaded) == before, "a refused file changed the record");
    const int lines = static_cast<int>(std::count(content.begin(), content.end(), '\n')) +
                      (content.empty() || content.back() == '\n' ? 0 : 1);
    FUZZ_CHECK(fault->line >= 1 && fault->line <= lines + 1,
               "a refusal names no line of the file");
    FUZZ_CHECK(!fault->reason.empty(), "a refusal without a reason");
    return 0;
  }

  const auto problem = check_settings_ranges(*loaded);
  if (problem)
    FUZZ_CHECK(problem->line >= 1 && problem->line <= settings_file_lines && !problem->text.empty(),
               "a range problem names no line");

  const std::string saved = format_settings_file(*loaded);
  auto again = std::make_unique<DeviceSettings>();
  FUZZ_CHECK(!read_settings_file(*again, other_file()), "the other record does not load");
  FUZZ_CHECK(!read_settings_file(*again, saved), "a saved file does not load");
  FUZZ_CHECK(record_fields(*again) == record_fields(*loaded), "a loaded file saved and loaded again differs");
  FUZZ_CHECK(format_settings_file(*again) == saved, "a second save differs from the first");
  check_set_all(saved, !problem);
  return 0;
}
