#include "discovery/classify.h"

#include <string>

#include "app/ferrolin.h"
#include "platform/byte_cursor.h"

namespace {

// Reads a line as Eudora's first-line probe does: at most 6 characters up to a carriage
// return; a carriage return met within the first 7 characters is taken and ends the line.
// Six characters with no carriage return after them leave the probe stuck (failed): no
// further line can be read, as with a line that is too long for the buffer.
class LineProbe {
 public:
  explicit LineProbe(platform::ByteStream& in) : in_(in) {}

  std::string Next() {
    std::string line;
    if (failed_) return line;
    for (;;) {
      int c = in_.Get();
      if (c < 0) {
        at_end_ = true;
        if (line.empty()) failed_ = true;
        return line;
      }
      if (c == '\r') return line;
      line.push_back(static_cast<char>(c));
      if (line.size() == 6) {
        if (in_.Peek() == '\r')
          in_.Get();
        else
          failed_ = true;
        return line;
      }
    }
  }
  bool NextIs(int c) { return !failed_ && in_.Peek() == c; }
  void Skip() {
    if (!failed_ && in_.Get() < 0) at_end_ = true;
  }
  bool Valid() const { return !failed_ && !at_end_; }

 private:
  platform::ByteStream& in_;
  bool failed_ = false;
  bool at_end_ = false;
};

bool StartsWithNoCase(std::string_view line, std::string_view prefix) {
  if (line.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char a = line[i], b = prefix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

}  // namespace

int16_t ClassifyFirstLines(platform::ByteStream& in) {
  LineProbe probe(in);
  std::string line = probe.Next();
  bool crlf = false;
  if (probe.NextIs('\n')) {
    crlf = true;
    probe.Skip();
  }
  while (line.empty()) {
    if (!probe.Valid()) break;
    line = probe.Next();
    if (crlf) probe.Skip();
  }
  int16_t kind = 0;
  if (StartsWithNoCase(line, "alias ") || StartsWithNoCase(line, "note ")) kind = kindNicknameFile;
  if (StartsWithNoCase(line, "rule ")) kind = kindFilterFile;
  // A Windows filter file starts with a line holding its version digit.
  if (crlf && line.size() <= 1) {
    line = probe.Next();
    if (StartsWithNoCase(line, "rule ")) kind = kindFilterFile;
  }
  if (StartsWithNoCase(line, "From ")) kind = kindMailbox;
  return kind;
}

TocVerdict ClassifyTableOfContents(uint64_t size, std::string_view head) {
  platform::ByteCursor windows(head);
  uint16_t windows_count = windows.Seek(102).U16LE();
  // Windows counts in an unsigned word that wraps past 65,535.
  if (windows.Ok() && size >= 104 && (size - 104) % 218 == 0 && ((size - 104) / 218) % 65536 == windows_count)
    return TocVerdict::kWindows;
  platform::ByteCursor mac(head);
  int16_t mac_count = mac.Seek(262).S16BE();
  // Eudora's empty Mac table keeps one blank record.
  if (mac.Ok() && mac_count >= 0 &&
      (size == 278 + static_cast<uint64_t>(mac_count) * 220 || (mac_count == 0 && size == 498)))
    return TocVerdict::kOldMac;
  return TocVerdict::kUnknown;
}
