#include "discovery/file_refs.h"

#include <algorithm>

#include "platform/encodings.h"

int ResolveAliasesAndSymlinks(platform::FileSpec& file, bool& isFolder) {
  int error = platform::ResolveSymlinks(file);
  isFolder = platform::KindOf(file) == platform::ItemKind::kFolder;
  return error;
}

int FSPGetParentSpec(platform::FileSpec& file) {
  file = platform::ParentOf(file);
  return 0;
}

std::string GetUnicodeFilename(const platform::FileSpec& file, int32_t count) {
  std::string out;
  platform::FileSpec current = file;
  for (int32_t i = 0; i <= std::max<int32_t>(count, 0); ++i) {
    std::string name = platform::FileNameToUTF8(current.name);
    out = i > 0 ? name + "/" + out : name;
    FSPGetParentSpec(current);
  }
  return out;
}
