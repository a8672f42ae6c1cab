// What zanteqctl tells its user: a progress bar on standard error while it
// is a terminal, a line per unit on standard error, and with --json one
// JSON object per unit on standard output for scripts.
#pragma once

#include <string>
#include <vector>

#include "core/link/transfer.h"
#include "core/link/transfer_loop.h"

namespace zanteq::ctl {

// One JSON object, members in the order added. Strings must be UTF-8.
class JsonObject {
 public:
  JsonObject& add(const std::string& key, const std::string& value);
  JsonObject& add(const std::string& key, const char* value) { return add(key, std::string(value)); }
  JsonObject& add(const std::string& key, long long value);
  JsonObject& add(const std::string& key, bool value);
  JsonObject& add_strings(const std::string& key, const std::vector<std::string>& values);
  JsonObject& add_objects(const std::string& key, const std::vector<JsonObject>& values);
  std::string text() const { return "{" + members_ + "}"; }

 private:
  void key(const std::string& name);
  std::string members_;
};

std::string json_string(const std::string& text);

class Progress {
 public:
  explicit Progress(bool terminal) : terminal_(terminal) {}
  // "unit 03  write  [#####     ]  12/50  24%", rewritten in place.
  void show(const std::string& unit, const std::string& verb, int done, int count);
  // Removes the bar before a line of text is written to standard error.
  void clear();

 private:
  bool terminal_;
  bool shown_ = false;
};

// What became of one unit's run: done (every step answered as it must
// be), interrupted (Ctrl-C), or failed (the run ended early, or a step
// was answered otherwise: GN to a set command, another field's data to a
// read).
enum class UnitResult { done, failed, interrupted };
UnitResult unit_result(const Transfer& transfer);
const char* result_word(UnitResult result);  // "done", "failed", "interrupted"

// Where and why a run that did not complete ended: "failed at step 11 of
// 50 (VAC03064): reply E3 (Command Error)"; empty when it completed or was
// stopped.
std::string failure_text(const Transfer& transfer);

// The notes of a run, one line each: the replies not as their step must
// have them and the lines from other addresses, skipped.
std::vector<std::string> run_notes(const TransferOutcome& outcome);

// The member set every per-unit object starts with: command, unit, result,
// steps done, elapsed time, bytes each way, where and why it failed, the
// unexpected replies and the lines from other addresses.
JsonObject unit_object(const std::string& command, const std::string& unit, UnitResult result,
                       const Transfer& transfer, const LoopRun& run);

}  // namespace zanteq::ctl
