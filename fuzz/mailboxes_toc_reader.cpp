// Feeds arbitrary bytes as a table of contents of each layout: checks it, then reads every
// entry the check allows plus a few beyond (and the same entries of an inconsistent TOC, as
// a careless caller would), and the bytes as a single entry of each layout.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "mailboxes/toc_reader.h"
#include "platform/encodings.h"

namespace {

volatile unsigned char sink;

void Touch(const mailboxes::TOCF_Message_Header& e) {
  unsigned char x = static_cast<unsigned char>(e.offset ^ e.length ^ e.date ^ e.state ^ e.label ^
                                               e.priority ^ e.utf8Subject);
  for (char c : e.subject) x ^= static_cast<unsigned char>(c);
  sink = x;
}

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void ReadAll(std::string_view toc, mailboxes::TOCLayout layout) {
  const mailboxes::TOCCheck check = mailboxes::CheckTOC(toc, layout);
  const size_t entrySize = layout == mailboxes::TOCLayout::kMac ? mailboxes::kMacTOCEntrySize
                                                                 : mailboxes::kWinTOCEntrySize;
  if (check.consistent) Check(check.entryCount >= 0 && uint64_t(check.entryCount) <= toc.size() / entrySize);
  const int64_t count = check.entryCount < 0 ? 0 : check.entryCount;
  for (int64_t n = -1; n <= count + 3; ++n) {
    mailboxes::TOCF_Message_Header entry;
    const bool read = mailboxes::GetTOCEntry(toc, layout, n, entry);
    // Every entry of a consistent TOC is there to be read.
    if (check.consistent && n >= 1 && n <= count) Check(read);
    if (!read) Check(entry.subject.empty() && entry.priority == 120 && entry.state == 1);
    Check(entry.priority != 0);
    Check(entry.subject.size() <= 76);
    Touch(entry);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ReadAll(bytes, mailboxes::TOCLayout::kMac);
  ReadAll(bytes, mailboxes::TOCLayout::kWindows);

  // The bytes as one entry of each layout (short entries read as zero-filled).
  mailboxes::TOCF_Message_Header entry;
  mailboxes::ConvertMacEudoraTOC2MessageHeader(bytes, entry);
  Touch(entry);
  mailboxes::ConvertWinEudoraTOC2MessageHeader(bytes, entry);
  Touch(entry);

  // A cut keeps valid UTF-8 valid.
  const size_t limit = size ? data[0] : 0;
  const std::string cut = mailboxes::CutShortString(bytes, true, limit);
  Check(cut.size() <= limit || cut == bytes);
  if (platform::IsValidUTF8(bytes)) Check(platform::IsValidUTF8(cut));
  return 0;
}
