#include "discovery/eudora_ini.h"

#include "platform/encodings.h"
#include "text/ascii.h"
#include "text/recode.h"

namespace discovery {

namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string EudoraIniValue(std::string_view bytes, std::string_view section, std::string_view key) {
  bool inSection = false;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view line = Trim(bytes.substr(start, end - start));
    start = end + 1;
    if (!line.empty() && line.front() == '[') {
      const size_t close = line.find(']');
      inSection = close != std::string_view::npos && text::EqualsNoCase(Trim(line.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos || !text::EqualsNoCase(Trim(line.substr(0, equals)), key)) continue;
    const std::string_view value = Trim(line.substr(equals + 1));
    if (platform::IsValidUTF8(value)) return std::string(value);
    return text::MakeUTF8(std::string(value), platform::kWindowsLatin1);
  }
  return "";
}

}  // namespace discovery
