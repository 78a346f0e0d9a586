#include "platform/output_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>

namespace platform {

bool MemoryOutput::WriteAt(uint64_t position, std::string_view bytes) {
  if (position + bytes.size() > data_.size()) return false;
  data_.replace(static_cast<size_t>(position), bytes.size(), bytes);
  return true;
}

bool MemoryOutput::Truncate(uint64_t size) {
  if (size < data_.size()) data_.resize(static_cast<size_t>(size));
  return true;
}

bool FileOutput::Open(const std::string& path, bool append) {
  return file_.Open(path, append ? OutputFile::Mode::kAppend : OutputFile::Mode::kTruncate);
}

namespace {

bool WriteAll(int fd, std::string_view bytes, uint64_t position, int& error) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t put = pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(position + done));
    if (put < 0) {
      if (errno == EINTR) continue;
      if (!error) error = errno;
      return false;
    }
    done += static_cast<size_t>(put);
  }
  return true;
}

}  // namespace

SpillOutput::~SpillOutput() {
  if (fd_ >= 0) close(fd_);
}

bool SpillOutput::Spill() {
  // An unnamed file: it disappears with the descriptor, whatever happens to the run.
  fd_ = open(folder_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    std::string templ = folder_ + "/.ferrolin-scratch-XXXXXX";
    fd_ = mkstemp(templ.data());
    if (fd_ >= 0) unlink(templ.c_str());
  }
  if (fd_ < 0) {
    error_ = errno;
    return false;
  }
  if (!WriteAll(fd_, memory_, 0, error_)) return false;
  memory_.clear();
  memory_.shrink_to_fit();
  return true;
}

bool SpillOutput::Write(std::string_view bytes) {
  if (error_) return false;
  if (fd_ < 0 && memory_.size() + bytes.size() > limit_ && !Spill()) return false;
  if (fd_ < 0) {
    memory_.append(bytes);
  } else if (!WriteAll(fd_, bytes, size_, error_)) {
    return false;
  }
  size_ += bytes.size();
  return true;
}

bool SpillOutput::WriteAt(uint64_t position, std::string_view bytes) {
  if (position + bytes.size() > size_) return false;
  if (fd_ < 0) {
    memory_.replace(static_cast<size_t>(position), bytes.size(), bytes);
    return true;
  }
  return WriteAll(fd_, bytes, position, error_);
}

bool SpillOutput::Truncate(uint64_t size) {
  if (size >= size_) return true;
  if (fd_ < 0) {
    memory_.resize(static_cast<size_t>(size));
  } else if (ftruncate(fd_, static_cast<off_t>(size)) != 0) {
    if (!error_) error_ = errno;
    return false;
  }
  size_ = size;
  return true;
}

bool SpillOutput::CopyTo(OutputStream& out) {
  if (fd_ < 0) return out.Write(memory_);
  std::string chunk(1u << 20, '\0');
  for (uint64_t at = 0; at < size_;) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(chunk.size(), size_ - at));
    ssize_t got = pread(fd_, chunk.data(), want, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (!error_) error_ = got < 0 ? errno : EIO;
      return false;
    }
    if (!out.Write(std::string_view(chunk.data(), static_cast<size_t>(got)))) return false;
    at += static_cast<uint64_t>(got);
  }
  return true;
}

}  // namespace platform
