// AppleSingle (magic 0x00051600) and AppleDouble (magic 0x00051607) files: a header, a
// table of entries (id, offset, length) and the entries' data. Every offset and length is
// checked against the file's size; entries that do not fit, or whose data overlaps the
// header, the entry table or another entry, are ignored. Of several entries with one id,
// only the first that fits is looked at.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

inline constexpr uint32_t kAppleSingleMagic = 0x00051600;
inline constexpr uint32_t kAppleDoubleMagic = 0x00051607;

struct AppleDoubleContents {
  bool is_apple_single = false;
  bool has_data_fork = false;      // entry 1 (AppleSingle)
  bool has_resource_fork = false;  // entry 2
  bool has_finder_info = false;    // entry 9
  std::string_view data_fork;
  std::string_view resource_fork;
  std::string_view finder_info;    // 32 bytes: type, creator, flags, ...
};

// Parses bytes as AppleSingle or AppleDouble; false when the header is not one of them.
// The views in out point into bytes.
bool ParseAppleDouble(std::string_view bytes, AppleDoubleContents& out);

}  // namespace platform
