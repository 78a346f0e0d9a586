// The tag definitions added to any prefs.js text: only labels 1-15 get one, never twice, and
// every line is a whole user_pref line.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "app/thunderbird_label_tags.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view prefs(reinterpret_cast<const char*>(data), size);
  const std::set<int32_t> labels = {-1, 0, 1, 2, 7, 8, 15, 16};
  const std::string lines = app::LabelTagPrefs(prefs, labels);
  if (!lines.empty() && lines.back() != '\n') __builtin_trap();
  // What was added is defined now: asking again adds nothing.
  if (!app::LabelTagPrefs(std::string(prefs) + "\n" + lines, labels).empty()) __builtin_trap();
  return 0;
}
