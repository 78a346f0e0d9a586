#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <optional>
#include <string>

#include "app/ferrolin.h"
#include "discovery/eudora_layout.h"
#include "discovery/file_refs.h"
#include "mailboxes/enclosing_folders.h"
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

// A Windows Eudora data folder: mailboxes beside descmap.pce and Eudora.ini, a folder of
// mailboxes, and Eudora's own folders, whose files (a saved message among them) are no mail.
void MakeWindowsDataFolder(const std::string& top, const std::string& ini = "[Settings]\r\nRealName=U\r\n") {
  WriteFile(top + "/In.mbx", kMailbox);
  WriteFile(top + "/In.toc", "");
  WriteFile(top + "/Work.fol/Project.mbx", kMailbox);
  WriteFile(top + "/Work.fol/descmap.pce", "Project X,Project.mbx,M,N\r\n");
  WriteFile(top + "/descmap.pce", "Inbox,In.mbx,S,Y\r\nWork/Home,Work.fol,F,N\r\n");
  if (!ini.empty()) WriteFile(top + "/Eudora.ini", ini);
  for (const char* own : {"attach", "Embedded", "EudPriv/Ads", "Plugins", "spool", "Sigs", "Stationery", "Search"})
    WriteFile(top + "/" + own + "/Saved", kMailbox);
}

TEST(Scan, WindowsDataFolderPlaysTheMailFolder) {
  ScratchFolder s;
  const std::string top = s / "src/Eudora";
  MakeWindowsDataFolder(top);
  Walk walk = WalkFolder(s, top, -1);
  std::map<std::string, std::pair<int32_t, int16_t>> expected = {{"In.mbx", {0, kindMailbox}},
                                                                 {"Work.fol/Project.mbx", {1, kindMailbox}}};
  EXPECT_EQ(walk.queued, expected);
  EXPECT_EQ(walk.log.find("Saved"), std::string::npos) << walk.log;
  ASSERT_TRUE(walk.attachmentsFound);
  ASSERT_TRUE(walk.partsFound);
  EXPECT_EQ(walk.attachments.FullPath(), top + "/attach");
  EXPECT_EQ(walk.parts.FullPath(), top + "/Embedded");

  // Met further down a walk (here below a folder walked at depth 0), it keeps its place
  // below that folder, and its own folders are still not entered.
  Walk outer = WalkFolder(s, s / "src", 0);
  EXPECT_EQ(outer.queued.size(), 2u);
  EXPECT_EQ(outer.queued.at("src/Eudora/In.mbx").first, 2);
  EXPECT_EQ(outer.log.find("Saved"), std::string::npos) << outer.log;
  EXPECT_EQ(outer.attachments.FullPath(), top + "/attach");
}

TEST(Scan, RecognisesWindowsDataFoldersByTheirSettingsFiles) {
  ScratchFolder s;
  discovery::EudoraLayout layout;
  WriteFile(s / "ini/EUDORA.INI", "");
  WriteFile(s / "descmap/DESCMAP.PCE", "");
  WriteFile(s / "plain/In.mbx", kMailbox);
  WriteFile(s / "ini/Sub.FOL/descmap.pce", "");
  WriteFile(s / "ini/Sub.FOL/Deeper.fol/x.mbx", kMailbox);
  WriteFile(s / "ini/Other/x.mbx", kMailbox);
  WriteFile(s / "a-file", "");
  for (const char* yes : {"ini", "descmap"}) EXPECT_TRUE(layout.IsWindowsDataFolder(platform::FileSpecFromPath(s / yes)));
  for (const char* no : {"plain", "ini/Sub.FOL", "missing", "a-file"})
    EXPECT_FALSE(layout.IsWindowsDataFolder(platform::FileSpecFromPath(s / no))) << no;
  // A file's data folder is found through its .fol folders, and only through them.
  auto dataFolderOf = [&](const std::string& path) {
    std::optional<platform::FileSpec> found = layout.WindowsDataFolderOf(platform::FileSpecFromPath(s / path));
    return found ? found->FullPath() : std::string("none");
  };
  EXPECT_EQ(dataFolderOf("ini/Sub.FOL/Deeper.fol/x.mbx"), s / "ini");
  EXPECT_EQ(dataFolderOf("ini/EUDORA.INI"), s / "ini");
  EXPECT_EQ(dataFolderOf("ini/Other/x.mbx"), "none");
  EXPECT_EQ(dataFolderOf("plain/In.mbx"), "none");
}

TEST(Scan, AttachDirOfEudoraIniNamesTheAttachmentsFolder) {
  ScratchFolder s;
  struct Row {
    const char* what;
    std::string attachDir;
    std::string located;  // below the data folder
  };
  const Row rows[] = {
      {"Windows path: its last name in the data folder", "C:\\Users\\u\\AppData\\Eudora\\My Files\\", "/My Files"},
      {"relative path", "Saved\\Mail Files", "/Saved/Mail Files"},
      {"missing folder: attach", "D:\\Gone", "/attach"},
      {"unset: attach", "", "/attach"},
  };
  int n = 0;
  for (const Row& row : rows) {
    const std::string top = s / ("src" + std::to_string(n++));
    MakeWindowsDataFolder(top, "[Settings]\r\nAttachDir=" + row.attachDir + "\r\n");
    WriteFile(top + "/My Files/Saved", kMailbox);
    WriteFile(top + "/Saved/Mail Files/x.pdf", "%PDF");
    Walk walk = WalkFolder(s, top, -1);
    ASSERT_TRUE(walk.attachmentsFound) << row.what;
    EXPECT_EQ(walk.attachments.FullPath(), top + row.located) << row.what;
    // The folder AttachDir names is Eudora's own: not walked.
    if (row.located == "/My Files") {
      EXPECT_EQ(walk.queued.count("My Files/Saved"), 0u);
    }
  }
  // An absolute path of this machine stands as it is.
  const std::string top = s / "abs";
  MakeWindowsDataFolder(top, "[Settings]\r\nAttachDir=" + (s / "elsewhere") + "\r\n");
  WriteFile(s / "elsewhere/a.txt", "a");
  EXPECT_EQ(WalkFolder(s, top, -1).attachments.FullPath(), s / "elsewhere");
}

TEST(Scan, EachDataFolderKeepsItsOwnEudoraFolders) {
  ScratchFolder s;
  MakeWindowsDataFolder(s / "src/Windows");
  WriteFile(s / "src/Mac/Mail Folder/In", kMailbox);
  WriteFile(s / "src/Mac/Attachments Folder/a.txt", "a");
  WriteFile(s / "src/Loose/Note", kMailbox);
  platform::SilentUserInterface ui;
  Ferrolin app(ui, FerrolinFolders{s / "home", ""});
  std::vector<std::unique_ptr<QueuedFile>> items;
  app.mItems = &items;
  bool attachmentsFound = false, partsFound = false;
  platform::FileSpec attachments, parts;
  app.ScanFolderForConvertableFiles(platform::FileSpecFromPath(s / "src"), 0, attachmentsFound, partsFound,
                                    attachments, parts);
  std::map<std::string, std::string> attachmentsOf;
  for (const auto& item : items) {
    const std::string name = GetUnicodeFilename(item->file, item->depth);
    attachmentsOf[name] = item->eudoraFolders < 0 ? "none"
                                                  : app.mEudoraFolders[static_cast<size_t>(item->eudoraFolders)]
                                                        .attachmentsFolder.FullPath();
  }
  std::map<std::string, std::string> expected = {
      {"src/Loose/Note", "none"},
      {"src/Mac/Mail Folder/In", s / "src/Mac/Attachments Folder"},
      {"src/Windows/In.mbx", s / "src/Windows/attach"},
      {"src/Windows/Work.fol/Project.mbx", s / "src/Windows/attach"}};
  EXPECT_EQ(attachmentsOf, expected);
  ASSERT_EQ(app.mEudoraFolders.size(), 2u);
  EXPECT_FALSE(app.mEudoraFolders[0].partsFound);  // the Mac folder has no Parts Folder
  // The run's own results are those of the first data folder met.
  EXPECT_EQ(attachments.FullPath(), s / "src/Mac/Attachments Folder");
}

TEST(PlaceMailbox, TakesTheNamesEudoraShowed) {
  ScratchFolder s;
  const std::string top = s / "src/Eudora";
  MakeWindowsDataFolder(top);
  WriteFile(top + "/Other.mbx", kMailbox);
  WriteFile(top + "/Work.fol/Unlisted.mbx", kMailbox);
  discovery::EudoraLayout layout;
  struct Row {
    std::string mailbox;
    int32_t depth;
    std::string path;  // relative path and name
  };
  const Row rows[] = {
      {top + "/In.mbx", 0, "Inbox"},
      {top + "/In.mbx", -1, "Inbox"},
      {top + "/Other.mbx", 0, "Other"},                        // no entry: the file-name rules
      {top + "/Work.fol/Project.mbx", 1, "Work_Home/Project X"},  // "/" cannot stay in a name
      {top + "/Work.fol/Unlisted.mbx", 1, "Work_Home/Unlisted"},
      {top + "/Work.fol/Project.mbx", 2, "Eudora/Work_Home/Project X"},
  };
  for (const Row& row : rows) {
    const mailboxes::MailboxPlacement placement =
        mailboxes::PlaceMailbox(platform::FileSpecFromPath(row.mailbox), row.depth, &layout);
    EXPECT_EQ(placement.RelativePath() + placement.Name(), row.path) << row.mailbox << " " << row.depth;
  }
  // Without the layout, file names as before (and the folder holding a depth-0 mailbox).
  EXPECT_EQ(mailboxes::PlaceMailbox(platform::FileSpecFromPath(top + "/In.mbx"), 0).RelativePath(), "Eudora/");
}

TEST(GetUnicodeFilename, AddsEnclosingFolders) {
  platform::FileSpec file{"/HD/Mail Folder/Work", "In"};
  EXPECT_EQ(GetUnicodeFilename(file, -1), "In");
  EXPECT_EQ(GetUnicodeFilename(file, 0), "In");
  EXPECT_EQ(GetUnicodeFilename(file, 1), "Work/In");
  EXPECT_EQ(GetUnicodeFilename(file, 2), "Mail Folder/Work/In");
}

}  // namespace
