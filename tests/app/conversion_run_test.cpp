#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ferrolin.h"
#include "platform/system.h"
#include "support/test_support.h"

namespace {

using testing_support::ReadFile;
using testing_support::ScratchFolder;
using testing_support::WriteFile;

const char kMailbox[] = "From ???@??? Tue Jan 01 12:34:56 2002\rSubject: x\r\rBody\r";

// Records the status line at every turn of the event loop, and can press cancel.
class RecordingUI : public platform::UserInterface {
 public:
  void RunOptionsWindow(const std::string&, platform::OptionsWindowState& state) override {
    optionsShown = true;
    state = options;
    platform::ApplyOptionsRules(state);
  }
  void RunSummaryWindow(const std::string& summary, const platform::SummaryLayout& layout) override {
    summaryShown = summary;
    summaryLayout = layout;
  }
  void RunStartUpWindow(const std::string&, const std::string&) override {}
  void Turn() override {
    ++turns;
    if (statuses.empty() || statuses.back() != progress_.status.text) statuses.push_back(progress_.status.text);
    if (cancelWhenStatus == progress_.status.text) progress_.cancel.Broadcast(platform::kMessageCancel);
  }

  platform::OptionsWindowState options;
  bool optionsShown = false;
  std::string summaryShown;
  platform::SummaryLayout summaryLayout;
  std::vector<std::string> statuses;
  std::string cancelWhenStatus;
  int turns = 0;
};

struct Launch {
  ScratchFolder scratch;
  RecordingUI ui;
  Ferrolin app{ui, FerrolinFolders{scratch / "home", ""}};

  void Set(platform::OSType property, platform::Descriptor value) {
    app.PostEvent(platform::kEventSetData, platform::MakeSetDataEvent(property, std::move(value)));
  }
  void Open(const std::vector<std::string>& paths) {
    std::vector<platform::FileSpec> items;
    for (const std::string& p : paths) items.push_back(platform::FileSpecFromPath(p));
    app.PostEvent(platform::kEventOpenDocuments, platform::MakeOpenDocumentsEvent(items));
  }
  std::string Log() { return ReadFile(scratch / "home/Library/Logs/Ferrolin.log"); }
};

// An old-style Mac table of contents ("<mailbox>.toc") for messages of the given labels.
std::string MacTocFile(const std::string& message, const std::vector<int>& labels) {
  std::string toc(278, '\0');
  uint32_t offset = 0;
  for (int label : labels) {
    std::string entry(220, '\0');
    for (int i = 0; i < 4; ++i) {
      entry[i] = static_cast<char>(offset >> (24 - 8 * i));
      entry[4 + i] = static_cast<char>(message.size() >> (24 - 8 * i));
    }
    entry[12] = 9;  // read
    const uint32_t flags = static_cast<uint32_t>(label & 0xF) << 14;
    for (int i = 0; i < 4; ++i) entry[50 + i] = static_cast<char>(flags >> (24 - 8 * i));
    entry[62] = 120;
    toc += entry;
    offset += static_cast<uint32_t>(message.size());
  }
  toc[263] = static_cast<char>(labels.size());
  return toc;
}

TEST(ConversionRun, ThunderbirdGetsEachLabelsTagOncePerProfile) {
  // Two runs into one profile, three labelled mailboxes: each tag is defined once, and only
  // for labels that occur; the first run made the profile set and says where it is.
  ScratchFolder scratch;
  const std::string profile = scratch / "home/Library/Thunderbird/Profiles/default.frl";
  const std::string message(kMailbox);
  WriteFile(scratch / "src/In", message + message + message);
  WriteFile(scratch / "src/In.toc", MacTocFile(message, {2, 0, 7}));
  WriteFile(scratch / "src/Out", message + message);
  WriteFile(scratch / "src/Out.toc", MacTocFile(message, {7, 2}));
  WriteFile(scratch / "src2/Sent", message);
  WriteFile(scratch / "src2/Sent.toc", MacTocFile(message, {9}));
  std::string prefsAfterFirstRun;
  for (const char* folder : {"src", "src2"}) {
    RecordingUI ui;
    Ferrolin app{ui, FerrolinFolders{scratch / "home", ""}};
    app.PostEvent(platform::kEventSetData,
                  platform::MakeSetDataEvent(kPropShowDialogs, platform::MakeBoolean(false)));
    app.PostEvent(platform::kEventSetData,
                  platform::MakeSetDataEvent(kPropTarget, platform::MakeOSType(platform::kTypeEnumerated, kEnumThunderbird)));
    app.PostEvent(platform::kEventOpenDocuments, platform::MakeOpenDocumentsEvent({platform::FileSpecFromPath(scratch / folder)}));
    app.Run();
    EXPECT_EQ(app.WriteFailureCount(), 0);
    if (prefsAfterFirstRun.empty()) {
      EXPECT_EQ(app.mNewProfileSetProfile, profile);
      prefsAfterFirstRun = ReadFile(profile + "/prefs.js");
    } else {
      EXPECT_EQ(app.mNewProfileSetProfile, "");
    }
  }
  const std::string prefs = ReadFile(profile + "/prefs.js");
  EXPECT_EQ(prefs.substr(0, prefsAfterFirstRun.size()), prefsAfterFirstRun);
  std::vector<std::string> tagLines;
  for (size_t at = prefs.find("mailnews.tags."); at != std::string::npos; at = prefs.find("mailnews.tags.", at + 1))
    tagLines.push_back(prefs.substr(at, prefs.find('"', at) - at));
  EXPECT_EQ(tagLines, (std::vector<std::string>{"mailnews.tags.eudoralabel2.tag", "mailnews.tags.eudoralabel2.color",
                                                "mailnews.tags.eudoralabel7.tag", "mailnews.tags.eudoralabel7.color",
                                                "mailnews.tags.eudoralabel9.tag", "mailnews.tags.eudoralabel9.color"}));
  const std::string log = ReadFile(scratch / "home/Library/Logs/Ferrolin.log");
  EXPECT_NE(log.find("\n* New Thunderbird profile\n" + profile + "\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\n* Thunderbird profile\n" + profile + "\n"), std::string::npos) << log;
}

TEST(ConversionRun, ScriptedSettingsAndEnumerators) {
  Launch l;
  l.Set(kPropShowDialogs, platform::MakeBoolean(false));
  l.Set(kPropSourceFlavour, platform::MakeOSType(platform::kTypeEnumerated, kEnumEudoraJapanese));
  l.Set(kPropTarget, platform::MakeOSType(platform::FourCC("long"), 2));  // not an enumerator
  l.Set(kPropConvertFilters, platform::MakeBoolean(false));
  l.Set(platform::FourCC("Fqzz"), platform::MakeBoolean(false));  // unknown property
  // A property of something other than the application changes nothing.
  platform::AppleEvent other = platform::MakeSetDataEvent(kPropConvertMailboxes, platform::MakeBoolean(false));
  platform::Descriptor specifier = platform::MakeApplicationPropertySpecifier(kPropConvertMailboxes);
  specifier.PutField(platform::kKeyContainer, platform::MakeOSType(platform::kTypeObjectSpecifier, 1));
  other.Put(platform::kKeyDirectObject, specifier);
  l.app.PostEvent(platform::kEventSetData, other);
  l.app.Run();
  EXPECT_FALSE(l.app.mShowDialogs);
  EXPECT_EQ(l.app.mSourceFlavour, kFlavourEudoraJapanese);
  EXPECT_EQ(l.app.mTarget, kTargetAppleMail);
  EXPECT_FALSE(l.app.mConvertFilters);
  EXPECT_TRUE(l.app.mConvertMailboxes);
  EXPECT_TRUE(l.app.mConvertNicknames);
}

TEST(ConversionRun, PicksTheNextFreeImportFolderAndRunsOnce) {
  Launch l;
  WriteFile(l.scratch / "home/Library/Mail/Mailboxes/Import/keep", "keep");
  WriteFile(l.scratch / "home/Library/Mail/Mailboxes/Import-1", "a file takes the name too");
  WriteFile(l.scratch / "src/a/In", kMailbox);
  WriteFile(l.scratch / "src/b/Out", kMailbox);
  WriteFile(l.scratch / "src/c/Sent", kMailbox);
  l.Set(kPropShowDialogs, platform::MakeBoolean(false));
  l.Open({l.scratch / "src/a/In", l.scratch / "src/b/Out", l.scratch / "src/c/Sent"});
  l.Open({l.scratch / "src/a/In"});  // a second request is ignored
  l.app.Run();
  EXPECT_EQ(l.app.mImportFolderName, "Import-2");
  EXPECT_TRUE(testing_support::PathExists(l.scratch / "home/Library/Mail/Mailboxes/Import-2"));
  EXPECT_EQ(ReadFile(l.scratch / "home/Library/Mail/Mailboxes/Import/keep"), "keep");
  std::string log = l.Log();
  EXPECT_EQ(log.find("*** Ferrolin starting"), log.rfind("*** Ferrolin starting"));
  std::vector<std::string> importing;
  for (const std::string& s : l.ui.statuses)
    if (s.rfind("Importing", 0) == 0) importing.push_back(s);
  EXPECT_EQ(importing, (std::vector<std::string>{"Importing file 1 of 3\xE2\x80\xA6", "Importing file 2 of 3\xE2\x80\xA6",
                                                 "Importing file 3 of 3\xE2\x80\xA6"}));
  EXPECT_TRUE(l.app.IsQuitting());
}

TEST(ConversionRun, CancelStopsBeforeTheNextFileAndStillEndsTheLog) {
  Launch l;
  WriteFile(l.scratch / "src/a/In", kMailbox);
  WriteFile(l.scratch / "src/b/Out", kMailbox);
  l.ui.cancelWhenStatus = "Importing file 1 of 2\xE2\x80\xA6";
  l.Set(kPropShowDialogs, platform::MakeBoolean(false));
  l.Open({l.scratch / "src/a/In", l.scratch / "src/b/Out"});
  l.app.Run();
  EXPECT_TRUE(l.app.mCancelled);
  std::string log = l.Log();
  size_t cancel = log.find("\n*** Conversion cancelled by user\n");
  ASSERT_NE(cancel, std::string::npos);
  EXPECT_LT(cancel, log.find("\n*** Ferrolin exiting - "));
  for (const std::string& s : l.ui.statuses) EXPECT_NE(s, "Importing file 2 of 2\xE2\x80\xA6");
}

TEST(ConversionRun, NothingSelectedQuitsWithoutALog) {
  Launch l;
  WriteFile(l.scratch / "src/In", kMailbox);
  for (platform::OSType p : {kPropConvertMailboxes, kPropConvertFilters, kPropConvertNicknames})
    l.Set(p, platform::MakeBoolean(false));
  l.Set(kPropShowDialogs, platform::MakeBoolean(false));
  l.Open({l.scratch / "src/In"});
  l.app.Run();
  EXPECT_FALSE(testing_support::PathExists(l.scratch / "home/Library/Logs"));
  EXPECT_TRUE(l.app.IsQuitting());
}

TEST(ConversionRun, DialogsResetTheChoicesAndSizeTheSummary) {
  Launch l;
  WriteFile(l.scratch / "src/In", kMailbox);
  // Scripted settings are replaced by what the options window returns.
  l.Set(kPropConvertMailboxes, platform::MakeBoolean(false));
  l.ui.options.source = 3;  // Mozilla: Apple Mail only, no filters or nicknames
  l.ui.options.target = 2;
  l.Open({l.scratch / "src/In"});
  platform::SetSystemVersion(0x1040);
  l.app.Run();
  EXPECT_TRUE(l.ui.optionsShown);
  EXPECT_TRUE(l.app.mConvertMailboxes);
  EXPECT_FALSE(l.app.mConvertFilters);
  EXPECT_FALSE(l.app.mConvertNicknames);
  EXPECT_EQ(l.app.mSourceFlavour, kFlavourMozilla);
  EXPECT_EQ(l.app.mTarget, kTargetAppleMail);
  EXPECT_EQ(l.ui.summaryShown, "1 mailbox:\r  1 message\r  1 missing/malformed date");
  EXPECT_TRUE(l.ui.summaryLayout.note_visible);
  EXPECT_EQ(l.ui.summaryLayout.height, 202);
}

}  // namespace

namespace {

// Two Windows data folders, src/first and src/second, whose attachments have the same name
// and different contents.
void MakeTwoWindowsDataFolders(Launch& l) {
  for (const char* who : {"first", "second"}) {
    const std::string top = l.scratch / (std::string("src/") + who);
    WriteFile(top + "/In.mbx",
              "From ???@??? Tue Jan 01 12:34:56 2002\r\nSubject: " + std::string(who) +
                  "\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"=b=\"\r\n\r\n"
                  "See attached.\r\nAttachment Converted: \"C:\\Eudora\\attach\\notes.txt\"\r\n");
    WriteFile(top + "/descmap.pce", std::string("Inbox ") + who + ",In.mbx,S,Y\r\n");
    WriteFile(top + "/attach/notes.txt", who);
    WriteFile(top + "/Embedded/none", "");
  }
  l.Set(kPropShowDialogs, platform::MakeBoolean(false));
}

void ExpectEachInboxWithItsOwnAttachment(Launch& l) {
  EXPECT_EQ(l.app.WriteFailureCount(), 0);
  const std::string import = l.scratch / "home/Library/Mail/Mailboxes/Import/";
  EXPECT_NE(ReadFile(import + "Inbox first.mbox/Messages/1.emlx").find("Zmlyc3Q="), std::string::npos);  // "first"
  EXPECT_NE(ReadFile(import + "Inbox second.mbox/Messages/1.emlx").find("c2Vjb25k"), std::string::npos);  // "second"
  const std::string log = l.Log();
  for (const char* who : {"first", "second"}) {
    const std::string top = l.scratch / (std::string("src/") + who);
    EXPECT_NE(log.find("\n* Located 'Attachments Folder'\n" + top + "/attach\n* Located 'Parts Folder'\n" + top +
                       "/Embedded"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find(std::string("* Mailbox \"Inbox ") + who + "\""), std::string::npos);
  }
}

TEST(ConversionRun, EachDataFolderGivesItsMailboxesItsOwnAttachments) {
  Launch l;
  MakeTwoWindowsDataFolders(l);
  l.Open({l.scratch / "src/first", l.scratch / "src/second"});
  l.app.Run();
  ExpectEachInboxWithItsOwnAttachment(l);
}

TEST(ConversionRun, FolderHoldingWindowsDataFoldersPutsTheirMailboxesAtTheTop) {
  // As with a folder that holds a Mac "Mail Folder": the data folders' mailboxes get depth 0.
  Launch l;
  MakeTwoWindowsDataFolders(l);
  WriteFile(l.scratch / "src/first/EudPriv/Saved", kMailbox);
  l.Open({l.scratch / "src"});
  l.app.Run();
  ExpectEachInboxWithItsOwnAttachment(l);
  EXPECT_EQ(l.Log().find("Saved"), std::string::npos);
}

}  // namespace
