#include "platform/resource_file.h"

#include <algorithm>

#include "platform/byte_cursor.h"

namespace platform {

namespace {

constexpr uint64_t kForkHeaderSize = 16;   // data offset, map offset, data length, map length
constexpr uint64_t kMapHeaderSize = 28;    // header copy, next map, file ref, attributes, two offsets
constexpr uint64_t kTypeEntrySize = 8;     // type code, count - 1, reference list offset
constexpr uint64_t kReferenceSize = 12;    // id, name offset, attributes, data offset, reserved

// A stored "count - 1": 0xFFFF stands for none (an empty map holds it).
uint32_t CountFromStored(uint16_t stored) { return (uint32_t(stored) + 1) & 0xFFFF; }

// True when [offset, offset + length) lies inside [0, size).
bool Inside(uint64_t offset, uint64_t length, uint64_t size) {
  return offset <= size && length <= size - offset;
}

}  // namespace

bool ResourceFile::Parse(std::string_view fork) {
  fork_ = {};
  data_end_ = 0;
  entries_.clear();

  ByteCursor header(fork);
  const uint64_t data_offset = header.U32BE();
  const uint64_t map_offset = header.U32BE();
  const uint64_t data_length = header.U32BE();
  const uint64_t map_length = header.U32BE();
  if (!header.Ok()) return false;
  const uint64_t size = fork.size();
  if (data_offset < kForkHeaderSize || !Inside(data_offset, data_length, size)) return false;
  if (map_offset < kForkHeaderSize || !Inside(map_offset, map_length, size)) return false;
  if (map_length < kMapHeaderSize) return false;
  // The data area and the map never share bytes.
  if (data_length != 0 && data_offset < map_offset + map_length && map_offset < data_offset + data_length)
    return false;

  ByteCursor map = header.Slice(map_offset, map_length);
  map.Skip(24);
  const uint64_t type_list_offset = map.U16BE();
  map.U16BE();  // name list offset: names are not used
  if (!map.Ok() || type_list_offset > map_length) return false;

  // Reference list offsets count from the type list's start; everything must lie inside
  // the map.
  ByteCursor type_list = map.Slice(type_list_offset, map_length - type_list_offset);
  const uint32_t type_count = CountFromStored(type_list.U16BE());
  if (!type_list.Has(uint64_t(type_count) * kTypeEntrySize)) return false;

  // Reference lists must not be shared to inflate the work: no more references in all
  // than the map can hold.
  uint64_t reference_budget = map_length / kReferenceSize;
  ByteCursor data_area = header.Slice(data_offset, data_length);
  if (!header.Ok()) return false;

  std::vector<ResourceEntry> entries;
  for (uint32_t t = 0; t < type_count; ++t) {
    const uint32_t type = type_list.U32BE();
    const uint32_t count = CountFromStored(type_list.U16BE());
    const uint64_t list_offset = type_list.U16BE();
    if (!type_list.Ok()) return false;
    if (count > reference_budget) return false;
    reference_budget -= count;
    if (!Inside(list_offset, uint64_t(count) * kReferenceSize, type_list.Size())) return false;
    ByteCursor references = type_list.Slice(list_offset, uint64_t(count) * kReferenceSize);
    for (uint32_t r = 0; r < count; ++r) {
      ResourceEntry entry;
      entry.type = type;
      entry.id = references.S16BE();
      references.U16BE();  // name offset
      references.U8();     // attributes
      const uint64_t offset_in_data = references.U24BE();
      references.U32BE();  // reserved (handle)
      if (!references.Ok()) return false;
      // The length word must be in the data area; a resource whose bytes run past it is
      // listed (with its stored length) but cannot be read.
      ByteCursor length_word(data_area.Data());
      length_word.Seek(offset_in_data);
      entry.length = length_word.U32BE();
      const uint64_t bytes_offset = data_offset + offset_in_data + 4;
      if (!length_word.Ok() || bytes_offset > UINT32_MAX) continue;
      entry.data_offset = uint32_t(bytes_offset);
      entries.push_back(entry);
    }
  }

  fork_ = fork;
  data_end_ = data_offset + data_length;
  entries_ = std::move(entries);
  return true;
}

const ResourceEntry* ResourceFile::Find(uint32_t type, int16_t id) const {
  for (const ResourceEntry& e : entries_) {
    if (e.type == type && e.id == id) return &e;
  }
  return nullptr;
}

std::optional<std::string_view> ResourceFile::Get(uint32_t type, int16_t id) const {
  return GetPartial(type, id, 0, UINT32_MAX);
}

std::optional<std::string_view> ResourceFile::GetPartial(uint32_t type, int16_t id, uint32_t offset,
                                                         uint32_t length) const {
  const ResourceEntry* e = Find(type, id);
  if (!e || !Inside(e->data_offset, e->length, data_end_)) return std::nullopt;
  if (offset > e->length) return std::nullopt;
  ByteCursor fork(fork_);
  ByteCursor bytes = fork.Slice(uint64_t(e->data_offset) + offset, std::min(length, e->length - offset));
  if (!fork.Ok()) return std::nullopt;
  return bytes.Data();
}

}  // namespace platform
