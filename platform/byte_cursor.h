// A bounds-checked reader over a byte range with a sticky error: once a read runs past
// the end (or an offset from the data points outside it), every later read yields zero
// and Ok() stays false. Callers read a whole record and check Ok() once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

class ByteCursor {
 public:
  ByteCursor() = default;
  explicit ByteCursor(std::string_view bytes) : data_(bytes) {}
  ByteCursor(const void* bytes, size_t size)
      : data_(static_cast<const char*>(bytes), size) {}

  bool Ok() const { return ok_; }
  size_t Size() const { return data_.size(); }
  size_t Position() const { return pos_; }
  size_t Remaining() const { return ok_ ? data_.size() - pos_ : 0; }
  std::string_view Data() const { return data_; }

  // Moves to an absolute offset; an offset past the end sets the error.
  ByteCursor& Seek(uint64_t offset) {
    if (!ok_ || offset > data_.size()) return Fail();
    pos_ = static_cast<size_t>(offset);
    return *this;
  }
  ByteCursor& Skip(uint64_t count) {
    if (!Has(count)) return Fail();
    pos_ += static_cast<size_t>(count);
    return *this;
  }
  // True when count more bytes can be read.
  bool Has(uint64_t count) const { return ok_ && count <= data_.size() - pos_; }

  uint8_t U8() { return static_cast<uint8_t>(Take(1)); }
  uint16_t U16BE() { return static_cast<uint16_t>(Take(2)); }
  uint32_t U24BE() { return static_cast<uint32_t>(Take(3)); }
  uint32_t U32BE() { return static_cast<uint32_t>(Take(4)); }
  int16_t S16BE() { return static_cast<int16_t>(U16BE()); }
  int32_t S32BE() { return static_cast<int32_t>(U32BE()); }
  uint16_t U16LE() { return static_cast<uint16_t>(TakeLE(2)); }
  uint32_t U32LE() { return static_cast<uint32_t>(TakeLE(4)); }
  int16_t S16LE() { return static_cast<int16_t>(U16LE()); }
  int32_t S32LE() { return static_cast<int32_t>(U32LE()); }

  // count bytes as a view into the data (empty, with the error set, when they are not there).
  std::string_view Bytes(uint64_t count) {
    if (!Has(count)) {
      Fail();
      return {};
    }
    std::string_view out = data_.substr(pos_, static_cast<size_t>(count));
    pos_ += static_cast<size_t>(count);
    return out;
  }

  // A sub-cursor over [offset, offset + length) of this cursor's data; fails (and sets
  // this cursor's error) when the range does not lie inside.
  ByteCursor Slice(uint64_t offset, uint64_t length) {
    if (!ok_ || offset > data_.size() || length > data_.size() - offset) {
      Fail();
      ByteCursor bad;
      bad.ok_ = false;
      return bad;
    }
    return ByteCursor(data_.substr(static_cast<size_t>(offset), static_cast<size_t>(length)));
  }

 private:
  ByteCursor& Fail() {
    ok_ = false;
    return *this;
  }
  uint64_t Take(int n) {
    if (!Has(n)) {
      Fail();
      return 0;
    }
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | static_cast<uint8_t>(data_[pos_++]);
    return v;
  }
  uint64_t TakeLE(int n) {
    if (!Has(n)) {
      Fail();
      return 0;
    }
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<uint64_t>(static_cast<uint8_t>(data_[pos_++])) << (8 * i);
    return v;
  }

  std::string_view data_;
  size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace platform
