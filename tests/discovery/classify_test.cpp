#include "discovery/classify.h"

#include <gtest/gtest.h>

#include <string>

#include "app/ferrolin.h"
#include "platform/byte_stream.h"

namespace {

int16_t Classify(const std::string& bytes) {
  platform::MemoryStream in(bytes);
  return ClassifyFirstLines(in);
}

TEST(ClassifyFirstLines, RecognisesEachKindByItsFirstNonEmptyLine) {
  struct Row {
    const char* label;
    std::string bytes;
    int16_t kind;
  } rows[] = {
      {"mailbox", "From ???@??? Tue Jan 01 12:34:56 2002\rSubject: x\r", kindMailbox},
      {"capital letters", "FROM ???@??? Tue\r", kindMailbox},
      {"tab after From", "From\t???@???\r", 0},
      {"LF mailbox", "From - Tue Jan 01\nX: y\n", kindMailbox},
      {"nickname", "alias anna anna@example.com\r", kindNicknameFile},
      {"note line", "note anna <name:Anna>\r", kindNicknameFile},
      {"filter", "rule Test\rheader Subject:\r", kindFilterFile},
      {"empty lines first", "\r\ralias carl carl@example.com\r", kindNicknameFile},
      {"empty CRLF lines first", "\r\n\r\nalias dora dora@example.com\r\n", kindNicknameFile},
      {"Windows filter with version line", "1\r\nrule Test\r\nheader Subject:\r\n", kindFilterFile},
      {"version line in a CR file", "1\rrule Test\r", 0},
      {"short line exactly six", "alias \r", kindNicknameFile},
      {"prefix split by CR", "ali\ras \r", 0},
      {"empty", "", 0},
      {"only empty lines", "\r\r\r", 0},
      {"plain text", "Hello there\r", 0},
      {"NUL bytes", std::string("\0\0\0\0\0\0\0\0", 8), 0},
  };
  for (const Row& row : rows) EXPECT_EQ(Classify(row.bytes), row.kind) << row.label;
}

TEST(ClassifyFirstLines, ReadsOnlyTheFirstBytesOfALongLine) {
  // A first line with no line end at all (a 2 MB blob) is decided from its first bytes.
  std::string blob = "From " + std::string(2 << 20, 'x');
  EXPECT_EQ(Classify(blob), kindMailbox);
  EXPECT_EQ(Classify(std::string(2 << 20, '\r')), 0);
}

std::string WindowsToc(uint32_t entries, uint16_t count) {
  std::string toc(104 + entries * 218, '\0');
  toc[102] = static_cast<char>(count & 0xFF);
  toc[103] = static_cast<char>(count >> 8);
  return toc;
}

std::string MacToc(uint32_t entries, int16_t count) {
  std::string toc(278 + entries * 220, '\0');
  toc[262] = static_cast<char>((count >> 8) & 0xFF);
  toc[263] = static_cast<char>(count & 0xFF);
  return toc;
}

TEST(ClassifyTableOfContents, JudgesTheLayoutBySizeAndCount) {
  struct Row {
    const char* label;
    std::string toc;
    TocVerdict verdict;
  } rows[] = {
      {"Windows, 3 entries", WindowsToc(3, 3), TocVerdict::kWindows},
      {"Windows, none", WindowsToc(0, 0), TocVerdict::kWindows},
      {"Windows, one byte short", WindowsToc(3, 3).substr(0, 757), TocVerdict::kUnknown},
      {"Windows, count too big", WindowsToc(2, 3), TocVerdict::kUnknown},
      {"Mac, 2 entries", MacToc(2, 2), TocVerdict::kOldMac},
      {"Mac, Eudora's empty table", MacToc(1, 0), TocVerdict::kOldMac},
      {"Mac, count too big", MacToc(1, 2), TocVerdict::kUnknown},
      {"Mac, negative count", MacToc(0, -1), TocVerdict::kUnknown},
      {"too short for a header", std::string(50, '\0'), TocVerdict::kUnknown},
  };
  for (const Row& row : rows) EXPECT_EQ(ClassifyTableOfContents(row.toc.size(), row.toc), row.verdict) << row.label;
}

TEST(ClassifyTableOfContents, WindowsCountWrapsPast65535) {
  // Large Windows In boxes count their entries in an unsigned word that wraps.
  uint64_t entries = 65536 + 5;
  std::string head = WindowsToc(0, 5);
  EXPECT_EQ(ClassifyTableOfContents(104 + entries * 218, head), TocVerdict::kWindows);
  EXPECT_EQ(ClassifyTableOfContents(104 + 40000ull * 218, WindowsToc(0, 40000)), TocVerdict::kWindows);
}

TEST(ClassifyTableOfContents, MacCountIsTheWordAt262NotTheRedrawHintAt48) {
  std::string toc = MacToc(2, 2);
  toc[48] = 0;
  toc[49] = 7;
  EXPECT_EQ(ClassifyTableOfContents(toc.size(), toc), TocVerdict::kOldMac);
}

}  // namespace
