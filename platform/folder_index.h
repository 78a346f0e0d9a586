// A folder whose files are looked up by name many times in a run, with names that come from
// messages: Eudora's "Attachments Folder" and "Parts Folder". A name from a message is only
// ever one file name directly inside the folder; it never walks the file system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace platform {

class FolderIndex {
 public:
  explicit FolderIndex(FileSpec folder);

  const FileSpec& Folder() const { return folder_; }

  // The regular file named name directly inside the folder. False for an empty name, "."
  // and "..", a name holding '/' or a NUL byte, a missing item, a folder or anything else
  // that is not a regular file, and a symbolic link whose final target lies outside the
  // folder. file receives the item itself (a link is opened through its target later).
  bool FindFile(std::string_view name, FileSpec& file);

  // The names of the folder's items, listed on first use and kept for the rest of the run,
  // sorted bytewise. Empty when the folder cannot be listed.
  const std::vector<std::string>& Names();

 private:
  bool InsideFolder(const std::string& resolvedPath);

  FileSpec folder_;
  bool resolved_ = false;
  std::string canonical_;  // the folder's real path ("" when it cannot be resolved)
  bool listed_ = false;
  std::vector<std::string> names_;
};

}  // namespace platform
