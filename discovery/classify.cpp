#include "discovery/classify.h"

#include <algorithm>
#include <string>

#include "app/ferrolin.h"
#include "mailboxes/toc_reader.h"
#include "text/ascii.h"

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
  if (text::StartsWithNoCase(line, "alias ") || text::StartsWithNoCase(line, "note ")) kind = kindNicknameFile;
  if (text::StartsWithNoCase(line, "rule ")) kind = kindFilterFile;
  // A Windows filter file starts with a line holding its version digit.
  if (crlf && line.size() <= 1) {
    line = probe.Next();
    if (text::StartsWithNoCase(line, "rule ")) kind = kindFilterFile;
  }
  if (text::StartsWithNoCase(line, "From ")) kind = kindMailbox;
  return kind;
}

TocVerdict ClassifyTableOfContents(uint64_t size, std::string_view head) {
  // Only the header is at hand; the size is the file's.
  head = head.substr(0, std::min<uint64_t>(head.size(), size));
  auto consistent = [&](mailboxes::TOCLayout layout) { return mailboxes::CheckTOCSize(head, size, layout).consistent; };
  if (consistent(mailboxes::TOCLayout::kWindows)) return TocVerdict::kWindows;
  if (consistent(mailboxes::TOCLayout::kMac)) return TocVerdict::kOldMac;
  return TocVerdict::kUnknown;
}
