#include "platform/apple_double.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/fork_fixtures.h"

namespace {

using fork_fixtures::BuildAppleDouble;
using fork_fixtures::ExactCopy;
using fork_fixtures::FinderInfoBytes;
using fork_fixtures::SetU16;
using fork_fixtures::SetU32;
using platform::AppleDoubleContents;
using platform::ParseAppleDouble;

// Offset of descriptor i's fields.
size_t DescriptorAt(size_t i) { return 26 + 12 * i; }

TEST(AppleDouble, FinderInfoAndResourceFork) {
  std::string finder = FinderInfoBytes("TEXT", "CSOm", 0x0100);
  std::string bytes = BuildAppleDouble({{9, finder}, {2, "resource bytes"}});
  AppleDoubleContents c;
  ASSERT_TRUE(ParseAppleDouble(bytes, c));
  EXPECT_FALSE(c.is_apple_single);
  EXPECT_FALSE(c.has_data_fork);
  EXPECT_TRUE(c.has_resource_fork);
  EXPECT_TRUE(c.has_finder_info);
  EXPECT_EQ(c.resource_fork, "resource bytes");
  EXPECT_EQ(c.finder_info, finder);
}

TEST(AppleDouble, AppleSingleWithDataFork) {
  std::string bytes =
      BuildAppleDouble({{3, "name"}, {9, FinderInfoBytes("APPL", "ABCD", 0)}, {1, "data fork"}, {2, "rsrc"}},
                       platform::kAppleSingleMagic);
  AppleDoubleContents c;
  ASSERT_TRUE(ParseAppleDouble(bytes, c));
  EXPECT_TRUE(c.is_apple_single);
  EXPECT_TRUE(c.has_data_fork);
  EXPECT_EQ(c.data_fork, "data fork");
  EXPECT_EQ(c.resource_fork, "rsrc");
  EXPECT_EQ(c.finder_info.substr(0, 8), "APPLABCD");
}

TEST(AppleDouble, VersionOne) {
  std::string bytes = BuildAppleDouble({{2, "old"}}, platform::kAppleDoubleMagic, 0x00010000);
  AppleDoubleContents c;
  ASSERT_TRUE(ParseAppleDouble(bytes, c));
  EXPECT_EQ(c.resource_fork, "old");
}

TEST(AppleDouble, NotAppleDouble) {
  AppleDoubleContents c;
  EXPECT_FALSE(ParseAppleDouble("", c));
  EXPECT_FALSE(ParseAppleDouble(std::string(25, '\0'), c));
  EXPECT_FALSE(ParseAppleDouble(std::string(100, '\0'), c));
  EXPECT_FALSE(ParseAppleDouble("From someone@example.com Mon Jan  1 00:00:00 2001\n", c));
  std::string other_version = BuildAppleDouble({{2, "x"}}, platform::kAppleDoubleMagic, 0x00030000);
  EXPECT_FALSE(ParseAppleDouble(other_version, c));
  std::string other_magic = BuildAppleDouble({{2, "x"}}, 0x00051608);
  EXPECT_FALSE(ParseAppleDouble(other_magic, c));
  EXPECT_FALSE(c.has_resource_fork);
}

TEST(AppleDouble, NoEntries) {
  AppleDoubleContents c;
  std::string bytes = BuildAppleDouble({});
  ASSERT_TRUE(ParseAppleDouble(bytes, c));
  EXPECT_FALSE(c.has_resource_fork || c.has_finder_info || c.has_data_fork);
}

TEST(AppleDouble, EmptyResourceForkEntry) {
  AppleDoubleContents c;
  std::string bytes = BuildAppleDouble({{9, FinderInfoBytes("TEXT", "CSOm", 0)}, {2, ""}});
  ASSERT_TRUE(ParseAppleDouble(bytes, c));
  EXPECT_TRUE(c.has_resource_fork);
  EXPECT_TRUE(c.resource_fork.empty());
}

// Mac OS X keeps extended attributes inside the Finder info entry; only its first 32
// bytes are Finder info.
TEST(AppleDouble, LongFinderInfoEntryIsCut) {
  std::string finder = FinderInfoBytes("TEXT", "CSOm", 0) + "ATTR" + std::string(200, 'a');
  AppleDoubleContents c;
  std::string bytes = BuildAppleDouble({{9, finder}, {2, "rsrc"}});
  ASSERT_TRUE(ParseAppleDouble(bytes, c));
  EXPECT_EQ(c.finder_info, finder.substr(0, 32));
  EXPECT_EQ(c.resource_fork, "rsrc");
}

TEST(AppleDouble, EntryCountBeyondTheFileIsBounded) {
  std::string bytes = BuildAppleDouble({{9, FinderInfoBytes("TEXT", "CSOm", 0)}, {2, "rsrc"}});
  SetU16(bytes, 24, 0xFFFF);
  ExactCopy copy(bytes);
  AppleDoubleContents c;
  ASSERT_TRUE(ParseAppleDouble(copy.View(), c));
  // As many descriptors as the file holds are read; the table they make covers the whole
  // file, so no entry's data lies outside it and none is trusted.
  EXPECT_FALSE(c.has_finder_info);
  EXPECT_FALSE(c.has_resource_fork);

  std::string header_only = BuildAppleDouble({});
  SetU16(header_only, 24, 0xFFFF);
  ASSERT_TRUE(ParseAppleDouble(header_only, c));
  EXPECT_FALSE(c.has_finder_info || c.has_resource_fork || c.has_data_fork);
}

TEST(AppleDouble, OutOfRangeEntriesAreIgnored) {
  std::string bytes = BuildAppleDouble({{9, FinderInfoBytes("TEXT", "CSOm", 0)}, {2, "rsrc"}});
  struct Case {
    const char* what;
    uint32_t offset;
    uint32_t length;
  } cases[] = {
      {"offset past the end", uint32_t(bytes.size() + 1), 0},
      {"length past the end", uint32_t(bytes.size() - 4), 5},
      {"huge length", uint32_t(bytes.size() - 4), 0xFFFFFFFF},
      {"huge offset", 0xFFFFFFFF, 4},
      {"over the header", 0, 4},
      {"over the descriptors", uint32_t(DescriptorAt(1)), 4},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    std::string damaged = bytes;
    SetU32(damaged, DescriptorAt(1) + 4, k.offset);
    SetU32(damaged, DescriptorAt(1) + 8, k.length);
    ExactCopy copy(damaged);
    AppleDoubleContents c;
    ASSERT_TRUE(ParseAppleDouble(copy.View(), c));
    EXPECT_FALSE(c.has_resource_fork);
    EXPECT_TRUE(c.has_finder_info);
  }
}

TEST(AppleDouble, OverlappingEntriesAreNotTrusted) {
  std::string bytes = BuildAppleDouble({{9, FinderInfoBytes("TEXT", "CSOm", 0)}, {2, "rsrc"}, {3, "name"}});
  // The name entry is moved over the resource fork: neither is trusted; Finder info stays.
  SetU32(bytes, DescriptorAt(2) + 4, fork_fixtures::GetU32(bytes, DescriptorAt(1) + 4) + 2);
  AppleDoubleContents c;
  ASSERT_TRUE(ParseAppleDouble(bytes, c));
  EXPECT_FALSE(c.has_resource_fork);
  EXPECT_TRUE(c.has_finder_info);

  // Resource fork over the Finder info.
  std::string over = BuildAppleDouble({{9, FinderInfoBytes("TEXT", "CSOm", 0)}, {2, std::string(40, 'r')}});
  SetU32(over, DescriptorAt(1) + 4, fork_fixtures::GetU32(over, DescriptorAt(0) + 4));
  ASSERT_TRUE(ParseAppleDouble(over, c));
  EXPECT_FALSE(c.has_resource_fork);
  EXPECT_FALSE(c.has_finder_info);
}

TEST(AppleDouble, AdjacentEntriesAreFine) {
  AppleDoubleContents c;
  std::string bytes = BuildAppleDouble({{9, std::string(32, 'f')}, {2, "r"}, {3, "n"}});
  ASSERT_TRUE(ParseAppleDouble(bytes, c));
  EXPECT_EQ(c.resource_fork, "r");
  EXPECT_EQ(c.finder_info, std::string(32, 'f'));
}

TEST(AppleDouble, FirstOfDuplicateIdsCounts) {
  AppleDoubleContents c;
  std::string bytes = BuildAppleDouble({{2, "first"}, {2, "second"}});
  ASSERT_TRUE(ParseAppleDouble(bytes, c));
  EXPECT_EQ(c.resource_fork, "first");
}

TEST(AppleDouble, EveryTruncation) {
  std::string bytes = BuildAppleDouble({{9, FinderInfoBytes("TEXT", "CSOm", 0)}, {2, "resource fork"}, {1, "data"}});
  for (size_t n = 0; n <= bytes.size(); ++n) {
    SCOPED_TRACE(n);
    ExactCopy cut(std::string_view(bytes).substr(0, n));
    AppleDoubleContents c;
    bool ok = ParseAppleDouble(cut.View(), c);
    EXPECT_EQ(ok, n >= 26);
    EXPECT_TRUE(cut.Holds(c.resource_fork));
    EXPECT_TRUE(cut.Holds(c.finder_info));
    EXPECT_TRUE(cut.Holds(c.data_fork));
    EXPECT_EQ(c.has_data_fork, n == bytes.size());
  }
}

TEST(AppleDouble, EveryByteDamaged) {
  std::string good = BuildAppleDouble({{9, FinderInfoBytes("TEXT", "CSOm", 0)}, {2, "resource fork"}, {1, "data"}});
  for (size_t i = 0; i < 26 + 3 * 12; ++i) {
    for (int value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
      std::string bytes = good;
      bytes[i] = char(value);
      ExactCopy copy(bytes);
      AppleDoubleContents c;
      ParseAppleDouble(copy.View(), c);
      EXPECT_TRUE(copy.Holds(c.resource_fork));
      EXPECT_TRUE(copy.Holds(c.finder_info));
      EXPECT_TRUE(copy.Holds(c.data_fork));
    }
  }
}

}  // namespace
