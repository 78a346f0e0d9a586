// Finding a mailbox's table of contents: the 'TOCF' 1001 resource of its resource fork, or
// a .toc file beside it (Windows: Inbox.mbx has Inbox.toc or Inbox.TOC; Mac: In has In.toc).
#pragma once

#include <cstdint>
#include <string>

#include "mailboxes/toc_reader.h"
#include "platform/files.h"

namespace mailboxes {

enum TocKind : int {
  kTocMissing = 0,
  kTocResource = 1,
  kTocWindowsFile = 2,
  kTocOldMacFile = 3,
  kTocCorrupt = 4,  // its size does not agree with its entry count
};

struct TableOfContents {
  int kind = kTocMissing;
  TOCLayout layout = TOCLayout::kMac;
  std::string bytes;       // the whole table, when one was found
  int64_t entryCount = 1;  // as declared; 1 when there is none
  bool Usable() const { return kind >= kTocResource && kind <= kTocOldMacFile; }
};

// Largest table read (about 4.8 million Mac entries); a larger one counts as corrupt.
inline constexpr size_t kMaxTOCSize = 1u << 30;

// Looks for the table of contents of the mailbox. crlf: the mailbox's lines end in CR LF
// (a Windows mailbox, whose table is a .toc file named after its .mbx name).
TableOfContents FindTableOfContents(const platform::FileSpec& mailbox, bool crlf);

// The log text for a kind (after ", TOC: "); the corrupt kind has a second line.
const char* TocKindText(int kind);

}  // namespace mailboxes
