#include "mailboxes/toc_reader.h"

#include <limits>

#include "platform/byte_cursor.h"

namespace mailboxes {

namespace {

// Entry field offsets, Mac layout.
constexpr size_t kMacOffset = 0;
constexpr size_t kMacLength = 4;
constexpr size_t kMacState = 12;
constexpr size_t kMacDate = 46;        // seconds since 1904, unsigned; 0 means no date
constexpr size_t kMacFlags = 50;
constexpr size_t kMacPriority = 62;
constexpr size_t kMacSubjectLength = 142;
constexpr size_t kMacSubject = 143;
constexpr uint32_t kMacFlagUTF8Subject = 0x80000000u;
constexpr uint32_t kMacFlagLabelMask = 0x0003C000u;
constexpr int kMacFlagLabelShift = 14;

// Entry field offsets, Windows layout.
constexpr size_t kWinOffset = 0;
constexpr size_t kWinLength = 4;
constexpr size_t kWinDate = 8;         // seconds since 1970
constexpr size_t kWinState = 12;
constexpr size_t kWinPriority = 16;    // 1 highest .. 5 lowest, 3 normal
constexpr size_t kWinSubject = 114;    // ended by a 0 byte
constexpr size_t kWinLabel = 186;      // signed 16-bit

constexpr uint8_t kNormalPriority = 120;
constexpr uint8_t kPriorityStep = 40;  // Eudora's scale: priority n of 1..5 is n x 40

// An entry's first `wanted` bytes, as far as the bytes hold them.
std::string_view Prefix(std::string_view bytes, size_t wanted) {
  return bytes.substr(0, wanted < bytes.size() ? wanted : bytes.size());
}

// Length of the UTF-8 sequence that the lead byte starts, 0 when it is no lead byte.
size_t UTF8SequenceLength(uint8_t lead) {
  if (lead >= 0xC0 && lead < 0xE0) return 2;
  if (lead >= 0xE0 && lead < 0xF0) return 3;
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  return 0;
}

// Drops a UTF-8 character that the end of text cuts in two.
std::string_view DropSplitCharacter(std::string_view text) {
  size_t start = text.size();
  // Step back over at most three continuation bytes to the byte that may start the character.
  while (start > 0 && text.size() - start < 3 &&
         (static_cast<uint8_t>(text[start - 1]) & 0xC0) == 0x80) {
    --start;
  }
  if (start == 0) return text;
  size_t lead = start - 1;
  size_t needed = UTF8SequenceLength(static_cast<uint8_t>(text[lead]));
  if (needed > text.size() - lead) return text.substr(0, lead);
  return text;
}

// Entry n (from 1) of a TOC as a view of its whole record, or nothing when it does not lie
// wholly within the bytes.
bool EntryBytes(std::string_view toc, size_t headerSize, size_t entrySize, int64_t n,
                std::string_view& out) {
  if (n < 1) return false;
  const uint64_t index = static_cast<uint64_t>(n - 1);
  if (toc.size() < headerSize) return false;
  if (index >= (toc.size() - headerSize) / entrySize) return false;
  platform::ByteCursor cursor(toc);
  platform::ByteCursor record = cursor.Slice(headerSize + index * entrySize, entrySize);
  if (!record.Ok()) return false;
  out = record.Data();
  return true;
}

}  // namespace

TOCF_Message_Header NeutralTOCEntry() { return TOCF_Message_Header{}; }

std::string CutShortString(std::string_view bytes, bool utf8, size_t limit) {
  if (bytes.size() <= limit) return std::string(bytes);
  std::string_view cut = bytes.substr(0, limit);
  if (utf8) cut = DropSplitCharacter(cut);
  return std::string(cut);
}

int8_t MacStateFromWindows(uint8_t windowsState) {
  // Windows Eudora numbers its states unread, read, replied, forwarded, redirected,
  // unsendable, sendable, queued, sent, unsent, time-queued (0-10); the Mac numbering that
  // the writers understand puts forwarded at 8 and shifts the states after it.
  static constexpr int8_t kMacStates[] = {1, 2, 3, 8, 4, 5, 6, 7, 9, 10, 11};
  if (windowsState < sizeof kMacStates) return kMacStates[windowsState];
  // States Windows may add later: one up, wrapping like the byte it came from.
  return static_cast<int8_t>(static_cast<uint8_t>(windowsState + 1));
}

void ConvertMacEudoraTOC2MessageHeader(std::string_view macEntry, TOCF_Message_Header& entry) {
  std::string_view bytes = Prefix(macEntry, kMacTOCEntryReadSize);
  // A short entry reads as if its missing bytes were zero: each field is read on its own
  // cursor so that one field past the end does not spoil the others.
  auto at = [&](size_t offset) {
    platform::ByteCursor cursor(bytes);
    cursor.Seek(offset);
    return cursor;
  };
  entry.offset = at(kMacOffset).U32BE();
  entry.length = at(kMacLength).U32BE();
  entry.state = static_cast<int8_t>(at(kMacState).U8());

  // Unsigned seconds since 1904; 0 is an entry without a date (not 1904). Dates that
  // 32-bit seconds since 1970 cannot hold are treated as no date either.
  const uint32_t macDate = at(kMacDate).U32BE();
  const int64_t unixDate = static_cast<int64_t>(macDate) - kMacEpochOffset;
  entry.date = (macDate == 0 || unixDate > std::numeric_limits<int32_t>::max())
                   ? 0
                   : static_cast<int32_t>(unixDate);

  const uint32_t flags = at(kMacFlags).U32BE();
  entry.utf8Subject = (flags & kMacFlagUTF8Subject) != 0;
  entry.label = static_cast<int16_t>((flags & kMacFlagLabelMask) >> kMacFlagLabelShift);

  const uint8_t priority = at(kMacPriority).U8();
  entry.priority = priority == 0 ? kNormalPriority : priority;

  // The subject's length byte may claim more than the entry holds: take what is there.
  const size_t declared = at(kMacSubjectLength).U8();
  const size_t present = bytes.size() > kMacSubject ? bytes.size() - kMacSubject : 0;
  std::string_view subject = bytes.substr(bytes.size() > kMacSubject ? kMacSubject : bytes.size(),
                                          declared < present ? declared : present);
  if (declared > present && entry.utf8Subject) subject = DropSplitCharacter(subject);
  entry.subject.assign(subject);
}

void ConvertWinEudoraTOC2MessageHeader(std::string_view winEntry, TOCF_Message_Header& entry) {
  std::string_view bytes = Prefix(winEntry, kWinTOCEntryReadSize);
  auto at = [&](size_t offset) {
    platform::ByteCursor cursor(bytes);
    cursor.Seek(offset);
    return cursor;
  };
  entry.offset = at(kWinOffset).U32LE();
  entry.length = at(kWinLength).U32LE();
  entry.date = at(kWinDate).S32LE();
  entry.state = MacStateFromWindows(at(kWinState).U8());
  entry.utf8Subject = false;
  entry.label = at(kWinLabel).S16LE();

  const uint8_t priority = at(kWinPriority).U8();
  entry.priority = (priority >= 1 && priority <= 5)
                       ? static_cast<uint8_t>(priority * kPriorityStep)
                       : kNormalPriority;

  // The subject ends at its 0 byte, or at the end of the bytes read.
  std::string_view subject =
      bytes.size() > kWinSubject ? bytes.substr(kWinSubject) : std::string_view();
  size_t end = subject.find('\0');
  if (end != std::string_view::npos) subject = subject.substr(0, end);
  entry.subject.assign(subject);
}

TOCCheck CheckTOC(std::string_view toc, TOCLayout layout) { return CheckTOCSize(toc, toc.size(), layout); }

TOCCheck CheckTOCSize(std::string_view head, uint64_t tocSize, TOCLayout layout) {
  TOCCheck check;
  platform::ByteCursor cursor(head);
  if (layout == TOCLayout::kMac) {
    const int16_t count = cursor.Seek(kMacTOCCountOffset).S16BE();
    if (!cursor.Ok()) return check;
    check.entryCount = count;
    const int64_t size = static_cast<int64_t>(tocSize);
    const int64_t header = kMacTOCHeaderSize, record = kMacTOCEntrySize;
    check.consistent = count >= 0 && (size == header + count * record ||
                                      (count == 0 && size == header + record));
    return check;
  }

  const uint16_t count = cursor.Seek(kWinTOCCountOffset).U16LE();
  if (!cursor.Ok()) return check;
  check.entryCount = count;
  if (tocSize < kWinTOCHeaderSize) return check;
  const uint64_t body = tocSize - kWinTOCHeaderSize;
  if (body % kWinTOCEntrySize != 0) return check;
  const uint64_t held = body / kWinTOCEntrySize;
  if (held % 65536 != count) return check;
  check.consistent = true;
  check.entryCount = static_cast<int64_t>(held);
  return check;
}

bool GetTOCFItem(std::string_view toc, int64_t entryNumber, TOCF_Message_Header& entry) {
  std::string_view record;
  if (!EntryBytes(toc, kMacTOCHeaderSize, kMacTOCEntrySize, entryNumber, record)) {
    entry = NeutralTOCEntry();
    return false;
  }
  ConvertMacEudoraTOC2MessageHeader(record, entry);
  return true;
}

bool GetWinTOCItem(std::string_view toc, int64_t entryNumber, TOCF_Message_Header& entry) {
  std::string_view record;
  if (!EntryBytes(toc, kWinTOCHeaderSize, kWinTOCEntrySize, entryNumber, record)) {
    entry = NeutralTOCEntry();
    return false;
  }
  ConvertWinEudoraTOC2MessageHeader(record, entry);
  return true;
}

bool GetTOCEntry(std::string_view toc, TOCLayout layout, int64_t entryNumber,
                 TOCF_Message_Header& entry) {
  const bool read = layout == TOCLayout::kWindows ? GetWinTOCItem(toc, entryNumber, entry)
                                                  : GetTOCFItem(toc, entryNumber, entry);
  if (entry.priority == 0) entry.priority = kNormalPriority;
  return read;
}

}  // namespace mailboxes
