#include "app/thunderbird_prefs.h"

#include <cerrno>

namespace app {

namespace {
// Thunderbird's own prefs.js stays far below this; a bigger file is not one to rewrite.
constexpr size_t kMaxPrefsSize = 64u << 20;
}  // namespace

int ReadThunderbirdPrefs(const platform::FileSpec& profile, std::string& text) {
  text.clear();
  platform::FileSpec prefs = platform::Child(profile, "prefs.js");
  if (!platform::Exists(prefs)) return 0;
  platform::ResolveSymlinks(prefs);
  if (platform::KindOf(prefs) != platform::ItemKind::kFile) return EISDIR;
  if (platform::FileSize(prefs) > static_cast<int64_t>(kMaxPrefsSize)) return EFBIG;
  return platform::ReadFile(prefs, text, kMaxPrefsSize);
}

int AppendThunderbirdPrefs(const platform::FileSpec& profile, std::string_view lines) {
  std::string bytes;
  if (int error = ReadThunderbirdPrefs(profile, bytes)) return error;
  if (!bytes.empty() && bytes.back() != '\n') bytes += '\n';
  bytes.append(lines);
  // The replacement follows a link to the file it names.
  return platform::ReplaceFileAtomically(platform::Child(profile, "prefs.js").FullPath(), bytes);
}

}  // namespace app
