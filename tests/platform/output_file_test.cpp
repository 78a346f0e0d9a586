#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/output_stream.h"
#include "support/test_support.h"

namespace {

TEST(OutputFile, AppendsOverwritesAndCutsBack) {
  testing_support::ScratchFolder s;
  const std::string path = s / "out";
  testing_support::WriteFile(path, "old\n");
  platform::OutputFile file;
  ASSERT_TRUE(file.Open(path, platform::OutputFile::Mode::kAppend));
  EXPECT_EQ(file.Position(), 4u);
  file.Write("new 0000\n");
  EXPECT_TRUE(file.WriteAt(8, "1234"));  // overwrites, also in a file opened for appending
  file.Write("tail\n");
  EXPECT_TRUE(file.Truncate(13));
  file.Write("!\n");
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(testing_support::ReadFile(path), "old\nnew 1234\n!\n");
}

TEST(SpillOutput, SpillsPastItsMemoryLimitAndKeepsEveryOperation) {
  testing_support::ScratchFolder s;
  platform::SpillOutput out(s.Path(), 8);
  out.Write("abcdef");
  out.Write("ghijkl");  // past the limit: now on disk
  EXPECT_TRUE(out.WriteAt(2, "CD"));
  EXPECT_TRUE(out.Truncate(10));
  out.Write("!");
  platform::MemoryOutput copy;
  ASSERT_TRUE(out.CopyTo(copy));
  EXPECT_EQ(copy.Data(), "abCDefghij!");
  EXPECT_FALSE(out.Failed());
}

}  // namespace
