#include "platform/forks.h"

#include <fcntl.h>
#include <unistd.h>
#if defined(__APPLE__) || defined(__linux__)
#include <sys/xattr.h>
#endif

#include <cerrno>
#include <string_view>

#include "platform/apple_double.h"
#include "platform/byte_cursor.h"

namespace platform {

namespace {

// A sidecar holds the resource fork plus its header, the Finder info and whatever extended
// attributes Mac OS X stored beside it; more than this is not read (a fork cut off by the
// limit lies outside what was read and counts as absent).
constexpr size_t kMaxSidecarSize = kMaxResourceForkSize + (1u << 20);

constexpr size_t kFinderInfoSize = 32;

// Type, creator and flags from the first 10 bytes of a Finder info record.
bool ParseFinderInfo(std::string_view bytes, FinderInfo& out) {
  ByteCursor cursor(bytes);
  FinderInfo info;
  info.type = cursor.U32BE();
  info.creator = cursor.U32BE();
  info.flags = cursor.U16BE();
  if (!cursor.Ok()) return false;
  out = info;
  return true;
}

// The Finder info extended attribute (name) of the file at path.
bool ReadFinderInfoAttribute([[maybe_unused]] const std::string& path, [[maybe_unused]] const char* name,
                             [[maybe_unused]] FinderInfo& out) {
#if defined(__APPLE__) || defined(__linux__)
  char buf[kFinderInfoSize];
#if defined(__APPLE__)
  ssize_t got = getxattr(path.c_str(), name, buf, sizeof buf, 0, 0);
#else
  ssize_t got = getxattr(path.c_str(), name, buf, sizeof buf);
#endif
  if (got < 0) return false;
  return ParseFinderInfo(std::string_view(buf, static_cast<size_t>(got)), out);
#else
  return false;
#endif
}

// A plain fork file (the native fork, or HFS+'s name/rsrc). True with the bytes in out
// when it is a regular, non-empty file within the size limit.
bool ReadForkFile(const FileSpec& fork, std::string& out) {
  if (KindOf(fork) != ItemKind::kFile) return false;
  int64_t size = FileSize(fork);
  if (size <= 0 || static_cast<uint64_t>(size) > kMaxResourceForkSize) return false;
  std::string bytes;
  if (ReadFile(fork, bytes, kMaxResourceForkSize + 1) != 0) return false;
  if (bytes.empty() || bytes.size() > kMaxResourceForkSize) return false;
  out = std::move(bytes);
  return true;
}

// An AppleDouble (or AppleSingle) file beside the file. True when it holds a resource fork
// or Finder info.
bool ReadSidecar(const FileSpec& sidecar, ForkInfo& out) {
  if (KindOf(sidecar) != ItemKind::kFile) return false;
  std::string bytes;
  if (ReadFile(sidecar, bytes, kMaxSidecarSize) != 0) return false;
  AppleDoubleContents contents;
  if (!ParseAppleDouble(bytes, contents)) return false;

  ForkInfo info;
  bool found = contents.has_finder_info && ParseFinderInfo(contents.finder_info, info.finder);
  std::string_view fork = contents.resource_fork;
  if (contents.has_resource_fork && !fork.empty() && fork.size() <= kMaxResourceForkSize) {
    // The fork becomes the buffer itself, cut to its place.
    size_t start = static_cast<size_t>(fork.data() - bytes.data());
    size_t length = fork.size();
    bytes.resize(start + length);
    bytes.erase(0, start);
    info.resource_fork = std::move(bytes);
    info.has_resource_fork = true;
    found = true;
  }
  if (found) out = std::move(info);
  return found;
}

#if defined(__APPLE__)
bool ReadNativeForks(const FileSpec& file, ForkInfo& out) {
  ForkInfo info;
  const std::string path = file.FullPath();
  bool found = ReadFinderInfoAttribute(path, XATTR_FINDERINFO_NAME, info.finder);
  if (ReadForkFile(FileSpec{path + "/..namedfork", "rsrc"}, info.resource_fork)) {
    info.has_resource_fork = true;
    found = true;
  }
  if (found) out = std::move(info);
  return found;
}
#endif

// The sidecars a zip extraction leaves: A/__MACOSX/<folder below A>/._name for every
// ancestor A of the file, nearest first.
bool ReadZipSidecar(const FileSpec& file, const std::string& sidecar_name, ForkInfo& out) {
  FileSpec ancestor = FileSpecFromPath(file.folder);
  std::string below;  // the file's folder relative to ancestor
  for (;;) {
    std::string folder = Child(ancestor, "__MACOSX").FullPath();
    if (!below.empty()) folder += "/" + below;
    if (ReadSidecar(FileSpec{folder, sidecar_name}, out)) return true;
    if (ancestor.name.empty()) return false;  // the root has been looked at
    below = below.empty() ? ancestor.name : ancestor.name + "/" + below;
    ancestor = ParentOf(ancestor);
  }
}

// Linux's HFS+ driver shows a file's resource fork as name/rsrc and its Finder info as an
// extended attribute.
bool ReadHfsPlusForks(const FileSpec& file, ForkInfo& out) {
  const std::string path = file.FullPath();
  FileSpec rsrc{path, "rsrc"};
  if (KindOf(rsrc) != ItemKind::kFile) return false;
  ForkInfo info;
  bool found = ReadFinderInfoAttribute(path, "osx.com.apple.FinderInfo", info.finder);
  if (ReadForkFile(rsrc, info.resource_fork)) {
    info.has_resource_fork = true;
    found = true;
  }
  if (found) out = std::move(info);
  return found;
}

}  // namespace

bool ReadForks(const FileSpec& file, ForkInfo& out) {
  out = ForkInfo{};
#if defined(__APPLE__)
  if (ReadNativeForks(file, out)) return true;
#endif
  const std::string sidecar_name = "._" + file.name;
  if (ReadSidecar(FileSpec{file.folder, sidecar_name}, out)) return true;
  if (ReadZipSidecar(file, sidecar_name, out)) return true;
  if (ReadHfsPlusForks(file, out)) return true;
  if (ReadSidecar(FileSpec{FileSpec{file.folder, ".AppleDouble"}.FullPath(), file.name}, out)) return true;
  return false;
}

bool IsForkCompanion(const FileSpec& item) {
  std::string_view name = item.name;
  if (name == "__MACOSX" || name == ".AppleDouble") return KindOf(item) == ItemKind::kFolder;
  if (!name.starts_with("._") || KindOf(item) != ItemKind::kFile) return false;
  int fd = open(item.FullPath().c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  char magic[4];
  size_t got = 0;
  while (got < sizeof magic) {
    ssize_t n = read(fd, magic + got, sizeof magic - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  ByteCursor cursor(magic, got);
  return cursor.U32BE() == kAppleDoubleMagic && cursor.Ok();
}

}  // namespace platform
