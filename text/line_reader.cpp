#include "text/line_reader.h"

#include <cstring>

namespace text {
namespace {

constexpr size_t kPiece = 16 * 1024;

// Detection mode: reads under delimiter in pieces of kPiece bytes; as soon as a piece holds
// the other line-end byte, switches to it, goes back to the line's start and reads again.
void ReadDetecting(platform::ByteStream& in, std::string& line, char& delimiter, uint64_t start) {
  if (delimiter != '\r' && delimiter != '\n') {
    in.ReadUntil(delimiter, line);
    return;
  }
  const char other = delimiter == '\r' ? '\n' : '\r';
  for (;;) {
    const size_t before = line.size();
    const uint64_t position = in.Tell();
    if (!in.ReadUntil(delimiter, line, kPiece)) return;  // end of input
    const size_t got = line.size() - before;
    if (std::memchr(line.data() + before, other, got) != nullptr) {
      delimiter = other;
      in.Seek(start);
      line.clear();
      in.ReadUntil(delimiter, line);  // stops at the byte just found, at the latest
      return;
    }
    const bool took_delimiter = in.Tell() - position > got;
    if (took_delimiter || got < kPiece) return;
  }
}

}  // namespace

bool SmartGetLine(platform::ByteStream& in, std::string& line, char& delimiter, bool& crlf,
                  bool fixedDelimiter) {
  line.clear();
  if (in.AtEnd()) return false;
  if (!fixedDelimiter) {
    // ByteStream has no sticky end-of-input state to clear: Seek works after the end too.
    ReadDetecting(in, line, delimiter, in.Tell());
    crlf = delimiter == '\r' && in.Peek() == '\n';
    return true;
  }
  in.ReadUntil(delimiter, line);
  if (crlf) {
    for (int next = in.Peek(); next >= 0 && next != '\n'; next = in.Peek()) in.ReadUntil(delimiter, line);
  }
  return true;
}

}  // namespace text
