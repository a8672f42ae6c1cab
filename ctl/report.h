// What zanteqctl tells its user: a progress bar on standard error while it
// is a terminal, a line per unit on standard error, and with --json one
// JSON object per unit on standard output for scripts.
#pragma once

#include <string>
#include <vector>

#include "core/bulk/unit_run.h"

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

// The member set every per-unit object starts with.
JsonObject unit_object(const std::string& command, const std::string& unit, const UnitOutcome& outcome,
                       long long elapsed_ms, std::size_t bytes_sent, std::size_t bytes_received,
                       int timeout_ms);

// "done", "failed", "interrupted".
const char* outcome_word(const UnitOutcome& outcome);

}  // namespace zanteq::ctl
