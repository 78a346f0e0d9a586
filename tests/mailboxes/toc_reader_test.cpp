#include "mailboxes/toc_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/byte_cursor.h"
#include "support/test_support.h"

namespace mailboxes {
namespace {

// Byte builders that place each field at its offset by hand, so that the tests check the
// layouts rather than restate the reader.
void PutBE(std::string& b, size_t at, uint64_t v, int n) {
  for (int i = 0; i < n; ++i) b[at + i] = static_cast<char>(v >> (8 * (n - 1 - i)));
}
void PutLE(std::string& b, size_t at, uint64_t v, int n) {
  for (int i = 0; i < n; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

struct MacFields {
  uint32_t offset = 0, length = 0, date1904 = 0, flags = 0;
  uint8_t state = 1, priority = 120;
  int subjectLength = -1;  // the length byte; -1: the subject's size
  std::string subject;
};

std::string MacEntry(const MacFields& f) {
  std::string e(220, '\0');
  PutBE(e, 0, f.offset, 4);
  PutBE(e, 4, f.length, 4);
  e[12] = static_cast<char>(f.state);
  PutBE(e, 46, f.date1904, 4);
  PutBE(e, 50, f.flags, 4);
  e[62] = static_cast<char>(f.priority);
  e[142] = static_cast<char>(f.subjectLength < 0 ? f.subject.size() : f.subjectLength);
  e.replace(143, f.subject.size(), f.subject);  // may run past 202 (into the unread rest)
  e.resize(220);
  return e;
}

// A Mac TOC: count at 262 (and a different redraw hint at 48, which must be ignored).
std::string MacTOC(const std::vector<std::string>& entries, int count = -1, int hint = 7) {
  std::string toc(278, '\0');
  PutBE(toc, 48, static_cast<uint16_t>(hint), 2);
  PutBE(toc, 262, static_cast<uint16_t>(count < 0 ? entries.size() : count), 2);
  for (const auto& e : entries) toc += e;
  return toc;
}

struct WinFields {
  uint32_t offset = 0, length = 0, date = 0;
  uint8_t state = 0, priority = 3;
  int16_t label = 0;
  std::string subject;  // written as it is: add the 0 byte in the test when wanted
};

std::string WinEntry(const WinFields& f) {
  std::string e(218, '\0');
  PutLE(e, 0, f.offset, 4);
  PutLE(e, 4, f.length, 4);
  PutLE(e, 8, f.date, 4);
  e[12] = static_cast<char>(f.state);
  e[16] = static_cast<char>(f.priority);
  e.replace(114, f.subject.size(), f.subject);
  e.resize(218);
  PutLE(e, 186, static_cast<uint16_t>(f.label), 2);
  return e;
}

std::string WinTOC(const std::vector<std::string>& entries, int64_t count = -1) {
  std::string toc(104, '\0');
  PutLE(toc, 102, static_cast<uint64_t>(count < 0 ? entries.size() : count) & 0xFFFF, 2);
  for (const auto& e : entries) toc += e;
  return toc;
}

TOCF_Message_Header ReadOne(const std::string& toc, TOCLayout layout, int64_t n = 1) {
  TOCF_Message_Header entry;
  EXPECT_TRUE(GetTOCEntry(toc, layout, n, entry));
  return entry;
}

void ExpectNeutral(const TOCF_Message_Header& e) {
  EXPECT_EQ(e.offset, 0u);
  EXPECT_EQ(e.length, 0u);
  EXPECT_EQ(e.subject, "");
  EXPECT_EQ(e.state, 1);
  EXPECT_FALSE(e.utf8Subject);
  EXPECT_EQ(e.date, 0);
  EXPECT_EQ(e.label, 0);
  EXPECT_EQ(e.priority, 120);
}

TEST(MacTOCEntry, FieldsAreDecoded) {
  MacFields f;
  f.offset = 0x01020304;
  f.length = 0xFFFFFFF0;
  f.state = 9;
  f.date1904 = 3093527296u;
  f.flags = 0x80024000;  // UTF-8 subject, label 9
  f.priority = 40;
  f.subject = "Caf\xC3\xA9\r";
  TOCF_Message_Header e = ReadOne(MacTOC({MacEntry(f)}), TOCLayout::kMac);
  EXPECT_EQ(e.offset, 0x01020304u);
  EXPECT_EQ(e.length, 0xFFFFFFF0u);
  EXPECT_EQ(e.state, 9);
  EXPECT_EQ(e.date, 1010682496);
  EXPECT_TRUE(e.utf8Subject);
  EXPECT_EQ(e.label, 9);
  EXPECT_EQ(e.priority, 40);
  EXPECT_EQ(e.subject, "Caf\xC3\xA9\r");  // trailing CRs are the driver's to remove
}

TEST(MacTOCEntry, NeutralValuesForZeroesAndAllLabelBits) {
  MacFields f;
  f.priority = 0;       // reads as normal
  f.date1904 = 0;       // no date, not 1904
  f.flags = 0x7FFFFFFF; // every label bit, no UTF-8 flag
  f.state = 0x80;       // a signed byte
  TOCF_Message_Header e = ReadOne(MacTOC({MacEntry(f)}), TOCLayout::kMac);
  EXPECT_EQ(e.priority, 120);
  EXPECT_EQ(e.date, 0);
  EXPECT_EQ(e.label, 15);
  EXPECT_FALSE(e.utf8Subject);
  EXPECT_EQ(e.state, -128);

  // A date after 2038 does not fit the 32-bit field: no date rather than a wrapped one.
  f.date1904 = 0xFFFFFFFF;
  EXPECT_EQ(ReadOne(MacTOC({MacEntry(f)}), TOCLayout::kMac).date, 0);
  f.date1904 = 1;  // 1904-01-01 00:00:01
  EXPECT_EQ(ReadOne(MacTOC({MacEntry(f)}), TOCLayout::kMac).date, 1 - kMacEpochOffset);
}

TEST(MacTOCEntry, SubjectIsCutAtTheBytesRead) {
  const std::string long_subject(100, 'x');
  MacFields f;
  f.subject = long_subject;
  f.subjectLength = 200;
  EXPECT_EQ(ReadOne(MacTOC({MacEntry(f)}), TOCLayout::kMac).subject, std::string(59, 'x'));

  // A UTF-8 subject whose three-byte euro sign straddles the cut loses the whole sign.
  f.subject = std::string(57, 'x') + "\xE2\x82\xAC" + "yyy";
  f.flags = 0x80000000;
  EXPECT_EQ(ReadOne(MacTOC({MacEntry(f)}), TOCLayout::kMac).subject, std::string(57, 'x'));
  // A Mac Roman subject is cut at the byte.
  f.flags = 0;
  EXPECT_EQ(ReadOne(MacTOC({MacEntry(f)}), TOCLayout::kMac).subject,
            std::string(57, 'x') + "\xE2\x82");
}

TEST(MacTOCEntry, EntriesAreFoundAtTheirOffsets) {
  std::vector<std::string> entries;
  for (uint32_t i = 1; i <= 3; ++i) {
    MacFields f;
    f.offset = i * 1000;
    entries.push_back(MacEntry(f));
  }
  const std::string toc = MacTOC(entries);
  ASSERT_EQ(toc.size(), 278u + 3 * 220);
  // Entry 3 begins at byte 718.
  EXPECT_EQ(platform::ByteCursor(toc).Seek(718).U32BE(), 3000u);
  for (int64_t n = 1; n <= 3; ++n) EXPECT_EQ(ReadOne(toc, TOCLayout::kMac, n).offset, n * 1000);
}

TEST(WinTOCEntry, FieldsAreDecoded) {
  WinFields f;
  f.offset = 2177;
  f.length = 8774;
  f.date = 1292240575;
  f.state = 1;
  f.priority = 1;
  f.label = 13;  // the whole word: Windows has more than seven labels
  f.subject = std::string("Email Attachment Test") + '\0' + "junk";
  TOCF_Message_Header e = ReadOne(WinTOC({WinEntry(f)}), TOCLayout::kWindows);
  EXPECT_EQ(e.offset, 2177u);
  EXPECT_EQ(e.length, 8774u);
  EXPECT_EQ(e.date, 1292240575);
  EXPECT_EQ(e.state, 2);
  EXPECT_EQ(e.priority, 40);
  EXPECT_EQ(e.label, 13);
  EXPECT_FALSE(e.utf8Subject);
  EXPECT_EQ(e.subject, "Email Attachment Test");

  f.label = -2;
  f.date = 0xFFFFFFFF;  // taken as it is: a signed 32-bit value
  e = ReadOne(WinTOC({WinEntry(f)}), TOCLayout::kWindows);
  EXPECT_EQ(e.label, -2);
  EXPECT_EQ(e.date, -1);
}

TEST(WinTOCEntry, StatesMapToTheMacNumbering) {
  // unread, read, replied, forwarded, redirected, unsendable, sendable, queued, sent,
  // unsent, time-queued; then values Windows does not define: one added.
  const std::vector<std::pair<uint8_t, int8_t>> cases = {
      {0, 1}, {1, 2}, {2, 3}, {3, 8},   {4, 4},   {5, 5},    {6, 6},   {7, 7},
      {8, 9}, {9, 10}, {10, 11}, {11, 12}, {126, 127}, {127, -128}, {255, 0}};
  for (auto [windows, mac] : cases) {
    WinFields f;
    f.state = windows;
    EXPECT_EQ(ReadOne(WinTOC({WinEntry(f)}), TOCLayout::kWindows).state, mac)
        << "Windows state " << int(windows);
  }
}

TEST(WinTOCEntry, PriorityIsFortyTimesEudorasLevel) {
  const std::vector<std::pair<uint8_t, uint8_t>> cases = {
      {1, 40}, {2, 80}, {3, 120}, {4, 160}, {5, 200}, {0, 120}, {6, 120}, {255, 120}};
  for (auto [stored, priority] : cases) {
    WinFields f;
    f.priority = stored;
    EXPECT_EQ(ReadOne(WinTOC({WinEntry(f)}), TOCLayout::kWindows).priority, priority)
        << "stored " << int(stored);
  }
}

TEST(WinTOCEntry, SubjectWithoutEndIsCutAtTheBytesRead) {
  WinFields f;
  f.subject = std::string(80, 's');  // runs to byte 194, past the 190 bytes read
  f.label = 0x7373;                  // "ss": no 0 byte in the label word either
  EXPECT_EQ(ReadOne(WinTOC({WinEntry(f)}), TOCLayout::kWindows).subject, std::string(76, 's'));
}

TEST(WinTOCEntry, EntriesAreFoundAtTheirOffsets) {
  std::vector<std::string> entries;
  for (uint32_t i = 1; i <= 3; ++i) {
    WinFields f;
    f.offset = i * 1000;
    entries.push_back(WinEntry(f));
  }
  const std::string toc = WinTOC(entries);
  EXPECT_EQ(platform::ByteCursor(toc).Seek(540).U32LE(), 3000u);
  for (int64_t n = 1; n <= 3; ++n)
    EXPECT_EQ(ReadOne(toc, TOCLayout::kWindows, n).offset, n * 1000);
}

TEST(CheckTOC, MacSizeAgainstCountAt262) {
  const std::string entry = MacEntry({});
  struct Case {
    const char* what;
    std::string toc;
    bool consistent;
    int64_t count;
  };
  std::string short_header(100, '\0');
  std::string negative = MacTOC({}, -2 & 0xFFFF);
  const std::vector<Case> cases = {
      {"two entries", MacTOC({entry, entry}, 2, 9), true, 2},
      {"hint at 48 ignored", MacTOC({entry, entry}, 2, 2), true, 2},
      {"count 0, bare header", MacTOC({}, 0), true, 0},
      {"count 0, the one record Eudora keeps", MacTOC({entry}, 0), true, 0},
      {"count 0, two records", MacTOC({entry, entry}, 0), false, 0},
      {"one byte more", MacTOC({entry, entry}, 2) + '\0', false, 2},
      {"count says more than the size holds", MacTOC({entry}, 30000), false, 30000},
      {"negative count", negative, false, -2},
      {"too short for a count", short_header, false, 0},
      {"empty", "", false, 0},
  };
  for (const auto& c : cases) {
    TOCCheck check = CheckTOC(c.toc, TOCLayout::kMac);
    EXPECT_EQ(check.consistent, c.consistent) << c.what;
    EXPECT_EQ(check.entryCount, c.count) << c.what;
  }
}

TEST(CheckTOC, WindowsSizeAgainstCountAt102) {
  const std::string entry = WinEntry({});
  const std::vector<std::tuple<const char*, std::string, bool, int64_t>> cases = {
      {"two entries", WinTOC({entry, entry}), true, 2},
      {"no entries", WinTOC({}), true, 0},
      {"unsigned count", WinTOC({entry}, 0xFFFF), false, 65535},
      {"one byte more", WinTOC({entry}) + '\0', false, 1},
      {"count says more", WinTOC({entry}, 3), false, 3},
      {"header cut short", std::string(103, '\0'), false, 0},
  };
  for (const auto& [what, toc, consistent, count] : cases) {
    TOCCheck check = CheckTOC(toc, TOCLayout::kWindows);
    EXPECT_EQ(check.consistent, consistent) << what;
    EXPECT_EQ(check.entryCount, count) << what;
  }
}

TEST(CheckTOC, WindowsCountWrapsPast65535) {
  // 65,539 entries: the 16-bit count holds 3.
  const int64_t n = 65536 + 3;
  std::string toc = WinTOC({}, 3);
  toc.resize(104 + n * 218, '\0');
  // The last entry is there to be read.
  PutLE(toc, 104 + (n - 1) * 218, 0xABCD, 4);
  TOCCheck check = CheckTOC(toc, TOCLayout::kWindows);
  EXPECT_TRUE(check.consistent);
  EXPECT_EQ(check.entryCount, n);
  EXPECT_EQ(ReadOne(toc, TOCLayout::kWindows, n).offset, 0xABCDu);
}

TEST(GetTOCEntry, EntriesOutsideTheBytesAreNeutral) {
  MacFields mf;
  mf.offset = 5;
  mf.date1904 = 3093527296u;
  mf.subject = "Hi";
  const std::string mac = MacTOC({MacEntry(mf), MacEntry(mf)});
  WinFields wf;
  wf.offset = 5;
  wf.subject = "Hi";
  const std::string win = WinTOC({WinEntry(wf), WinEntry(wf)});
  const std::string mac_cut = mac.substr(0, mac.size() - 1);  // last record one byte short
  const std::string win_cut = win.substr(0, win.size() - 1);

  struct Case {
    const std::string* toc;
    TOCLayout layout;
    int64_t n;
  };
  const std::vector<Case> cases = {
      {&mac, TOCLayout::kMac, 0},       {&mac, TOCLayout::kMac, -1},
      {&mac, TOCLayout::kMac, 3},       {&mac_cut, TOCLayout::kMac, 2},
      {&win, TOCLayout::kWindows, 0},   {&win, TOCLayout::kWindows, 3},
      {&win_cut, TOCLayout::kWindows, 2}, {&win, TOCLayout::kWindows, INT64_MAX},
      {&mac, TOCLayout::kMac, INT64_MIN},
  };
  for (const auto& c : cases) {
    TOCF_Message_Header entry = ReadOne(*c.toc, c.layout, 1);  // leaves values behind
    ASSERT_EQ(entry.offset, 5u);
    EXPECT_FALSE(GetTOCEntry(*c.toc, c.layout, c.n, entry)) << "entry " << c.n;
    ExpectNeutral(entry);
  }
}

TEST(CutShortString, NeverSplitsAUTF8Character) {
  const std::string two = "\xC3\xA9";          // é
  const std::string three = "\xE2\x82\xAC";    // €
  const std::string four = "\xF0\x9F\x98\x80"; // 😀
  EXPECT_EQ(CutShortString(std::string(254, 'a') + two, true), std::string(254, 'a'));
  EXPECT_EQ(CutShortString(std::string(253, 'a') + two + "b", true), std::string(253, 'a') + two);
  EXPECT_EQ(CutShortString(std::string(253, 'a') + three, true), std::string(253, 'a'));
  EXPECT_EQ(CutShortString(std::string(252, 'a') + four, true), std::string(252, 'a'));
  EXPECT_EQ(CutShortString(std::string(251, 'a') + four + "b", true), std::string(251, 'a') + four);
  // Short enough: unchanged, even when it ends in a broken sequence.
  EXPECT_EQ(CutShortString("ab\xE2", true), "ab\xE2");
  // Not UTF-8 (Mac Roman or Windows Latin 1): every byte is a character.
  EXPECT_EQ(CutShortString(std::string(254, 'a') + "\xC3\xA9", false),
            std::string(254, 'a') + "\xC3");
  // Stray continuation bytes are not characters to protect.
  EXPECT_EQ(CutShortString(std::string(300, '\x80'), true), std::string(255, '\x80'));
}

// ---------------------------------------------------------------- real tables

// The real files live in shared/ beside the source tree.
std::string RealData(const std::string& relative) {
  for (const std::string& base : {testing_support::SourceDir() + "/../shared", std::string("/work/shared")}) {
    std::string bytes = testing_support::ReadFile(base + "/realdata/eudora2unix/" + relative);
    if (!bytes.empty()) return bytes;
  }
  return "";
}

TEST(RealTOC, WindowsEudora71In) {
  const std::string toc = RealData("Windows Eudora 7.1 Folder/In.toc");
  if (toc.empty()) GTEST_SKIP() << "real data not available";
  TOCCheck check = CheckTOC(toc, TOCLayout::kWindows);
  ASSERT_TRUE(check.consistent);
  ASSERT_EQ(check.entryCount, 5);
  TOCF_Message_Header e = ReadOne(toc, TOCLayout::kWindows, 2);
  EXPECT_EQ(e.offset, 2177u);
  EXPECT_EQ(e.length, 8774u);
  EXPECT_EQ(e.subject, "UT Department of Computer Science Newsletter:  News@UTCS");
  EXPECT_EQ(e.state, 1);  // stored as 0, unread
  EXPECT_EQ(e.priority, 120);
  EXPECT_EQ(e.label, 0);
  // Each entry begins where the one before ends.
  uint64_t end = 0;
  for (int64_t n = 1; n <= check.entryCount; ++n) {
    e = ReadOne(toc, TOCLayout::kWindows, n);
    EXPECT_EQ(e.offset, end) << "entry " << n;
    end = e.offset + e.length;
  }
}

// The 'TOCF' 1001 resource of the AppleDouble sidecar's resource fork, read with a few
// lines of the resource format rather than with the platform's reader, which has its own tests.
std::string TOCFResource(const std::string& apple_double) {
  platform::ByteCursor file(apple_double);
  if (file.U32BE() != 0x00051607) return "";
  file.Seek(24);
  const uint16_t count = file.U16BE();
  platform::ByteCursor fork;
  for (uint16_t i = 0; i < count; ++i) {
    const uint32_t id = file.U32BE(), offset = file.U32BE(), length = file.U32BE();
    if (id == 2) fork = platform::ByteCursor(apple_double).Slice(offset, length);
  }
  const uint32_t data = fork.U32BE(), map = fork.U32BE();
  fork.Seek(map + 24);
  const uint16_t type_list = fork.U16BE();
  fork.Seek(map + type_list);
  const int types = fork.U16BE() + 1;
  for (int t = 0; t < types && fork.Ok(); ++t) {
    fork.Seek(map + type_list + 2 + 8 * t);
    const uint32_t type = fork.U32BE();
    const int resources = fork.U16BE() + 1;
    const uint16_t references = fork.U16BE();
    for (int r = 0; r < resources && fork.Ok(); ++r) {
      fork.Seek(map + type_list + references + 12 * r);
      const int16_t id = fork.S16BE();
      fork.Skip(2);
      const uint32_t where = fork.U32BE() & 0xFFFFFF;
      if (type == 0x544F4346 && id == 1001) {  // 'TOCF'
        fork.Seek(data + where);
        const uint32_t length = fork.U32BE();
        return std::string(fork.Bytes(length));
      }
    }
  }
  return "";
}

TEST(RealTOC, MacEudora624In) {
  const std::string sidecar = RealData("Mac Eudora 6.2.4 Folder/Mail Folder/._In");
  if (sidecar.empty()) GTEST_SKIP() << "real data not available";
  const std::string toc = TOCFResource(sidecar);
  ASSERT_FALSE(toc.empty());
  TOCCheck check = CheckTOC(toc, TOCLayout::kMac);
  ASSERT_TRUE(check.consistent);
  ASSERT_EQ(check.entryCount, 5);
  TOCF_Message_Header e = ReadOne(toc, TOCLayout::kMac, 1);
  EXPECT_EQ(e.offset, 0u);
  EXPECT_EQ(e.length, 2070u);
  EXPECT_EQ(e.subject, "Email Attachment Test");
  EXPECT_EQ(e.state, 1);
  EXPECT_EQ(e.date, 1292218975);
  EXPECT_EQ(e.priority, 120);  // stored as 0
  uint64_t end = 0;
  for (int64_t n = 1; n <= check.entryCount; ++n) {
    e = ReadOne(toc, TOCLayout::kMac, n);
    EXPECT_EQ(e.offset, end) << "entry " << n;
    end = e.offset + e.length;
  }
}

}  // namespace
}  // namespace mailboxes
