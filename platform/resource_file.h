// The classic Mac resource file format: a 16-byte header (data offset, map offset, data
// length, map length), the resource data (each resource a 4-byte length and its bytes) and
// the map (a copy of the header, type list, reference lists, name list). Every offset and
// length read from the fork is checked against the fork's size; a damaged map yields no
// resources rather than a wrong read.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace platform {

constexpr uint32_t FourCC(const char (&code)[5]) {
  return (uint32_t(uint8_t(code[0])) << 24) | (uint32_t(uint8_t(code[1])) << 16) |
         (uint32_t(uint8_t(code[2])) << 8) | uint32_t(uint8_t(code[3]));
}

struct ResourceEntry {
  uint32_t type = 0;
  int16_t id = 0;
  uint32_t data_offset = 0;  // offset of the resource's bytes (after their length word) in the fork
  uint32_t length = 0;       // the resource's length as stored
};

class ResourceFile {
 public:
  // Parses the map of a fork. False when the header or map is unusable. The object keeps
  // views into fork, whose bytes must outlive it (or the next Parse).
  bool Parse(std::string_view fork);

  // Every resource whose length word lies in the data area, in map order (a resource whose
  // bytes run past the data area is listed, but Get and GetPartial give nothing for it).
  const std::vector<ResourceEntry>& Entries() const { return entries_; }
  // The first resource of that type and id.
  const ResourceEntry* Find(uint32_t type, int16_t id) const;
  // The whole resource, or nothing when it is missing or does not fit in the fork.
  std::optional<std::string_view> Get(uint32_t type, int16_t id) const;
  // length bytes of the resource from offset (a partial read); cut at the resource's end.
  std::optional<std::string_view> GetPartial(uint32_t type, int16_t id, uint32_t offset, uint32_t length) const;

 private:
  std::string_view fork_;
  uint64_t data_end_ = 0;  // end of the data area in the fork: no resource reaches past it
  std::vector<ResourceEntry> entries_;
};

}  // namespace platform
