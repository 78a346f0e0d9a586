// Eudora's tables of contents (TOCs): one entry per message of a mailbox, giving where the
// message starts and how long it is, its state, date, label, priority and subject.
//
// Two layouts exist:
//   - Mac: the 'TOCF' 1001 resource of the mailbox's resource fork, or (older versions) a
//     separate "<mailbox>.toc" file with the same bytes. Big-endian. A 278-byte header,
//     then one 220-byte entry per message.
//   - Windows: "<mailbox>.toc" beside "<mailbox>.mbx". Little-endian. A 104-byte header,
//     then one 218-byte entry per message.
//
// Everything here works on the TOC's bytes as one block in memory (TOCs are small: about
// 220 bytes a message); the mailbox driver finds and reads the TOC. Every read is bounds
// checked: damaged or truncated TOCs give "not consistent" or neutral entries, never a read
// outside the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace mailboxes {

enum class TOCLayout { kMac, kWindows };

// Mac layout.
inline constexpr size_t kMacTOCHeaderSize = 278;
inline constexpr size_t kMacTOCEntrySize = 220;
inline constexpr size_t kMacTOCCountOffset = 262;  // big-endian signed 16-bit
inline constexpr size_t kMacTOCEntryReadSize = 202;  // the part of an entry the reader uses
// Windows layout.
inline constexpr size_t kWinTOCHeaderSize = 104;
inline constexpr size_t kWinTOCEntrySize = 218;
inline constexpr size_t kWinTOCCountOffset = 102;  // little-endian unsigned 16-bit
inline constexpr size_t kWinTOCEntryReadSize = 190;

// Seconds from 1904-01-01 00:00 (the Mac epoch) to 1970-01-01 00:00.
inline constexpr int64_t kMacEpochOffset = 2082844800;

// Longest short string (names, captions, TOC subjects).
inline constexpr size_t kShortStringMax = 255;

// One TOC entry, whatever the layout, with the Mac numbering of states.
struct TOCF_Message_Header {
  uint32_t offset = 0;      // of the message's separator line in the mailbox file
  uint32_t length = 0;      // of the message in bytes
  std::string subject;      // as the TOC holds it (at most kShortStringMax bytes)
  int8_t state = 1;         // Mac numbering: 1 unread, 2 read, 3 replied, 8 forwarded, ...
  bool utf8Subject = false; // subject bytes are UTF-8 (Mac layout only)
  int32_t date = 0;         // seconds since 1970-01-01 00:00 UTC; 0 when the TOC has none
  int16_t label = 0;        // 0 none; Mac 1-15; Windows allows any number of labels
  uint8_t priority = 120;   // 40 highest, 80 high, 120 normal, 160 low, 200 lowest
};

// The values an entry gets when the TOC cannot tell: unread, normal priority, no label,
// no date, empty subject, offset and length 0.
TOCF_Message_Header NeutralTOCEntry();

struct TOCCheck {
  // The TOC's size agrees with its entry count: the TOC can be used.
  bool consistent = false;
  // The number of entries. For a consistent TOC this is the number of entries it holds;
  // otherwise the count as its header declares it (0 when the header is cut short).
  int64_t entryCount = 0;
};

// Checks a TOC's size against the entry count in its header.
//   Mac: the count is the signed 16-bit word at 262 (the word at 48 is only a redraw hint
//   that usually equals it); consistent when the size is 278 + count x 220, or 498 with a
//   count of 0 (Eudora keeps one unused record in an emptied table).
//   Windows: the count is an unsigned 16-bit word that wraps past 65,535; consistent when
//   the size is 104 + n x 218 with n congruent to the count modulo 65,536, n being the
//   entry count.
TOCCheck CheckTOC(std::string_view toc, TOCLayout layout);
// The same check for a TOC of tocSize bytes of which only the first bytes (at least the
// header's count) are at hand.
TOCCheck CheckTOCSize(std::string_view head, uint64_t tocSize, TOCLayout layout);

// Reads entry number entryNumber (from 1) of the TOC into entry. False, with entry set to
// the neutral values, when that entry does not lie wholly within the bytes. A priority of 0
// reads as normal (120).
bool GetTOCEntry(std::string_view toc, TOCLayout layout, int64_t entryNumber,
                 TOCF_Message_Header& entry);

// Mac layout ('TOCF' resource or old-style .toc file): reads entry entryNumber.
bool GetTOCFItem(std::string_view toc, int64_t entryNumber, TOCF_Message_Header& entry);
// Windows layout: reads entry entryNumber.
bool GetWinTOCItem(std::string_view toc, int64_t entryNumber, TOCF_Message_Header& entry);

// Fills every field of entry from the first 202 bytes of a Mac entry. Fewer bytes are
// read as if the missing ones were zero.
void ConvertMacEudoraTOC2MessageHeader(std::string_view macEntry, TOCF_Message_Header& entry);
// Fills every field of entry from the first 190 bytes of a Windows entry (missing bytes
// read as zero).
void ConvertWinEudoraTOC2MessageHeader(std::string_view winEntry, TOCF_Message_Header& entry);

// The Mac state number for a state stored in a Windows TOC.
int8_t MacStateFromWindows(uint8_t windowsState);

// Cuts bytes to at most limit bytes. When utf8 is set the cut never splits a UTF-8
// character: it moves back to the start of a character that would not fit whole.
std::string CutShortString(std::string_view bytes, bool utf8, size_t limit = kShortStringMax);

}  // namespace mailboxes
