#include "platform/folder_index.h"

#include <sys/stat.h>

#include <cstdlib>
#include <memory>

namespace platform {

namespace {

// The real path of path (every link and "." or ".." taken out), or "" when it has none.
std::string RealPath(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : std::string();
}

}  // namespace

FolderIndex::FolderIndex(FileSpec folder) : folder_(std::move(folder)) {}

bool FolderIndex::InsideFolder(const std::string& resolvedPath) {
  if (!resolved_) {
    canonical_ = RealPath(folder_.FullPath());
    resolved_ = true;
  }
  if (canonical_.empty() || resolvedPath.size() <= canonical_.size()) return false;
  if (resolvedPath.compare(0, canonical_.size(), canonical_) != 0) return false;
  return canonical_ == "/" || resolvedPath[canonical_.size()] == '/';
}

bool FolderIndex::FindFile(std::string_view name, FileSpec& file) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos ||
      name.find('\0') != std::string_view::npos)
    return false;
  const FileSpec item{folder_.FullPath(), std::string(name)};
  struct stat st;
  if (lstat(item.FullPath().c_str(), &st) != 0) return false;
  if (S_ISREG(st.st_mode)) {
    file = item;
    return true;
  }
  if (!S_ISLNK(st.st_mode)) return false;
  // A link counts only when it ends at a regular file within the folder.
  const std::string target = RealPath(item.FullPath());
  if (target.empty() || !InsideFolder(target)) return false;
  if (stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  file = FileSpecFromPath(target);
  return true;
}

const std::vector<std::string>& FolderIndex::Names() {
  if (!listed_) {
    listed_ = true;
    if (ListFolder(folder_, names_) != 0) names_.clear();
  }
  return names_;
}

}  // namespace platform
