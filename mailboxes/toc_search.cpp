#include "mailboxes/toc_search.h"

#include "platform/forks.h"
#include "platform/resource_file.h"
#include "text/ascii.h"

namespace mailboxes {

namespace {

// Reads a .toc file and judges it; false when there is no such file.
bool TryTocFile(const platform::FileSpec& file, TOCLayout layout, int goodKind, TableOfContents& out) {
  if (platform::KindOf(file) != platform::ItemKind::kFile) return false;
  out.layout = layout;
  int64_t size = platform::FileSize(file);
  if (size < 0 || static_cast<uint64_t>(size) > kMaxTOCSize || platform::ReadFile(file, out.bytes, kMaxTOCSize) != 0) {
    out.kind = kTocCorrupt;
    out.bytes.clear();
    return true;
  }
  TOCCheck check = CheckTOC(out.bytes, layout);
  out.kind = check.consistent ? goodKind : kTocCorrupt;
  out.entryCount = check.entryCount;
  return true;
}

}  // namespace

TableOfContents FindTableOfContents(const platform::FileSpec& mailbox, bool crlf) {
  TableOfContents toc;
  platform::ForkInfo forks;
  if (platform::ReadForks(mailbox, forks) && forks.has_resource_fork) {
    platform::ResourceFile resources;
    if (resources.Parse(forks.resource_fork)) {
      if (auto data = resources.Get(platform::FourCC("TOCF"), 1001)) {
        toc.layout = TOCLayout::kMac;
        toc.bytes.assign(data->data(), data->size());
        TOCCheck check = CheckTOC(toc.bytes, TOCLayout::kMac);
        toc.kind = check.consistent ? kTocResource : kTocCorrupt;
        toc.entryCount = check.entryCount;
        return toc;
      }
    }
  }
  const platform::FileSpec folder = platform::ParentOf(mailbox);
  const std::string& name = mailbox.name;
  if (crlf) {
    if (!text::EndsWith(name, ".mbx") && !text::EndsWith(name, ".MBX")) return toc;
    std::string base = text::TrimAffix(text::TrimAffix(name, "mbx"), "MBX");
    if (TryTocFile(platform::Child(folder, base + "toc"), TOCLayout::kWindows, kTocWindowsFile, toc)) return toc;
    TryTocFile(platform::Child(folder, base + "TOC"), TOCLayout::kWindows, kTocWindowsFile, toc);
    return toc;
  }
  TryTocFile(platform::Child(folder, name + ".toc"), TOCLayout::kMac, kTocOldMacFile, toc);
  return toc;
}

const char* TocKindText(int kind) {
  switch (kind) {
    case kTocMissing: return "missing - all messages will be imported as unread";
    case kTocResource: return "TOCF Resource";
    case kTocWindowsFile: return "Windows *.toc file";
    case kTocOldMacFile: return "Old style Mac *.toc file";
    case kTocCorrupt: return "unknown format or corrupt data - all messages will be imported as unread\n";
    default: return "";
  }
}

}  // namespace mailboxes
