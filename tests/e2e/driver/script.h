// What the UI driver and the link probe share: reading a script of
// commands, splitting a line into words, and echoing progress as UTF-8 on
// standard output (the test harness reads the last line: PASS or FAIL).
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace e2e {

constexpr int exit_pass = 0;
constexpr int exit_fail = 1;

inline std::string utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

inline std::wstring wide(const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

inline void say(const char* format, ...) {
  char line[4096];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(line, sizeof line - 1, format, args);
  va_end(args);
  std::string text(line, n > 0 ? std::min<std::size_t>(static_cast<std::size_t>(n), sizeof line - 2) : 0);
  text += '\n';
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Line ends made visible.
inline std::string shown(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}
inline std::string shown(const std::wstring& text) { return shown(utf8(text)); }

// Words separated by blanks; "quoted strings" may hold blanks and the
// escapes \r \n \t \" \\. A line whose first word starts with '#' is a
// comment (elsewhere '#' is an ordinary character: "#1006" names a control).
inline std::vector<std::string> split_words(const std::string& line) {
  std::vector<std::string> words;
  const std::size_t first = line.find_first_not_of(" \t");
  if (first == std::string::npos || line[first] == '#') return words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] == '"') {
      ++i;
      while (i < line.size() && line[i] != '"') {
        if (line[i] == '\\' && i + 1 < line.size()) {
          const char e = line[++i];
          word += e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
        } else {
          word += line[i];
        }
        ++i;
      }
      ++i;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') word += line[i++];
    }
    words.push_back(word);
  }
  return words;
}

inline std::vector<std::string> read_lines(const std::wstring& path) {
  std::vector<std::string> lines;
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) return lines;
  std::string content;
  char chunk[4096];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) content.append(chunk, got);
  std::fclose(file);
  std::string line;
  for (char c : content) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

inline unsigned long number(const std::vector<std::string>& words, std::size_t i, unsigned long fallback) {
  return i < words.size() ? std::strtoul(words[i].c_str(), nullptr, 0) : fallback;
}

inline std::string word(const std::vector<std::string>& words, std::size_t i, const char* fallback) {
  return i < words.size() ? words[i] : fallback;
}

struct Failure {
  int code = exit_pass;
  std::string why;
};

// Polls `check` every 50 ms until it holds or `timeout_ms` has passed.
template <typename Check>
bool wait_for(DWORD timeout_ms, Check check, DWORD poll_ms = 50) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    if (check()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(poll_ms);
  }
}

// Runs every line through `step` (which fills a Failure); echoes each line
// and ends with the verdict.
template <typename Step, typename OnFailure>
int run_script(const std::vector<std::string>& lines, Step step, OnFailure on_failure) {
  int line_number = 0;
  for (const std::string& line : lines) {
    ++line_number;
    const std::vector<std::string> words = split_words(line);
    if (words.empty()) continue;
    say("%3d  %s", line_number, line.c_str());
    Failure failure;
    step(words, failure);
    if (failure.code != exit_pass) {
      on_failure();
      say("FAIL at line %d: %s", line_number, failure.why.c_str());
      return failure.code;
    }
  }
  say("PASS");
  return exit_pass;
}

}  // namespace e2e
