#include "platform/byte_stream.h"

#include <algorithm>
#include <cstring>

namespace platform {

bool ByteStream::Refill() {
  if (failed_) return false;
  base_ += end_;
  pos_ = end_ = 0;
  long got = ReadAt(base_, buffer_.data(), buffer_.size());
  if (got < 0) {
    failed_ = true;
    return false;
  }
  end_ = static_cast<size_t>(got);
  return end_ > 0;
}

void ByteStream::Seek(uint64_t position) {
  if (position >= base_ && position <= base_ + end_) {
    pos_ = static_cast<size_t>(position - base_);
    return;
  }
  base_ = position;
  pos_ = end_ = 0;
}

bool ByteStream::ReadUntil(char delim, std::string& out, size_t max) {
  bool any = false;
  size_t taken = 0;
  for (;;) {
    if (pos_ >= end_ && !Refill()) return any;
    any = true;
    const char* start = buffer_.data() + pos_;
    size_t avail = std::min(end_ - pos_, max - taken);
    const char* hit = static_cast<const char*>(std::memchr(start, delim, avail));
    if (hit) {
      size_t n = static_cast<size_t>(hit - start);
      out.append(start, n);
      pos_ += n + 1;
      return true;
    }
    out.append(start, avail);
    pos_ += avail;
    taken += avail;
    if (taken >= max) return true;
  }
}

size_t ByteStream::Read(std::string& out, size_t n) {
  size_t done = 0;
  while (done < n) {
    if (pos_ >= end_ && !Refill()) break;
    size_t take = std::min(end_ - pos_, n - done);
    out.append(buffer_.data() + pos_, take);
    pos_ += take;
    done += take;
  }
  return done;
}

long MemoryStream::ReadAt(uint64_t position, char* buf, size_t n) {
  if (position >= bytes_.size()) return 0;
  size_t take = std::min<uint64_t>(n, bytes_.size() - position);
  std::memcpy(buf, bytes_.data() + position, take);
  return static_cast<long>(take);
}

}  // namespace platform
