#include "platform/apple_double.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "platform/byte_cursor.h"

namespace platform {

namespace {

constexpr size_t kHeaderSize = 26;       // magic, version, 16 filler bytes, entry count
constexpr size_t kDescriptorSize = 12;   // id, offset, length
constexpr size_t kFinderInfoSize = 32;

constexpr uint32_t kVersion1 = 0x00010000;
constexpr uint32_t kVersion2 = 0x00020000;

constexpr uint32_t kDataForkId = 1;
constexpr uint32_t kResourceForkId = 2;
constexpr uint32_t kFinderInfoId = 9;

struct Entry {
  uint32_t id = 0;
  uint64_t offset = 0;
  uint64_t length = 0;
  bool in_range = false;
};

bool Overlap(uint64_t a_start, uint64_t a_length, uint64_t b_start, uint64_t b_length) {
  if (a_length == 0 || b_length == 0) return false;
  return a_start < b_start + b_length && b_start < a_start + a_length;
}

}  // namespace

bool ParseAppleDouble(std::string_view bytes, AppleDoubleContents& out) {
  out = AppleDoubleContents{};
  ByteCursor header(bytes);
  uint32_t magic = header.U32BE();
  uint32_t version = header.U32BE();
  header.Skip(16);
  uint16_t declared_count = header.U16BE();
  if (!header.Ok()) return false;
  if (magic != kAppleSingleMagic && magic != kAppleDoubleMagic) return false;
  if (version != kVersion1 && version != kVersion2) return false;
  out.is_apple_single = magic == kAppleSingleMagic;

  // No more descriptors than the file can hold.
  size_t count = std::min<size_t>(declared_count, (bytes.size() - kHeaderSize) / kDescriptorSize);
  const uint64_t table_end = kHeaderSize + uint64_t(count) * kDescriptorSize;

  std::vector<Entry> entries(count);
  for (Entry& e : entries) {
    e.id = header.U32BE();
    e.offset = header.U32BE();
    e.length = header.U32BE();
    e.in_range = e.offset <= bytes.size() && e.length <= bytes.size() - e.offset &&
                 !Overlap(e.offset, e.length, 0, table_end);
  }
  if (!header.Ok()) return false;  // cannot happen: count is bounded by the size

  // The first in-range descriptor of each wanted id is used, unless its data overlaps any
  // other descriptor's data (then neither can be trusted).
  auto find = [&](uint32_t id) -> const Entry* {
    for (size_t i = 0; i < entries.size(); ++i) {
      const Entry& e = entries[i];
      if (e.id != id || !e.in_range) continue;
      for (size_t j = 0; j < entries.size(); ++j) {
        if (j != i && entries[j].in_range &&
            Overlap(e.offset, e.length, entries[j].offset, entries[j].length))
          return nullptr;
      }
      return &e;
    }
    return nullptr;
  };
  auto view = [&](const Entry& e) { return bytes.substr(size_t(e.offset), size_t(e.length)); };

  if (const Entry* e = find(kDataForkId)) {
    out.has_data_fork = true;
    out.data_fork = view(*e);
  }
  if (const Entry* e = find(kResourceForkId)) {
    out.has_resource_fork = true;
    out.resource_fork = view(*e);
  }
  if (const Entry* e = find(kFinderInfoId)) {
    out.has_finder_info = true;
    // Mac OS X appends extended attributes to the Finder info entry; the Finder info
    // proper is its first 32 bytes.
    out.finder_info = view(*e).substr(0, kFinderInfoSize);
  }
  return true;
}

}  // namespace platform
