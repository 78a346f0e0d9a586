// A buffered, seekable, read-only byte stream. The line reader and the converters read
// their sources through it; the source behind it is a byte range in memory or a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class ByteStream {
 public:
  virtual ~ByteStream() = default;

  // The next byte, or -1 at the end of the input (or after a read error).
  int Get() {
    if (pos_ < end_) return static_cast<unsigned char>(buffer_[pos_++]);
    return Refill() ? static_cast<unsigned char>(buffer_[pos_++]) : -1;
  }
  // The next byte without taking it, or -1.
  int Peek() {
    if (pos_ < end_) return static_cast<unsigned char>(buffer_[pos_]);
    return Refill() ? static_cast<unsigned char>(buffer_[pos_]) : -1;
  }
  // Appends the bytes up to the next delim to out and consumes the delim. Stops after
  // max bytes without consuming anything more. Returns false when not a single byte
  // (not even the delimiter) could be read.
  bool ReadUntil(char delim, std::string& out, size_t max = SIZE_MAX);
  // Reads up to n bytes into out (appending); returns the count read.
  size_t Read(std::string& out, size_t n);

  uint64_t Tell() const { return base_ + pos_; }
  void Seek(uint64_t position);
  bool AtEnd() { return Peek() < 0; }
  // True once the source reported an error (as opposed to a plain end of input).
  bool Failed() const { return failed_; }
  // The size of the source, when it is known (files and memory), else 0.
  virtual uint64_t SourceSize() const = 0;

 protected:
  // Reads up to n bytes at position into buf; returns the count, 0 at the end, or -1
  // on a read error.
  virtual long ReadAt(uint64_t position, char* buf, size_t n) = 0;

 private:
  bool Refill();

  std::vector<char> buffer_ = std::vector<char>(64 * 1024);
  uint64_t base_ = 0;  // source position of buffer_[0]
  size_t pos_ = 0;
  size_t end_ = 0;
  bool failed_ = false;
};

// A stream over bytes the caller keeps alive.
class MemoryStream final : public ByteStream {
 public:
  explicit MemoryStream(std::string_view bytes) : bytes_(bytes) {}
  uint64_t SourceSize() const override { return bytes_.size(); }

 protected:
  long ReadAt(uint64_t position, char* buf, size_t n) override;

 private:
  std::string_view bytes_;
};

}  // namespace platform
