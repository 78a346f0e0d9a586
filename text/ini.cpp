#include "text/ini.h"

namespace text {

namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

void ForEachIniLine(std::string_view bytes,
                    const std::function<bool(std::string_view section, std::string_view key, std::string_view value)>& visit) {
  std::string_view section;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view line = Trim(bytes.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      const size_t close = line.find(']');
      section = close == std::string_view::npos ? std::string_view() : Trim(line.substr(1, close - 1));
      if (!visit(section, {}, {})) return;
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = Trim(line.substr(0, equals));
    if (key.empty()) continue;
    if (!visit(section, key, Trim(line.substr(equals + 1)))) return;
  }
}

}  // namespace text
