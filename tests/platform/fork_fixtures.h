// Builders for resource forks and AppleSingle/AppleDouble files, for the platform tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/apple_double.h"
#include "platform/resource_file.h"

namespace fork_fixtures {

inline void PutU16(std::string& out, uint32_t v) {
  out += char((v >> 8) & 0xFF);
  out += char(v & 0xFF);
}
inline void PutU24(std::string& out, uint32_t v) {
  out += char((v >> 16) & 0xFF);
  PutU16(out, v & 0xFFFF);
}
inline void PutU32(std::string& out, uint32_t v) {
  PutU16(out, v >> 16);
  PutU16(out, v & 0xFFFF);
}
inline void SetU16(std::string& bytes, size_t at, uint32_t v) {
  bytes[at] = char((v >> 8) & 0xFF);
  bytes[at + 1] = char(v & 0xFF);
}
inline void SetU32(std::string& bytes, size_t at, uint32_t v) {
  SetU16(bytes, at, v >> 16);
  SetU16(bytes, at + 2, v & 0xFFFF);
}
inline uint32_t GetU16(std::string_view bytes, size_t at) {
  return (uint32_t(uint8_t(bytes[at])) << 8) | uint8_t(bytes[at + 1]);
}
inline uint32_t GetU32(std::string_view bytes, size_t at) {
  return (GetU16(bytes, at) << 16) | GetU16(bytes, at + 2);
}

struct Resource {
  uint32_t type;
  int16_t id;
  std::string data;
};

// Where the parts of a built fork are, for tests that damage them.
struct ForkLayout {
  uint32_t data_offset = 0;
  uint32_t map_offset = 0;
  uint32_t data_length = 0;
  uint32_t map_length = 0;
  uint32_t type_list = 0;  // offset in the fork
};

// A classic resource fork: 16-byte header, 240 bytes of padding, the data, then the map
// (header copy, next-map handle, file ref, attributes, type list offset 28, name list
// offset, type list, reference lists). Types keep the order of their first resource.
// With map_first the map comes right after the header and the data after it.
inline std::string BuildResourceFork(const std::vector<Resource>& resources, bool map_first = false,
                                     ForkLayout* layout = nullptr) {
  std::vector<uint32_t> types;
  for (const Resource& r : resources) {
    bool known = false;
    for (uint32_t t : types) known = known || t == r.type;
    if (!known) types.push_back(r.type);
  }
  std::string data;
  std::vector<uint32_t> data_offsets;
  for (const Resource& r : resources) {
    data_offsets.push_back(uint32_t(data.size()));
    PutU32(data, uint32_t(r.data.size()));
    data += r.data;
  }
  std::string type_list;
  std::string reference_lists;
  PutU16(type_list, uint32_t(types.size()) - 1);  // 0xFFFF for no types
  const uint32_t reference_base = 2 + 8 * uint32_t(types.size());
  for (uint32_t t : types) {
    uint32_t count = 0;
    uint32_t list_offset = reference_base + uint32_t(reference_lists.size());
    for (size_t i = 0; i < resources.size(); ++i) {
      if (resources[i].type != t) continue;
      ++count;
      PutU16(reference_lists, uint16_t(resources[i].id));
      PutU16(reference_lists, 0xFFFF);  // no name
      reference_lists += '\0';          // attributes
      PutU24(reference_lists, data_offsets[i]);
      PutU32(reference_lists, 0);
    }
    PutU32(type_list, t);
    PutU16(type_list, count - 1);
    PutU16(type_list, list_offset);
  }
  const uint32_t map_length = 28 + uint32_t(type_list.size() + reference_lists.size());
  const uint32_t data_offset = map_first ? 16 + map_length : 256;
  const uint32_t map_offset = map_first ? 16 : data_offset + uint32_t(data.size());
  std::string header;
  PutU32(header, data_offset);
  PutU32(header, map_offset);
  PutU32(header, uint32_t(data.size()));
  PutU32(header, map_length);
  std::string map = header;
  PutU32(map, 0);  // next map handle
  PutU16(map, 0);  // file reference
  PutU16(map, 0);  // attributes
  PutU16(map, 28);
  PutU16(map, map_length);
  map += type_list + reference_lists;
  if (layout) *layout = {data_offset, map_offset, uint32_t(data.size()), map_length, map_offset + 28};
  if (map_first) return header + map + data;
  return header + std::string(data_offset - 16, '\0') + data + map;
}

struct Entry {
  uint32_t id;
  std::string data;
};

// AppleDouble (or AppleSingle) with the entries' data in order after the descriptors.
inline std::string BuildAppleDouble(const std::vector<Entry>& entries, uint32_t magic = platform::kAppleDoubleMagic,
                                    uint32_t version = 0x00020000) {
  std::string out;
  PutU32(out, magic);
  PutU32(out, version);
  out += std::string(16, version == 0x00020000 ? '\0' : ' ');
  PutU16(out, uint32_t(entries.size()));
  uint32_t offset = 26 + 12 * uint32_t(entries.size());
  std::string body;
  for (const Entry& e : entries) {
    PutU32(out, e.id);
    PutU32(out, offset + uint32_t(body.size()));
    PutU32(out, uint32_t(e.data.size()));
    body += e.data;
  }
  return out + body;
}

// 32 bytes of Finder info: type, creator, flags, then zeros.
inline std::string FinderInfoBytes(std::string_view type, std::string_view creator, uint16_t flags) {
  std::string out(type.substr(0, 4));
  out += creator.substr(0, 4);
  PutU16(out, flags);
  out.resize(32, '\0');
  return out;
}

// A copy of bytes in a heap block of exactly their size, so that the address sanitizer
// sees any read past their end.
class ExactCopy {
 public:
  explicit ExactCopy(std::string_view bytes) : size_(bytes.size()), data_(new char[bytes.size() ? bytes.size() : 1]) {
    if (size_) std::memcpy(data_.get(), bytes.data(), size_);
  }
  std::string_view View() const { return std::string_view(data_.get(), size_); }
  // True when view lies inside the copy.
  bool Holds(std::string_view view) const {
    if (view.empty()) return true;
    const char* begin = data_.get();
    return view.data() >= begin && view.data() + view.size() <= begin + size_;
  }

 private:
  size_t size_;
  std::unique_ptr<char[]> data_;
};

}  // namespace fork_fixtures
