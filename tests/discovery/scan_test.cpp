#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>

#include "app/ferrolin.h"
#include "discovery/file_refs.h"
#include "support/test_support.h"

namespace {

using testing_support::ScratchFolder;
using testing_support::WriteFile;

const char kMailbox[] = "From ???@??? Tue Jan 01 12:34:56 2002\rSubject: x\r\rBody\r";
const char kNicknames[] = "alias anna anna@example.com\r";

// Walks one folder the way a run does, and keeps what was queued and located.
struct Walk {
  std::map<std::string, std::pair<int32_t, int16_t>> queued;  // display path -> depth, kind
  bool attachmentsFound = false, partsFound = false;
  platform::FileSpec attachments, parts;
  std::string log;
};

Walk WalkFolder(const ScratchFolder& scratch, const std::string& folder, int32_t depth,
                int32_t flavour = kFlavourEudora) {
  platform::SilentUserInterface ui;
  Ferrolin app(ui, FerrolinFolders{scratch / "home", ""});
  app.mSourceFlavour = flavour;
  std::vector<std::unique_ptr<QueuedFile>> items;
  app.mItems = &items;
  Walk walk;
  app.ScanFolderForConvertableFiles(platform::FileSpecFromPath(folder), depth, walk.attachmentsFound, walk.partsFound,
                                    walk.attachments, walk.parts);
  for (const auto& item : items)
    walk.queued[GetUnicodeFilename(item->file, item->depth)] = {item->depth, item->kind};
  EXPECT_EQ(app.mFileCount, static_cast<int32_t>(items.size()));
  walk.log = testing_support::ReadFile(scratch / "home/Library/Logs/Ferrolin.log");
  return walk;
}

TEST(Scan, EudoraFolderSkipsEudorasOwnFoldersAndGivesDepths) {
  ScratchFolder s;
  std::string top = s / "src/Eudora Folder";
  WriteFile(top + "/Mail Folder/In", kMailbox);
  WriteFile(top + "/Mail Folder/Work/Project", kMailbox);
  WriteFile(top + "/Eudora Nicknames", kNicknames);
  WriteFile(top + "/History List", kMailbox);
  WriteFile(top + "/Mail Folder/.DS_Store", kMailbox);
  for (const char* skipped : {"Ad Folder", "Attachments Folder", "Cache Folder", "Delivery Folder", "Eudora Items",
                              "Link History Folder", "Parts Folder", "Signature Folder", "Spool Folder",
                              "Stationary Folder"})
    WriteFile(top + "/" + skipped + "/Stray", kMailbox);

  Walk walk = WalkFolder(s, top, -2);
  std::map<std::string, std::pair<int32_t, int16_t>> expected = {
      {"In", {0, kindMailbox}}, {"Work/Project", {1, kindMailbox}}, {"Eudora Nicknames", {-1, kindNicknameFile}}};
  EXPECT_EQ(walk.queued, expected);
  EXPECT_EQ(walk.log.find("Stray"), std::string::npos);
  EXPECT_EQ(walk.log.find("History"), std::string::npos);
  ASSERT_TRUE(walk.attachmentsFound);
  ASSERT_TRUE(walk.partsFound);
  EXPECT_EQ(walk.attachments.FullPath(), top + "/Attachments Folder");
  EXPECT_EQ(walk.parts.FullPath(), top + "/Parts Folder");
}

TEST(Scan, OtherFoldersAreNotSkippedBelowTheTop) {
  ScratchFolder s;
  WriteFile(s / "src/Mail Folder/In", kMailbox);
  WriteFile(s / "src/Mail Folder/Spool Folder/Queued", kMailbox);
  Walk mail = WalkFolder(s, s / "src/Mail Folder", -1);
  EXPECT_EQ(mail.queued.at("In").first, 0);
  EXPECT_EQ(mail.queued.at("Spool Folder/Queued").first, 1);
  // The folder holding the "Mail Folder" is searched; it has neither of Eudora's folders.
  EXPECT_FALSE(mail.attachmentsFound);
  EXPECT_FALSE(mail.partsFound);

  WriteFile(s / "src/Old/In", kMailbox);
  Walk old = WalkFolder(s, s / "src/Old", 0);
  EXPECT_EQ(old.queued.at("Old/In").first, 1);
}

TEST(Scan, LocatesEudorasFoldersAboveTheMailFolder) {
  ScratchFolder s;
  WriteFile(s / "src/Data/Mail Folder/Work/Deep/In", kMailbox);
  WriteFile(s / "src/Data/Attachments Folder/a.txt", "x");
  Walk walk = WalkFolder(s, s / "src/Data/Mail Folder", -1);
  ASSERT_TRUE(walk.attachmentsFound);
  EXPECT_EQ(walk.attachments.FullPath(), s / "src/Data/Attachments Folder");
  EXPECT_FALSE(walk.partsFound);

  // A Mozilla source never searches.
  Walk mozilla = WalkFolder(s, s / "src/Data/Mail Folder", -1, kFlavourMozilla);
  EXPECT_FALSE(mozilla.attachmentsFound);
}

TEST(Scan, FollowsFolderLinksOnceAndSurvivesLoops) {
  ScratchFolder s;
  std::string top = s / "src/Mail Folder";
  WriteFile(top + "/In", kMailbox);
  WriteFile(s / "src/Elsewhere/Archive/Old", kMailbox);
  ASSERT_EQ(symlink((s / "src/Elsewhere/Archive").c_str(), (top + "/Archive").c_str()), 0);
  ASSERT_EQ(symlink(top.c_str(), (top + "/Back").c_str()), 0);
  ASSERT_EQ(symlink("Loop", (top + "/Loop").c_str()), 0);           // a link to itself
  ASSERT_EQ(symlink("nowhere", (top + "/Dangling").c_str()), 0);    // a link to nothing
  Walk walk = WalkFolder(s, top, -1);
  std::map<std::string, std::pair<int32_t, int16_t>> expected = {{"In", {0, kindMailbox}},
                                                                 {"Archive/Old", {1, kindMailbox}}};
  EXPECT_EQ(walk.queued, expected);
}

TEST(Scan, SidecarsAndUnreadableFiles) {
  ScratchFolder s;
  std::string top = s / "src/Mail Folder";
  WriteFile(top + "/In", kMailbox);
  WriteFile(top + "/._In", std::string("\x00\x05\x16\x07\x00\x02\x00\x00", 8) + std::string(18, '\0'));
  WriteFile(top + "/__MACOSX/._In", "x");
  WriteFile(top + "/Locked", kMailbox);
  chmod((top + "/Locked").c_str(), 0);
  WriteFile(top + std::string("/Caf\x8e"), kMailbox);  // not UTF-8: read as Mac Roman
  ASSERT_EQ(mkfifo((top + "/Pipe").c_str(), 0600), 0);
  Walk walk = WalkFolder(s, top, -1);
  EXPECT_EQ(walk.log.find("._In"), std::string::npos);
  EXPECT_EQ(walk.log.find("__MACOSX"), std::string::npos);
  EXPECT_NE(walk.log.find("\"Caf\xC3\xA9\" (mailbox)\n"), std::string::npos);
  EXPECT_NE(walk.log.find("\"Pipe\" (empty file)\n"), std::string::npos);
  if (geteuid() != 0) {
    EXPECT_NE(walk.log.find("\"Locked\" (unknown format)\n"), std::string::npos);
  }
}

TEST(GetUnicodeFilename, AddsEnclosingFolders) {
  platform::FileSpec file{"/HD/Mail Folder/Work", "In"};
  EXPECT_EQ(GetUnicodeFilename(file, -1), "In");
  EXPECT_EQ(GetUnicodeFilename(file, 0), "In");
  EXPECT_EQ(GetUnicodeFilename(file, 1), "Work/In");
  EXPECT_EQ(GetUnicodeFilename(file, 2), "Mail Folder/Work/In");
}

}  // namespace
