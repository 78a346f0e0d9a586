#include "app/thunderbird_prefs.h"

#include <cerrno>
#include <string>

namespace app {

namespace {
// Thunderbird's own prefs.js stays far below this; a bigger file is not one to rewrite.
constexpr size_t kMaxPrefsSize = 64u << 20;
}  // namespace

int AppendThunderbirdPrefs(const platform::FileSpec& profile, std::string_view lines) {
  platform::FileSpec prefs = platform::Child(profile, "prefs.js");
  std::string bytes;
  if (platform::Exists(prefs)) {
    platform::ResolveSymlinks(prefs);
    if (platform::KindOf(prefs) != platform::ItemKind::kFile) return EISDIR;
    if (platform::FileSize(prefs) > static_cast<int64_t>(kMaxPrefsSize)) return EFBIG;
    if (int error = platform::ReadFile(prefs, bytes, kMaxPrefsSize)) return error;
    if (!bytes.empty() && bytes.back() != '\n') bytes += '\n';
  }
  bytes.append(lines);
  return platform::ReplaceFileAtomically(prefs.FullPath(), bytes);
}

}  // namespace app
