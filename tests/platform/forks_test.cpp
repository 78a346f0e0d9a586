#include "platform/forks.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/fork_fixtures.h"
#include "platform/resource_file.h"
#include "support/test_support.h"

namespace {

using fork_fixtures::BuildAppleDouble;
using fork_fixtures::BuildResourceFork;
using fork_fixtures::FinderInfoBytes;
using platform::FileSpec;
using platform::FourCC;
using platform::ForkInfo;
using platform::IsForkCompanion;
using platform::ReadForks;
using testing_support::ScratchFolder;
using testing_support::WriteFile;

// A sidecar whose resource fork holds one 'TEXT' 128 resource with text, and whose Finder
// info has the given type.
std::string Sidecar(const std::string& text, const char* type = "TEXT") {
  std::string fork = BuildResourceFork({{FourCC("TEXT"), 128, text}});
  return BuildAppleDouble({{9, FinderInfoBytes(type, "CSOm", 0x0100)}, {2, fork}});
}

// The text of the 'TEXT' 128 resource of a read fork ("" when there is none).
std::string ForkText(const ForkInfo& info) {
  platform::ResourceFile file;
  if (!info.has_resource_fork || !file.Parse(info.resource_fork)) return "";
  auto text = file.Get(FourCC("TEXT"), 128);
  return text ? std::string(*text) : "";
}

std::string ReadText(const FileSpec& file) {
  ForkInfo info;
  if (!ReadForks(file, info)) return "";
  return ForkText(info);
}

TEST(Forks, NoCompanionsNoForks) {
  ScratchFolder scratch;
  WriteFile(scratch / "In", "mail");
  ForkInfo info;
  info.has_resource_fork = true;
  info.finder.type = 1;
  EXPECT_FALSE(ReadForks(FileSpec{scratch.Path(), "In"}, info));
  EXPECT_FALSE(info.has_resource_fork);
  EXPECT_TRUE(info.resource_fork.empty());
  EXPECT_EQ(info.finder.type, 0u);
  EXPECT_EQ(info.finder.creator, 0u);
  EXPECT_EQ(info.finder.flags, 0u);
}

TEST(Forks, SidecarInTheSameFolder) {
  ScratchFolder scratch;
  WriteFile(scratch / "In", "mail");
  WriteFile(scratch / "._In", Sidecar("sidecar"));
  ForkInfo info;
  ASSERT_TRUE(ReadForks(FileSpec{scratch.Path(), "In"}, info));
  EXPECT_TRUE(info.has_resource_fork);
  EXPECT_EQ(ForkText(info), "sidecar");
  EXPECT_EQ(info.finder.type, FourCC("TEXT"));
  EXPECT_EQ(info.finder.creator, FourCC("CSOm"));
  EXPECT_EQ(info.finder.flags, 0x0100);
}

TEST(Forks, SidecarWithFinderInfoOnly) {
  ScratchFolder scratch;
  WriteFile(scratch / "report.pdf", "%PDF");
  WriteFile(scratch / "._report.pdf", BuildAppleDouble({{9, FinderInfoBytes("PDF ", "CARO", 0)}}));
  ForkInfo info;
  ASSERT_TRUE(ReadForks(FileSpec{scratch.Path(), "report.pdf"}, info));
  EXPECT_FALSE(info.has_resource_fork);
  EXPECT_TRUE(info.resource_fork.empty());
  EXPECT_EQ(info.finder.type, FourCC("PDF "));
  EXPECT_EQ(info.finder.creator, FourCC("CARO"));
}

TEST(Forks, AppleSingleSidecarIsReadToo) {
  ScratchFolder scratch;
  WriteFile(scratch / "In", "mail");
  std::string fork = BuildResourceFork({{FourCC("TEXT"), 128, "single"}});
  WriteFile(scratch / "._In", BuildAppleDouble({{2, fork}}, platform::kAppleSingleMagic));
  EXPECT_EQ(ReadText(FileSpec{scratch.Path(), "In"}), "single");
}

TEST(Forks, EmptyForkInASidecarIsNoFork) {
  ScratchFolder scratch;
  WriteFile(scratch / "In", "mail");
  WriteFile(scratch / "._In", BuildAppleDouble({{9, FinderInfoBytes("TEXT", "CSOm", 0)}, {2, ""}}));
  ForkInfo info;
  ASSERT_TRUE(ReadForks(FileSpec{scratch.Path(), "In"}, info));
  EXPECT_FALSE(info.has_resource_fork);
  EXPECT_EQ(info.finder.type, FourCC("TEXT"));
}

// Every place at once, then each removed in turn: the order is the sidecar, the nearest
// __MACOSX, farther __MACOSX folders, HFS+'s name/rsrc, netatalk's .AppleDouble.
TEST(Forks, SearchOrder) {
  ScratchFolder scratch;
  const std::string top = scratch / "zip";
  const std::string folder = top + "/Eudora Folder/Mail Folder";
  // HFS+ shows name/rsrc, so the "file" here is a folder holding rsrc; every other place
  // does not care what the item is.
  WriteFile(folder + "/In/rsrc", BuildResourceFork({{FourCC("TEXT"), 128, "hfs"}}));
  WriteFile(folder + "/.AppleDouble/In", Sidecar("netatalk"));
  WriteFile(top + "/__MACOSX/Eudora Folder/Mail Folder/._In", Sidecar("zip top"));
  WriteFile(top + "/Eudora Folder/__MACOSX/Mail Folder/._In", Sidecar("zip near"));
  WriteFile(folder + "/._In", Sidecar("sidecar"));
  const FileSpec in{folder, "In"};

  EXPECT_EQ(ReadText(in), "sidecar");
  ASSERT_EQ(unlink((folder + "/._In").c_str()), 0);
  EXPECT_EQ(ReadText(in), "zip near");
  ASSERT_EQ(unlink((top + "/Eudora Folder/__MACOSX/Mail Folder/._In").c_str()), 0);
  EXPECT_EQ(ReadText(in), "zip top");
  ASSERT_EQ(unlink((top + "/__MACOSX/Eudora Folder/Mail Folder/._In").c_str()), 0);
  EXPECT_EQ(ReadText(in), "hfs");
  ASSERT_EQ(unlink((folder + "/In/rsrc").c_str()), 0);
  EXPECT_EQ(ReadText(in), "netatalk");
  ASSERT_EQ(unlink((folder + "/.AppleDouble/In").c_str()), 0);
  ForkInfo info;
  EXPECT_FALSE(ReadForks(in, info));
}

// A "._" file that is not AppleDouble (or holds neither fork nor Finder info) does not
// stop the search.
TEST(Forks, UnusableSidecarIsPassedOver) {
  ScratchFolder scratch;
  WriteFile(scratch / "In", "mail");
  WriteFile(scratch / "._In", "not an AppleDouble file at all, just text");
  WriteFile(scratch / "__MACOSX/._In", Sidecar("zip"));
  EXPECT_EQ(ReadText(FileSpec{scratch.Path(), "In"}), "zip");

  WriteFile(scratch / "._In", BuildAppleDouble({{3, "name only"}}));
  EXPECT_EQ(ReadText(FileSpec{scratch.Path(), "In"}), "zip");
}

// A zip extracted with its nested folders: the sidecars mirror the tree under the
// extraction's own __MACOSX folder, which may lie several levels up.
TEST(Forks, ZipExtractionWithNestedFolders) {
  ScratchFolder scratch;
  const std::string root = scratch / "Downloads/archive";
  const std::string deep = root + "/Eudora Folder/Mail Folder/Work/Projects";
  WriteFile(deep + "/Clients", "mail");
  WriteFile(root + "/Eudora Folder/Mail Folder/In", "mail");
  WriteFile(root + "/__MACOSX/Eudora Folder/Mail Folder/Work/Projects/._Clients", Sidecar("clients", "TEXT"));
  WriteFile(root + "/__MACOSX/Eudora Folder/Mail Folder/._In", Sidecar("in", "BINA"));
  // A sidecar of the same name at the wrong depth is not taken.
  WriteFile(root + "/__MACOSX/Eudora Folder/._Clients", Sidecar("wrong"));
  WriteFile(root + "/__MACOSX/._Clients", Sidecar("wrong"));

  ForkInfo info;
  ASSERT_TRUE(ReadForks(FileSpec{deep, "Clients"}, info));
  EXPECT_EQ(ForkText(info), "clients");
  ASSERT_TRUE(ReadForks(FileSpec{root + "/Eudora Folder/Mail Folder", "In"}, info));
  EXPECT_EQ(ForkText(info), "in");
  EXPECT_EQ(info.finder.type, FourCC("BINA"));

  ForkInfo none;
  WriteFile(deep + "/Other", "mail");
  EXPECT_FALSE(ReadForks(FileSpec{deep, "Other"}, none));
}

TEST(Forks, ZipSidecarBesideTheFile) {
  ScratchFolder scratch;
  WriteFile(scratch / "In", "mail");
  WriteFile(scratch / "__MACOSX/._In", Sidecar("beside"));
  EXPECT_EQ(ReadText(FileSpec{scratch.Path(), "In"}), "beside");
}

TEST(Forks, FolderPathWithTrailingSlash) {
  ScratchFolder scratch;
  WriteFile(scratch / "a/b/In", "mail");
  WriteFile(scratch / "__MACOSX/a/b/._In", Sidecar("trailing"));
  EXPECT_EQ(ReadText(FileSpec{scratch / "a/b/", "In"}), "trailing");
}

TEST(Forks, HfsPlusResourceFork) {
  ScratchFolder scratch;
  std::string fork = BuildResourceFork({{FourCC("TEXT"), 128, "hfs"}});
  WriteFile(scratch / "In/rsrc", fork);
  ForkInfo info;
  ASSERT_TRUE(ReadForks(FileSpec{scratch.Path(), "In"}, info));
  EXPECT_TRUE(info.has_resource_fork);
  EXPECT_EQ(info.resource_fork, fork);
  EXPECT_EQ(ForkText(info), "hfs");
}

TEST(Forks, HfsPlusEmptyOrNonFileRsrcIsNoFork) {
  ScratchFolder scratch;
  WriteFile(scratch / "In/rsrc", "");
  WriteFile(scratch / "Out/rsrc/x", "a folder named rsrc");
  ForkInfo info;
  EXPECT_FALSE(ReadForks(FileSpec{scratch.Path(), "In"}, info));
  EXPECT_FALSE(ReadForks(FileSpec{scratch.Path(), "Out"}, info));
}

TEST(Forks, ForkLargerThanTheLimitIsAbsent) {
  ScratchFolder scratch;
  WriteFile(scratch / "In/rsrc", "");
  ASSERT_EQ(truncate((scratch / "In/rsrc").c_str(), off_t(platform::kMaxResourceForkSize) + 1), 0);
  ForkInfo info;
  EXPECT_FALSE(ReadForks(FileSpec{scratch.Path(), "In"}, info));

  // The same in a sidecar: the Finder info is still read.
  std::string head = BuildAppleDouble({{9, FinderInfoBytes("TEXT", "CSOm", 0)}, {2, "x"}});
  const size_t fork_offset = head.size() - 1;
  fork_fixtures::SetU32(head, 26 + 12 + 8, uint32_t(platform::kMaxResourceForkSize + 1));
  WriteFile(scratch / "._Out", head);
  WriteFile(scratch / "Out", "mail");
  ASSERT_EQ(truncate((scratch / "._Out").c_str(), off_t(fork_offset + platform::kMaxResourceForkSize + 1)), 0);
  ASSERT_TRUE(ReadForks(FileSpec{scratch.Path(), "Out"}, info));
  EXPECT_FALSE(info.has_resource_fork);
  EXPECT_TRUE(info.resource_fork.empty());
  EXPECT_EQ(info.finder.type, FourCC("TEXT"));
}

TEST(Forks, NetatalkFolder) {
  ScratchFolder scratch;
  WriteFile(scratch / "In", "mail");
  WriteFile(scratch / ".AppleDouble/In", Sidecar("netatalk", "TEXT"));
  ForkInfo info;
  ASSERT_TRUE(ReadForks(FileSpec{scratch.Path(), "In"}, info));
  EXPECT_EQ(ForkText(info), "netatalk");
  EXPECT_EQ(info.finder.creator, FourCC("CSOm"));
}

TEST(Forks, FileInTheRootFolder) {
  // Nothing to find for a file of the root; the search must still end.
  ForkInfo info;
  EXPECT_FALSE(ReadForks(FileSpec{"/", "ferrolin-no-such-file"}, info));
}

TEST(Forks, CompanionCheck) {
  ScratchFolder scratch;
  WriteFile(scratch / "In", "mail");
  WriteFile(scratch / "._In", Sidecar("x"));
  WriteFile(scratch / "._notes", "a user's file whose name starts with ._");
  WriteFile(scratch / "._ab", "ab");
  WriteFile(scratch / "._single", BuildAppleDouble({{2, "r"}}, platform::kAppleSingleMagic));
  WriteFile(scratch / "__MACOSX/._In", Sidecar("x"));
  WriteFile(scratch / ".AppleDouble/In", Sidecar("x"));
  WriteFile(scratch / "sub/__MACOSX", "a file, not a folder");
  WriteFile(scratch / "sub/.AppleDouble", "a file, not a folder");
  mkdir((scratch / "._folder").c_str(), 0755);

  const std::string dir = scratch.Path();
  EXPECT_TRUE(IsForkCompanion(FileSpec{dir, "._In"}));
  EXPECT_TRUE(IsForkCompanion(FileSpec{dir, "__MACOSX"}));
  EXPECT_TRUE(IsForkCompanion(FileSpec{dir, ".AppleDouble"}));
  EXPECT_FALSE(IsForkCompanion(FileSpec{dir, "In"}));
  EXPECT_FALSE(IsForkCompanion(FileSpec{dir, "._notes"}));
  EXPECT_FALSE(IsForkCompanion(FileSpec{dir, "._ab"}));
  EXPECT_FALSE(IsForkCompanion(FileSpec{dir, "._single"}));
  EXPECT_FALSE(IsForkCompanion(FileSpec{dir, "._folder"}));
  EXPECT_FALSE(IsForkCompanion(FileSpec{dir, "._missing"}));
  EXPECT_FALSE(IsForkCompanion(FileSpec{dir + "/sub", "__MACOSX"}));
  EXPECT_FALSE(IsForkCompanion(FileSpec{dir + "/sub", ".AppleDouble"}));
}

// A sidecar that Mac OS X wrote for a Eudora 6.2.4 mailbox: Finder info and a fork with
// 'TOCF' 1001 and 1002.
TEST(Forks, RealEudoraMailboxSidecar) {
  const std::string folder =
      testing_support::SourceDir() + "/../shared/realdata/eudora2unix/Mac Eudora 6.2.4 Folder/Mail Folder";
  if (!testing_support::PathExists(folder + "/._In")) GTEST_SKIP() << "no real data at " << folder;
  ForkInfo info;
  ASSERT_TRUE(ReadForks(FileSpec{folder, "In"}, info));
  EXPECT_EQ(info.finder.type, FourCC("TEXT"));
  EXPECT_EQ(info.finder.creator, FourCC("CSOm"));
  ASSERT_TRUE(info.has_resource_fork);
  platform::ResourceFile file;
  ASSERT_TRUE(file.Parse(info.resource_fork));
  ASSERT_NE(file.Find(FourCC("TOCF"), 1001), nullptr);
  ASSERT_NE(file.Find(FourCC("TOCF"), 1002), nullptr);
  auto toc = file.Get(FourCC("TOCF"), 1001);
  ASSERT_TRUE(toc.has_value());
  // The table of contents is consistent: 278 header bytes and 220 per message.
  auto count_bytes = file.GetPartial(FourCC("TOCF"), 1001, 48, 2);
  ASSERT_TRUE(count_bytes.has_value());
  ASSERT_EQ(count_bytes->size(), 2u);
  const uint32_t count = fork_fixtures::GetU16(*count_bytes, 0);
  EXPECT_GT(count, 0u);
  EXPECT_EQ(toc->size(), count * 220 + 278);
  EXPECT_TRUE(IsForkCompanion(FileSpec{folder, "._In"}));
  EXPECT_FALSE(IsForkCompanion(FileSpec{folder, "In"}));
}

}  // namespace
