#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

std::string CurrentFolder() {
  std::string buf(PATH_MAX, '\0');
  if (!getcwd(buf.data(), buf.size())) return "/";
  buf.resize(std::strlen(buf.c_str()));
  return buf;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (out.empty() || out.back() != '/') out += '/';
  out += name;
  return out;
}

}  // namespace

std::string FileSpec::FullPath() const {
  if (name.empty()) return folder;
  return JoinPath(folder, name);
}

FileSpec FileSpecFromPath(std::string_view path) {
  std::string p(path);
  if (p.empty()) p = ".";
  if (p.front() != '/') p = JoinPath(CurrentFolder(), p);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (p == "/") return FileSpec{"/", ""};
  size_t slash = p.rfind('/');
  FileSpec out;
  out.folder = slash == 0 ? "/" : p.substr(0, slash);
  out.name = p.substr(slash + 1);
  return out;
}

FileSpec ParentOf(const FileSpec& item) {
  if (item.name.empty()) return item;  // the root
  return FileSpecFromPath(item.folder);
}

FileSpec Child(const FileSpec& folder, std::string_view name) {
  return FileSpec{folder.FullPath(), std::string(name)};
}

ItemKind KindOf(const FileSpec& item, bool follow_links) {
  struct stat st;
  std::string path = item.FullPath();
  int rc = follow_links ? stat(path.c_str(), &st) : lstat(path.c_str(), &st);
  if (rc != 0) return ItemKind::kMissing;
  if (S_ISDIR(st.st_mode)) return ItemKind::kFolder;
  if (S_ISREG(st.st_mode)) return ItemKind::kFile;
  return ItemKind::kOther;
}

bool Exists(const FileSpec& item) {
  struct stat st;
  return lstat(item.FullPath().c_str(), &st) == 0;
}

bool IsSymlink(const FileSpec& item) {
  struct stat st;
  return lstat(item.FullPath().c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

int CreateFolder(const FileSpec& item) {
  return mkdir(item.FullPath().c_str(), 0777) == 0 ? 0 : errno;
}

int UseOrCreateFolder(const FileSpec& folder) {
  switch (KindOf(folder)) {
    case ItemKind::kFolder:
      return 0;
    case ItemKind::kMissing: {
      int error = CreateFolder(folder);
      if (error == EEXIST && KindOf(folder) == ItemKind::kFolder) return 0;
      return error;
    }
    default:
      return ENOTDIR;
  }
}

int CreateFolders(const std::string& path) {
  if (path.empty()) return ENOENT;
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
  size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    int rc = CreateFolders(path.substr(0, slash));
    if (rc != 0) return rc;
  }
  if (mkdir(path.c_str(), 0777) == 0 || errno == EEXIST) return 0;
  return errno;
}

int ResolveSymlinks(FileSpec& item) {
  if (!IsSymlink(item)) return 0;
  std::string path = item.FullPath();
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved) return errno;
  item = FileSpecFromPath(resolved);
  std::free(resolved);
  return 0;
}

bool IdentityOf(const FileSpec& item, FileIdentity& out) {
  struct stat st;
  if (stat(item.FullPath().c_str(), &st) != 0) return false;
  out.device = static_cast<uint64_t>(st.st_dev);
  out.inode = static_cast<uint64_t>(st.st_ino);
  return true;
}

int ListFolder(const FileSpec& folder, std::vector<std::string>& names) {
  names.clear();
  DIR* dir = opendir(folder.FullPath().c_str());
  if (!dir) return errno;
  errno = 0;
  while (struct dirent* entry = readdir(dir)) {
    std::string_view name(entry->d_name);
    if (name != "." && name != "..") names.emplace_back(name);
    errno = 0;
  }
  int error = errno;
  closedir(dir);
  std::sort(names.begin(), names.end());
  return error;
}

int64_t FileSize(const FileSpec& item) {
  struct stat st;
  if (stat(item.FullPath().c_str(), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

FileStream::~FileStream() {
  if (fd_ >= 0) close(fd_);
}

std::unique_ptr<FileStream> FileStream::Open(const FileSpec& item, int* errno_out) {
  // Non-blocking, so that a named pipe met in a walk cannot stall the run.
  int fd = open(item.FullPath().c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno_out) *errno_out = errno;
    return nullptr;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    if (errno_out) *errno_out = S_ISDIR(st.st_mode) ? EISDIR : errno;
    close(fd);
    return nullptr;
  }
  if (errno_out) *errno_out = 0;
  return std::unique_ptr<FileStream>(new FileStream(fd, static_cast<uint64_t>(st.st_size)));
}

long FileStream::ReadAt(uint64_t position, char* buf, size_t n) {
  for (;;) {
    ssize_t got = pread(fd_, buf, n, static_cast<off_t>(position));
    if (got >= 0) return static_cast<long>(got);
    if (errno != EINTR) return -1;
  }
}

int ReadFile(const FileSpec& item, std::string& out, size_t max) {
  out.clear();
  int error = 0;
  auto stream = FileStream::Open(item, &error);
  if (!stream) return error;
  size_t want = static_cast<size_t>(std::min<uint64_t>(stream->SourceSize(), max));
  out.reserve(want);
  stream->Read(out, max);
  return stream->Failed() ? EIO : 0;
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) Close();
}

bool OutputFile::Open(const std::string& path, Mode mode) {
  if (fd_ >= 0) Close();
  path_ = path;
  error_ = 0;
  buffer_.clear();
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
  if (mode == Mode::kCreateNew) flags |= O_EXCL;
  if (mode == Mode::kTruncate) flags |= O_TRUNC;
  // Appending seeks to the end instead of using O_APPEND, under which Linux ignores the
  // offset of pwrite and WriteAt would append rather than overwrite.
  fd_ = open(path.c_str(), flags, 0666);
  if (fd_ < 0) {
    error_ = errno;
    return false;
  }
  position_ = 0;
  if (mode == Mode::kAppend) {
    off_t end = lseek(fd_, 0, SEEK_END);
    if (end < 0) {
      error_ = errno;
      return false;
    }
    position_ = static_cast<uint64_t>(end);
  }
  return true;
}

bool OutputFile::FlushBuffer() {
  size_t done = 0;
  while (done < buffer_.size()) {
    ssize_t put = write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      if (!error_) error_ = errno;
      break;
    }
    done += static_cast<size_t>(put);
  }
  buffer_.clear();
  return error_ == 0;
}

bool OutputFile::Write(std::string_view bytes) {
  if (fd_ < 0) {
    if (!error_) error_ = EBADF;
    return false;
  }
  position_ += bytes.size();
  if (buffer_.size() + bytes.size() > (256u << 10)) {
    FlushBuffer();
    if (bytes.size() > (256u << 10)) {
      buffer_.assign(bytes);
      return FlushBuffer();
    }
  }
  buffer_.append(bytes);
  return error_ == 0;
}

bool OutputFile::WriteAt(uint64_t position, std::string_view bytes) {
  if (fd_ < 0 || position + bytes.size() > position_) {
    if (!error_) error_ = fd_ < 0 ? EBADF : EINVAL;
    return false;
  }
  FlushBuffer();
  size_t done = 0;
  while (done < bytes.size() && !error_) {
    ssize_t put = pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(position + done));
    if (put < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      break;
    }
    done += static_cast<size_t>(put);
  }
  return error_ == 0;
}

bool OutputFile::Truncate(uint64_t size) {
  if (fd_ < 0) return false;
  FlushBuffer();
  if (ftruncate(fd_, static_cast<off_t>(size)) != 0) {
    if (!error_) error_ = errno;
    return false;
  }
  position_ = size;
  lseek(fd_, static_cast<off_t>(size), SEEK_SET);
  return error_ == 0;
}

bool OutputFile::Close() {
  if (fd_ < 0) return error_ == 0;
  FlushBuffer();
  if (close(fd_) != 0 && !error_) error_ = errno;
  fd_ = -1;
  return error_ == 0;
}

int ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  std::string target = path;
  if (char* resolved = realpath(path.c_str(), nullptr)) {
    target = resolved;
    std::free(resolved);
  }
  std::string temp = target + ".ferrolin-tmp";
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  int error = 0;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    done += static_cast<size_t>(put);
  }
  if (!error && fsync(fd) != 0) error = errno;
  // Keep the old file's permissions.
  struct stat st;
  if (!error && stat(target.c_str(), &st) == 0) fchmod(fd, st.st_mode & 07777);
  if (close(fd) != 0 && !error) error = errno;
  if (!error && rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error) unlink(temp.c_str());
  return error;
}

int MoveWithoutReplacing(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // File systems without RENAME_NOREPLACE: a hard link fails as well when the name is taken.
  if (link(from.c_str(), to.c_str()) != 0) return errno;
  unlink(from.c_str());
  return 0;
}

int RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0 ? 0 : errno; }

std::string ErrorText(int error) {
  return std::strerror(error);
}

}  // namespace platform
