// Comparisons of mail and file-name text with ASCII literals. Mail headers, pseudo-tags and
// keywords compare letter case of ASCII letters only; bytes of 0x80 and above are compared
// as they are.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace text {

inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

inline bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

inline bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// Removes every occurrence of affix at both ends of text ("In.mbx" without ".mbx" is "In").
inline std::string TrimAffix(std::string text, std::string_view affix) {
  if (affix.empty()) return text;
  while (StartsWith(text, affix)) text.erase(0, affix.size());
  while (EndsWith(text, affix)) text.erase(text.size() - affix.size());
  return text;
}

}  // namespace text
