#include "mailboxes/thunderbird_writer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/output_stream.h"
#include "support/test_support.h"

namespace {

using mailboxes::CreateFolderHierarchy;
using mailboxes::FromLineGuard;
using testing_support::PathExists;
using testing_support::ReadFile;
using testing_support::ScratchFolder;
using testing_support::WriteFile;

TEST(ThunderbirdNames, SuffixesGoFromBothEndsUnlessNothingUsableRemains) {
  EXPECT_EQ(mailboxes::ThunderbirdFolderName("Clients.fol"), "Clients");
  EXPECT_EQ(mailboxes::ThunderbirdFolderName("Old.SBD"), "Old");
  EXPECT_EQ(mailboxes::ThunderbirdFolderName(".fol"), ".fol");
  EXPECT_EQ(mailboxes::ThunderbirdMailboxName("Work.mbx"), "Work");
  EXPECT_EQ(mailboxes::ThunderbirdMailboxName(".mbx.mbx"), ".mbx.mbx");
  EXPECT_EQ(mailboxes::ThunderbirdMailboxName("In"), "In");
}

TEST(CreateFolderHierarchy, RepeatsTheEudoraFoldersAndKeepsWhatExists) {
  ScratchFolder scratch;
  const std::string mail = scratch / "Eudora Folder/Mail Folder";
  WriteFile(mail + "/In", "");
  WriteFile(mail + "/Clients.fol/Work.mbx", "");
  WriteFile(mail + "/Clients.fol/2004.fol/Old", "");
  WriteFile(scratch / "loose/Note", "");
  WriteFile(scratch / "base/Clients", "kept");
  const platform::FileSpec base = platform::FileSpecFromPath(scratch / "base");
  struct Row {
    std::string mailbox;
    int32_t depth;
    std::string relativePath;
    std::string folder;  // below base
  };
  const Row rows[] = {
      {mail + "/In", 0, "", ""},
      {mail + "/Clients.fol/Work.mbx", 1, "Clients/", "/Clients.sbd"},
      {mail + "/Clients.fol/2004.fol/Old", 2, "Clients/2004/", "/Clients.sbd/2004.sbd"},
      {scratch / "loose/Note", -1, "", ""},      // dropped on its own
      {scratch / "loose/Note", 0, "loose/", "/loose.sbd"},  // outside a mail folder
  };
  for (const Row& row : rows) {
    platform::FileSpec folder;
    int error = -1;
    EXPECT_EQ(CreateFolderHierarchy(mailboxes::PlaceMailbox(platform::FileSpecFromPath(row.mailbox), row.depth), base, folder, error),
              row.relativePath)
        << row.mailbox;
    EXPECT_EQ(error, 0);
    EXPECT_EQ(folder.FullPath(), base.FullPath() + row.folder) << row.mailbox;
  }
  EXPECT_EQ(ReadFile(scratch / "base/Clients"), "kept");
  EXPECT_TRUE(PathExists(scratch / "base/Clients.msf"));
  EXPECT_TRUE(PathExists(scratch / "base/Clients.sbd/2004"));
  EXPECT_TRUE(PathExists(scratch / "base/Clients.sbd/2004.msf"));
  EXPECT_FALSE(PathExists(scratch / "base/In"));

  // A file where a directory belongs is an error, not a place to write into.
  WriteFile(scratch / "other/Clients.sbd", "");
  platform::FileSpec folder;
  int error = 0;
  CreateFolderHierarchy(mailboxes::PlaceMailbox(platform::FileSpecFromPath(mail + "/Clients.fol/Work.mbx"), 1),
                        platform::FileSpecFromPath(scratch / "other"), folder, error);
  EXPECT_EQ(error, ENOTDIR);
}

TEST(AttachmentStatus2, LabelOfAUsableTableOnly) {
  EXPECT_EQ(mailboxes::AttachmentStatus2(7, true), 0x1A000000u);
  EXPECT_EQ(mailboxes::AttachmentStatus2(2, true), 0x14000000u);
  EXPECT_EQ(mailboxes::AttachmentStatus2(-3, true), 0x10000000u);
  EXPECT_EQ(mailboxes::AttachmentStatus2(3, false), 0x10000000u);
}

TEST(FromLineGuard, GuardsEveryLineButTheFirstWhereverTheWritesAreCut) {
  const std::string message =
      "From - Tue Jan 01 12:34:56 2002\nSubject: x\n\nFrom here\nFrom\nfrom there\n From guarded\nFro\nFrom ";
  const std::string expected =
      "From - Tue Jan 01 12:34:56 2002\nSubject: x\n\n From here\nFrom\nfrom there\n From guarded\nFro\n From ";
  for (size_t cut = 0; cut <= message.size(); ++cut) {
    platform::MemoryOutput out;
    FromLineGuard guard(out);
    for (int copy = 0; copy < 2; ++copy) {
      guard.Begin();
      guard.Write(std::string_view(message).substr(0, cut));
      guard.Write(std::string_view(message).substr(cut));
      guard.Finish();
    }
    ASSERT_EQ(out.Data(), expected + expected) << "cut at " << cut;
  }
  // A last line that is only the start of "From " is not lost.
  platform::MemoryOutput out;
  FromLineGuard guard(out);
  guard.Begin();
  guard.Write("From - x\nFr");
  guard.Finish();
  EXPECT_EQ(out.Data(), "From - x\nFr");
}

}  // namespace
