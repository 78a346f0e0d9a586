// Recognising Eudora's files by their first non-empty line, and tables of contents by
// their size.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/byte_stream.h"

// kindMailbox, kindNicknameFile or kindFilterFile when the first lines of the stream are
// those of such a file, else 0. Reads only a few bytes.
int16_t ClassifyFirstLines(platform::ByteStream& in);

enum class TocVerdict { kWindows, kOldMac, kUnknown };

// Bytes a table-of-contents check reads: Windows keeps its entry count at 102
// (little-endian), the Mac at 262 (big-endian).
inline constexpr uint64_t kTocCountBytes = 264;

// The layout a table of contents of that size and header has, judged by whether its size
// matches its entry count.
TocVerdict ClassifyTableOfContents(uint64_t size, std::string_view head);
