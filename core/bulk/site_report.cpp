// Writing the site report.
#include "core/bulk/site_report.h"

#include "core/settings/settings_file.h"

namespace zanteq {

namespace {

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";
constexpr std::string_view wide_blank = "\xE3\x80\x80";  // U+3000 in UTF-8

bool blank_at_edge(std::string_view text) {
  auto ascii_blank = [](char c) { return c == ' ' || c == '\t'; };
  return ascii_blank(text.front()) || ascii_blank(text.back()) || text.substr(0, 3) == wide_blank ||
         (text.size() >= 3 && text.substr(text.size() - 3) == wide_blank);
}

void add_row(std::string& csv, const std::vector<std::string>& fields) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) csv += ',';
    csv += csv_field(fields[i]);
  }
  csv += "\r\n";
}

}  // namespace

std::string csv_field(std::string_view text) {
  if (text.empty()) return {};
  if (text.find_first_of(",\"\r\n") == std::string_view::npos && !blank_at_edge(text)) return std::string(text);
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string format_site_report(const std::vector<SiteReportUnit>& units, const Cp932ToUtf8& convert) {
  std::string csv(byte_order_mark);
  std::vector<std::string> row = {"項目"};
  for (const SiteReportUnit& unit : units) row.push_back(unit.address);
  add_row(csv, row);
  for (int line = 1; line <= settings_file_lines; ++line) {
    if (!settings_file_line_is_read(line)) continue;
    row = {settings_file_line_label(line)};
    for (const SiteReportUnit& unit : units) row.push_back(shown_setting(*unit.record, line, convert));
    add_row(csv, row);
  }
  return csv;
}

}  // namespace zanteq
