#include "platform/resource_file.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/fork_fixtures.h"

namespace {

using fork_fixtures::BuildResourceFork;
using fork_fixtures::ExactCopy;
using fork_fixtures::ForkLayout;
using fork_fixtures::Resource;
using fork_fixtures::SetU16;
using fork_fixtures::SetU32;
using platform::FourCC;
using platform::ResourceFile;

const uint32_t kTOCF = FourCC("TOCF");
const uint32_t kSTR = FourCC("STR ");

std::vector<Resource> SampleResources() {
  return {{kTOCF, 1001, "table of contents"},
          {kSTR, -16396, "a string"},
          {kTOCF, 1002, std::string(300, 'x')},
          {kSTR, 128, ""}};
}

// Every resource the parse lists reads (whole and in part) only from inside the fork.
void ExpectReadsInside(const ResourceFile& file, const ExactCopy& fork) {
  for (const platform::ResourceEntry& e : file.Entries()) {
    if (auto whole = file.Get(e.type, e.id)) {
      EXPECT_TRUE(fork.Holds(*whole));
      EXPECT_EQ(whole->size(), e.length);
      volatile char sink = 0;
      for (char c : *whole) sink = sink ^ c;
    }
    if (auto part = file.GetPartial(e.type, e.id, 1, 5)) {
      EXPECT_TRUE(fork.Holds(*part));
    }
  }
}

TEST(ResourceFile, ReadsEveryResource) {
  std::string fork = BuildResourceFork(SampleResources());
  ResourceFile file;
  ASSERT_TRUE(file.Parse(fork));
  ASSERT_EQ(file.Entries().size(), 4u);
  EXPECT_EQ(file.Get(kTOCF, 1001), "table of contents");
  EXPECT_EQ(file.Get(kTOCF, 1002), std::string(300, 'x'));
  EXPECT_EQ(file.Get(kSTR, -16396), "a string");
  auto empty = file.Get(kSTR, 128);
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->empty());

  const platform::ResourceEntry* e = file.Find(kTOCF, 1001);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->type, kTOCF);
  EXPECT_EQ(e->length, 17u);
  EXPECT_EQ(e->data_offset, 256u + 4u);
  EXPECT_EQ(fork.substr(e->data_offset, e->length), "table of contents");
}

TEST(ResourceFile, MissingResources) {
  std::string fork = BuildResourceFork(SampleResources());
  ResourceFile file;
  ASSERT_TRUE(file.Parse(fork));
  EXPECT_EQ(file.Find(kTOCF, 1003), nullptr);
  EXPECT_EQ(file.Find(FourCC("TOCX"), 1001), nullptr);
  EXPECT_FALSE(file.Get(kTOCF, 1003).has_value());
  EXPECT_FALSE(file.GetPartial(kTOCF, 1003, 0, 1).has_value());
}

TEST(ResourceFile, MapBeforeData) {
  std::string fork = BuildResourceFork(SampleResources(), /*map_first=*/true);
  ResourceFile file;
  ASSERT_TRUE(file.Parse(fork));
  EXPECT_EQ(file.Get(kTOCF, 1001), "table of contents");
  EXPECT_EQ(file.Get(kSTR, -16396), "a string");
}

TEST(ResourceFile, DuplicateIdFindsTheFirst) {
  std::string fork = BuildResourceFork({{kTOCF, 1001, "first"}, {kTOCF, 1001, "second"}});
  ResourceFile file;
  ASSERT_TRUE(file.Parse(fork));
  EXPECT_EQ(file.Entries().size(), 2u);
  EXPECT_EQ(file.Get(kTOCF, 1001), "first");
}

TEST(ResourceFile, ZeroTypes) {
  std::string fork = BuildResourceFork({});
  ASSERT_EQ(fork_fixtures::GetU16(fork, 256 + 28), 0xFFFFu);  // the stored count - 1
  ResourceFile file;
  EXPECT_TRUE(file.Parse(fork));
  EXPECT_TRUE(file.Entries().empty());
  EXPECT_FALSE(file.Get(kTOCF, 1001).has_value());
}

TEST(ResourceFile, TypeWithStoredCountFFFFHasNoResources) {
  ForkLayout layout;
  std::string fork = BuildResourceFork({{kTOCF, 1001, "abc"}}, false, &layout);
  SetU16(fork, layout.type_list + 2 + 4, 0xFFFF);
  ResourceFile file;
  EXPECT_TRUE(file.Parse(fork));
  EXPECT_TRUE(file.Entries().empty());
}

TEST(ResourceFile, PartialReads) {
  std::string fork = BuildResourceFork({{kTOCF, 1001, "0123456789"}});
  ResourceFile file;
  ASSERT_TRUE(file.Parse(fork));
  EXPECT_EQ(file.GetPartial(kTOCF, 1001, 0, 4), "0123");
  EXPECT_EQ(file.GetPartial(kTOCF, 1001, 3, 4), "3456");
  EXPECT_EQ(file.GetPartial(kTOCF, 1001, 8, 100), "89");  // cut at the resource's end
  EXPECT_EQ(file.GetPartial(kTOCF, 1001, 0, UINT32_MAX), "0123456789");
  EXPECT_EQ(file.GetPartial(kTOCF, 1001, 10, 5), "");
  EXPECT_FALSE(file.GetPartial(kTOCF, 1001, 11, 1).has_value());
  EXPECT_FALSE(file.GetPartial(kTOCF, 1001, UINT32_MAX, UINT32_MAX).has_value());
}

TEST(ResourceFile, PartialReadNeverReachesTheNextResource) {
  std::string fork = BuildResourceFork({{kTOCF, 1001, "abc"}, {kTOCF, 1002, "defgh"}});
  ResourceFile file;
  ASSERT_TRUE(file.Parse(fork));
  EXPECT_EQ(file.GetPartial(kTOCF, 1001, 1, 50), "bc");
}

TEST(ResourceFile, TooShortOrEmpty) {
  ResourceFile file;
  EXPECT_FALSE(file.Parse(""));
  EXPECT_FALSE(file.Parse(std::string(15, '\0')));
  EXPECT_FALSE(file.Parse(std::string(16, '\0')));
  EXPECT_FALSE(file.Parse(std::string(300, '\0')));
  EXPECT_TRUE(file.Entries().empty());
}

TEST(ResourceFile, FailedParseForgetsTheLastFork) {
  std::string good = BuildResourceFork(SampleResources());
  ResourceFile file;
  ASSERT_TRUE(file.Parse(good));
  EXPECT_FALSE(file.Parse("garbage"));
  EXPECT_TRUE(file.Entries().empty());
  EXPECT_FALSE(file.Get(kTOCF, 1001).has_value());
}

// Every cut of a valid fork: never a crash, never a read outside what is left.
TEST(ResourceFile, EveryTruncation) {
  for (bool map_first : {false, true}) {
    std::string fork = BuildResourceFork(SampleResources(), map_first);
    for (size_t n = 0; n < fork.size(); ++n) {
      SCOPED_TRACE(testing::Message() << "map_first " << map_first << ", " << n << " bytes");
      ExactCopy cut(std::string_view(fork).substr(0, n));
      ResourceFile file;
      bool ok = file.Parse(cut.View());
      // The header's numbers no longer fit in a shorter fork.
      EXPECT_FALSE(ok);
      EXPECT_TRUE(file.Entries().empty());
      ExpectReadsInside(file, cut);
    }
  }
}

// A fork whose header still fits but whose data area was cut short: the resources whose
// bytes are gone are listed but cannot be read.
TEST(ResourceFile, ResourcePastTheDataArea) {
  ForkLayout layout;
  std::string fork = BuildResourceFork({{kTOCF, 1001, "abc"}, {kTOCF, 1002, "defgh"}}, true, &layout);
  // Shrink the data area's length by 2: the second resource no longer fits.
  SetU32(fork, 8, layout.data_length - 2);
  ResourceFile file;
  ASSERT_TRUE(file.Parse(fork));
  EXPECT_EQ(file.Get(kTOCF, 1001), "abc");
  ASSERT_NE(file.Find(kTOCF, 1002), nullptr);
  EXPECT_EQ(file.Find(kTOCF, 1002)->length, 5u);
  EXPECT_FALSE(file.Get(kTOCF, 1002).has_value());
  EXPECT_FALSE(file.GetPartial(kTOCF, 1002, 0, 1).has_value());
}

TEST(ResourceFile, StoredLengthBeyondTheFork) {
  ForkLayout layout;
  std::string fork = BuildResourceFork({{kTOCF, 1001, "abc"}}, false, &layout);
  SetU32(fork, layout.data_offset, 0xFFFFFFF0);
  ResourceFile file;
  ASSERT_TRUE(file.Parse(fork));
  ASSERT_NE(file.Find(kTOCF, 1001), nullptr);
  EXPECT_FALSE(file.Get(kTOCF, 1001).has_value());
  EXPECT_FALSE(file.GetPartial(kTOCF, 1001, 0xFFFFFF00, 0x10).has_value());
}

TEST(ResourceFile, ReferenceOutsideTheDataAreaIsDropped) {
  ForkLayout layout;
  std::string fork = BuildResourceFork({{kTOCF, 1001, "abc"}, {kTOCF, 1002, "defgh"}}, false, &layout);
  // Second reference's data offset (u24 at +5 of the 12-byte entry) past the data area.
  const size_t second_ref = layout.type_list + 2 + 8 + 12;
  fork[second_ref + 5] = char(0x7F);
  ResourceFile file;
  ASSERT_TRUE(file.Parse(fork));
  EXPECT_EQ(file.Get(kTOCF, 1001), "abc");
  EXPECT_EQ(file.Find(kTOCF, 1002), nullptr);
}

struct Damage {
  const char* what;
  size_t at;       // offset in the fork; relative to the type list when from_type_list
  bool from_type_list;
  uint32_t value;
  int width;       // 2 or 4
};

TEST(ResourceFile, BogusOffsetsMakeTheMapUnusable) {
  ForkLayout layout;
  std::string good = BuildResourceFork(SampleResources(), false, &layout);
  const Damage damages[] = {
      {"data offset past the end", 0, false, 0x7FFFFFFF, 4},
      {"data offset inside the header", 0, false, 4, 4},
      {"map offset past the end", 4, false, 0xFFFFFFFF, 4},
      {"map offset inside the header", 4, false, 0, 4},
      {"data length past the end", 8, false, 0xFFFFFF00, 4},
      {"map length past the end", 12, false, 0x10000, 4},
      {"map length below its header", 12, false, 27, 4},
      {"data area over the map", 8, false, uint32_t(layout.data_length + 1), 4},
      {"type list offset past the map", layout.map_offset + 24, false, 0xFFF0, 2},
      {"type list offset at the map's end", layout.map_offset + 24, false, layout.map_length, 2},
      {"too many types", 0, true, 0x7FFF, 2},
      {"reference list offset past the map", 2 + 6, true, 0xFFFF, 2},
      {"too many references", 2 + 4, true, 0x7000, 2},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.what);
    std::string fork = good;
    size_t at = d.from_type_list ? layout.type_list + d.at : d.at;
    if (d.width == 2) SetU16(fork, at, d.value);
    else SetU32(fork, at, d.value);
    ExactCopy copy(fork);
    ResourceFile file;
    EXPECT_FALSE(file.Parse(copy.View()));
    EXPECT_TRUE(file.Entries().empty());
  }
}

// Many types that all point at the same large reference list would be billions of
// references; the parse refuses them instead of walking them.
TEST(ResourceFile, SharedReferenceListsAreBounded) {
  std::string fork = std::string(16, '\0');
  const uint32_t types = 0x1000;
  const uint32_t refs_per_type = 0x400;
  std::string map(28, '\0');
  SetU16(map, 24, 28);
  std::string type_list;
  fork_fixtures::PutU16(type_list, types - 1);
  const uint32_t list_offset = 2 + 8 * types;
  for (uint32_t t = 0; t < types; ++t) {
    fork_fixtures::PutU32(type_list, t);
    fork_fixtures::PutU16(type_list, refs_per_type - 1);
    fork_fixtures::PutU16(type_list, list_offset);
  }
  std::string refs(12 * refs_per_type, '\0');
  map += type_list + refs;
  const uint32_t data_offset = 16 + uint32_t(map.size());
  SetU32(fork, 0, data_offset);
  SetU32(fork, 4, 16);
  SetU32(fork, 8, 4);
  SetU32(fork, 12, uint32_t(map.size()));
  fork += map + std::string("\0\0\0\0", 4);
  ResourceFile file;
  EXPECT_FALSE(file.Parse(fork));
  EXPECT_TRUE(file.Entries().empty());
}

// Every byte of a small fork set to a few values: never a crash, never a read outside.
TEST(ResourceFile, EveryByteDamaged) {
  for (bool map_first : {false, true}) {
    std::string good = BuildResourceFork(SampleResources(), map_first);
    for (size_t i = 0; i < good.size(); ++i) {
      for (int value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
        std::string fork = good;
        fork[i] = char(value);
        ExactCopy copy(fork);
        ResourceFile file;
        file.Parse(copy.View());
        ExpectReadsInside(file, copy);
      }
    }
  }
}

}  // namespace
