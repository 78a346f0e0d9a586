// Files and folders as the converters see them: a file specification is the POSIX path of
// the enclosing folder and the item's name in it. Everything here touches the file system;
// nothing elsewhere does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/byte_stream.h"

namespace platform {

struct FileSpec {
  std::string folder;  // POSIX path of the enclosing folder ("/" for items of the root)
  std::string name;    // the item's name as the file system stores it (bytes)

  std::string FullPath() const;
  bool operator==(const FileSpec&) const = default;
};

// The specification of the item at path; a relative path is taken from the current folder
// and trailing slashes are dropped.
FileSpec FileSpecFromPath(std::string_view path);
// The item's enclosing folder as a specification (the root stays the root).
FileSpec ParentOf(const FileSpec& item);
// The item named name inside the folder item.
FileSpec Child(const FileSpec& folder, std::string_view name);

enum class ItemKind { kMissing, kFile, kFolder, kOther };
// Kind of the item; follow_links decides whether a symbolic link is looked through.
ItemKind KindOf(const FileSpec& item, bool follow_links = true);
// True when an item of that name exists (a dangling symbolic link counts).
bool Exists(const FileSpec& item);
bool IsSymlink(const FileSpec& item);
// Creates the folder; returns 0 or an errno value (EEXIST when something is there).
int CreateFolder(const FileSpec& item);
// Uses the folder when it exists and creates it otherwise; returns 0 or an errno value
// (ENOTDIR when something other than a folder has the name).
int UseOrCreateFolder(const FileSpec& folder);
// Creates every missing folder of the path; returns 0 or an errno value.
int CreateFolders(const std::string& path);

// Follows a chain of symbolic links to its end. Returns 0 and replaces item with the final
// target (absolute, its own name); a non-link is left as it is. On failure (a dangling or
// looping link) item is unchanged and an errno value is returned.
int ResolveSymlinks(FileSpec& item);

// Identity of a folder for cycle detection in walks.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
  bool operator<(const FileIdentity& o) const {
    return device != o.device ? device < o.device : inode < o.inode;
  }
};
bool IdentityOf(const FileSpec& item, FileIdentity& out);

// Names in a folder, sorted bytewise, without "." and "..". Returns 0 or an errno value.
int ListFolder(const FileSpec& folder, std::vector<std::string>& names);

// Size of the item's data, or -1 when it cannot be learnt.
int64_t FileSize(const FileSpec& item);

// A read-only view of a file's data as a byte stream.
class FileStream final : public ByteStream {
 public:
  ~FileStream() override;
  // Opens the file; returns null with errno_out set when it cannot be opened.
  static std::unique_ptr<FileStream> Open(const FileSpec& item, int* errno_out = nullptr);
  uint64_t SourceSize() const override { return size_; }

 protected:
  long ReadAt(uint64_t position, char* buf, size_t n) override;

 private:
  FileStream(int fd, uint64_t size) : fd_(fd), size_(size) {}
  int fd_;
  uint64_t size_;
};

// Reads at most max bytes of a whole file. Returns 0 or an errno value.
int ReadFile(const FileSpec& item, std::string& out, size_t max = SIZE_MAX);

// A file being written. Every failure (open, write, flush, close) is remembered, so the
// caller asks once at the end whether everything reached the disk.
class OutputFile {
 public:
  enum class Mode { kCreateNew, kTruncate, kAppend };
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool Open(const std::string& path, Mode mode);
  bool Write(std::string_view bytes);
  uint64_t Position() const { return position_; }
  // Overwrites bytes already written at position.
  bool WriteAt(uint64_t position, std::string_view bytes);
  // Cuts the file back to size (used to drop a partly written record).
  bool Truncate(uint64_t size);
  // Flushes and closes; false when anything failed since Open.
  bool Close();
  bool IsOpen() const { return fd_ >= 0; }
  bool Failed() const { return error_ != 0; }
  // errno of the first failure, or 0.
  int Error() const { return error_; }
  const std::string& Path() const { return path_; }

 private:
  bool FlushBuffer();
  int fd_ = -1;
  int error_ = 0;
  uint64_t position_ = 0;
  std::string path_;
  std::string buffer_;
};

// Replaces the file at path by bytes so that an interrupted run leaves either the old or the
// new file: the bytes go to a temporary file in the same folder, are synced, and renamed
// over the old one. A symbolic link at path is replaced in its target. Returns 0 or errno.
int ReplaceFileAtomically(const std::string& path, std::string_view bytes);

// Gives the file at from the name to, unless something already has that name (EEXIST).
// Returns 0 or an errno value.
int MoveWithoutReplacing(const std::string& from, const std::string& to);

// Removes a file; returns 0 or an errno value.
int RemoveFile(const std::string& path);

// Human-readable text of an errno value.
std::string ErrorText(int error);

}  // namespace platform
