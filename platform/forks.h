// Resource forks and Finder information of files that came from a Mac. On this system they
// travel beside the file, and are looked for in this order:
//   1. the native fork on macOS (name/..namedfork/rsrc and the com.apple.FinderInfo attribute);
//   2. an AppleDouble sidecar "._name" in the same folder;
//   3. the sidecar a zip extraction leaves, A/__MACOSX/<path below A>/._name, for an
//      ancestor folder A of the file;
//   4. Linux's HFS+ driver, name/rsrc;
//   5. a netatalk folder, .AppleDouble/name.
// A file with none of these has no resource fork and zero type and creator.
#pragma once

#include <cstdint>
#include <string>

#include "platform/files.h"

namespace platform {

struct FinderInfo {
  uint32_t type = 0;
  uint32_t creator = 0;
  uint16_t flags = 0;
};

struct ForkInfo {
  bool has_resource_fork = false;
  std::string resource_fork;  // the fork's bytes (empty when there is none)
  FinderInfo finder;
};

// Largest resource fork read; a larger one counts as absent.
inline constexpr size_t kMaxResourceForkSize = 64u << 20;

// Fills out from the first place that holds fork data for the file. Returns true when any
// was found (a resource fork or Finder information).
bool ReadForks(const FileSpec& file, ForkInfo& out);

// True when the item is not a file of its own but part of another file's fork data: an
// AppleDouble "._" sidecar, a "__MACOSX" or ".AppleDouble" folder. Folder walks skip these.
bool IsForkCompanion(const FileSpec& item);

}  // namespace platform
