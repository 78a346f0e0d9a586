#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "app/thunderbird_profile_setup.h"
#include "app/thunderbird_profiles_ini.h"
#include "support/test_support.h"

namespace {

using Base = DefaultProfileLocation::Base;
using testing_support::PathExists;
using testing_support::ReadFile;
using testing_support::ScratchFolder;
using testing_support::WriteFile;

const std::string kUserPrefs = "user_pref(\"mail.server.server2.type\", \"imap\");\n";
const std::string kOldMail = "From - Mon Jan 01 00:00:00 2001\nSubject: kept\n\nold\n";

std::string Ini(const std::string& afterName) {
  return "[General]\nStartWithLastProfile=1\n\n[Profile0]\nName=default\n" + afterName;
}

TEST(FindDefaultProfile, ReadsThePathLineOfTheDefaultProfile) {
  struct Row {
    const char* what;
    std::string ini;
    Base base;
    std::vector<std::string> folders;
  };
  const Row rows[] = {
      {"Mac form", Ini("IsRelative=1\nPath=Profiles/q1w2.default\nDefault=1\n"), Base::kProfilesFolder, {"q1w2.default"}},
      {"nested below Profiles", Ini("IsRelative=1\nPath=Profiles/a/b\n"), Base::kProfilesFolder, {"a", "b"}},
      {"Linux form", Ini("IsRelative=1\nPath=q1w2.default"), Base::kThunderbirdFolder, {"q1w2.default"}},
      {"absolute", Ini("IsRelative=0\nPath=/home/u/mail/p\n"), Base::kRoot, {"home", "u", "mail", "p"}},
      {"first default wins", Ini("IsRelative=1\nPath=first\n\n[Profile1]\nName=default\nIsRelative=1\nPath=second\n"),
       Base::kThunderbirdFolder, {"first"}},
      {"empty and . names pass", Ini("IsRelative=1\nPath=Profiles/./a//b/\n"), Base::kProfilesFolder, {"a", "b"}},
      {"no default profile", "[Profile0]\nName=work\nIsRelative=1\nPath=Profiles/w\n", Base::kNone, {}},
      {"CR LF line ends", "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/x\r\n", Base::kNone, {}},
      {"lines missing after the name", Ini("IsRelative=1\n"), Base::kNone, {}},
      {"second line is no path", Ini("Path=x\nDefault=1\n"), Base::kNone, {}},
      {"up and out", Ini("IsRelative=1\nPath=Profiles/../../etc\n"), Base::kNone, {}},
      {"up and out, Linux form", Ini("IsRelative=1\nPath=a/../../x\n"), Base::kNone, {}},
      {"no folder at all", Ini("IsRelative=1\nPath=Profiles/\n"), Base::kNone, {}},
      {"NUL in the path", Ini("IsRelative=1\nPath=a") + std::string(1, '\0') + "b\n", Base::kNone, {}},
      {"empty file", "", Base::kNone, {}},
  };
  for (const Row& row : rows) {
    const DefaultProfileLocation location = FindDefaultProfile(row.ini);
    EXPECT_EQ(location.base, row.base) << row.what;
    EXPECT_EQ(location.folders, row.folders) << row.what;
  }
  EXPECT_TRUE(PathLiesWithin("/home/u/.thunderbird/x", "/home/u"));
  EXPECT_TRUE(PathLiesWithin("/home/u", "/home/u/"));
  EXPECT_FALSE(PathLiesWithin("/home/user2/x", "/home/u"));
  EXPECT_FALSE(PathLiesWithin("/etc", "/home/u"));
}

TEST(FindDefaultProfile, WithoutADefaultNameTakesTheProfileCurrentThunderbirdStartsWith) {
  // As Thunderbird 153 writes profiles.ini: an [Install…] section per installation first.
  const std::string install = "[Install4F96D1932A9F858E]\nDefault=Profiles/current.frl\nLocked=1\n\n";
  const std::string flagged = "[Profile1]\nName=default-release\nIsRelative=1\nPath=rel.flagged\nDefault=1\n\n";
  const std::string other = "[Profile0]\nName=work\nIsRelative=1\nPath=w.work\n\n";
  struct Row {
    const char* what;
    std::string ini;
    Base base;
    std::vector<std::string> folders;
  };
  const Row rows[] = {
      {"installation default", install + flagged + other, Base::kThunderbirdFolder, {"Profiles", "current.frl"}},
      {"installation default after the profiles", other + flagged + install, Base::kThunderbirdFolder,
       {"Profiles", "current.frl"}},
      {"first installation", install + "[InstallAB]\nDefault=second\n", Base::kThunderbirdFolder,
       {"Profiles", "current.frl"}},
      {"absolute installation default", "[InstallAB]\nDefault=/home/u/tb/p\n", Base::kRoot, {"home", "u", "tb", "p"}},
      {"Default=1 without installations", other + flagged, Base::kThunderbirdFolder, {"rel.flagged"}},
      {"empty installation default", "[InstallAB]\nDefault=\n" + flagged, Base::kThunderbirdFolder, {"rel.flagged"}},
      {"Default=1 before Path=", "[Profile3]\nDefault=1\nName=x\nPath=/srv/p\n", Base::kRoot, {"srv", "p"}},
      {"CR LF, blanks and comments", "; written by hand\r\n[ InstallAB ]\r\n  Default = a.b \r\n", Base::kThunderbirdFolder,
       {"a.b"}},
      {"Name=default wins", install + flagged + "[Profile2]\nName=default\nIsRelative=1\nPath=Profiles/named\n",
       Base::kProfilesFolder, {"named"}},
      {"no default at all", other, Base::kNone, {}},
      {"Default=0", "[Profile0]\nName=x\nPath=p\nDefault=0\n", Base::kNone, {}},
      {"Default= in another section", "[General]\nDefault=1\n[Profile0]\nName=x\nPath=p\n", Base::kNone, {}},
      {"installation default up and out", "[InstallAB]\nDefault=../elsewhere\n" + flagged, Base::kNone, {}},
      {"installation default with NUL", "[InstallAB]\nDefault=a" + std::string(1, '\0') + "b\n", Base::kNone, {}},
      {"Default=1 up and out", "[Profile0]\nPath=Profiles/../../x\nDefault=1\n", Base::kNone, {}},
  };
  for (const Row& row : rows) {
    const DefaultProfileLocation location = FindDefaultProfile(row.ini);
    EXPECT_EQ(location.base, row.base) << row.what;
    EXPECT_EQ(location.folders, row.folders) << row.what;
  }
}

struct Profiles {
  ScratchFolder scratch;
  std::string tb = scratch / "home/.thunderbird";

  ThunderbirdProfileSetUp Run(bool hasMailboxes = true) {
    return SetUpThunderbirdProfile(tb, scratch / "home", hasMailboxes);
  }
};

TEST(SetUpThunderbirdProfile, FreshFolderGetsEverything) {
  Profiles p;
  ThunderbirdProfileSetUp setUp = p.Run();
  EXPECT_TRUE(setUp.failures.empty());
  EXPECT_EQ(ReadFile(p.tb + "/profiles.ini"), NewProfilesIniText());
  const std::string profile = p.tb + "/Profiles/default.frl";
  EXPECT_EQ(ReadFile(profile + "/prefs.js"), NewProfilePrefsText());
  EXPECT_EQ(setUp.profileFolder.FullPath(), profile);
  EXPECT_EQ(setUp.targetFolder.FullPath(), profile + "/Mail/Local Folders/Import.sbd");
  EXPECT_EQ(setUp.importFolderName, "Import.sbd");
  EXPECT_TRUE(PathExists(profile + "/Mail/Local Folders/Import"));
  EXPECT_TRUE(PathExists(profile + "/Mail/Local Folders/Import.msf"));
  EXPECT_TRUE(setUp.profileCreated);
  EXPECT_TRUE(setUp.newProfileSet);

  // Without mailboxes: the profile only.
  Profiles bare;
  setUp = bare.Run(false);
  EXPECT_EQ(setUp.targetFolder.FullPath(), bare.tb + "/Profiles/default.frl");
  EXPECT_EQ(setUp.importFolderName, "Import");
  EXPECT_FALSE(PathExists(bare.tb + "/Profiles/default.frl/Mail"));
}

TEST(SetUpThunderbirdProfile, ExistingProfilesAreUsedAndLeftAsTheyAre) {
  // The Mac form, the Linux form (no "Profiles" folder: its profiles.ini must survive), an
  // absolute path inside the home folder.
  struct Row {
    const char* what;
    std::string pathLine;
    std::string profile;  // below the scratch folder
  };
  const Row rows[] = {
      {"Mac form", "IsRelative=1\nPath=Profiles/abc.default\n", "home/.thunderbird/Profiles/abc.default"},
      {"Linux form", "IsRelative=1\nPath=abc.default\n", "home/.thunderbird/abc.default"},
      {"absolute in home", "IsRelative=0\nPath=@/home/mail/abc\n", "home/mail/abc"},
  };
  for (const Row& row : rows) {
    Profiles p;
    std::string pathLine = row.pathLine;
    if (size_t at = pathLine.find('@'); at != std::string::npos) pathLine.replace(at, 1, p.scratch.Path());
    const std::string ini = Ini(pathLine + "Default=1\n");
    WriteFile(p.tb + "/profiles.ini", ini);
    const std::string profile = p.scratch / row.profile;
    WriteFile(profile + "/prefs.js", kUserPrefs);
    WriteFile(profile + "/Mail/Local Folders/Inbox", kOldMail);
    for (const char* expected : {"Import.sbd", "Import-1.sbd"}) {
      ThunderbirdProfileSetUp setUp = p.Run();
      EXPECT_TRUE(setUp.failures.empty()) << row.what;
      EXPECT_EQ(setUp.profileFolder.FullPath(), profile) << row.what;
      EXPECT_EQ(setUp.importFolderName, expected) << row.what;
      EXPECT_EQ(setUp.targetFolder.FullPath(), profile + "/Mail/Local Folders/" + expected) << row.what;
    }
    EXPECT_TRUE(PathExists(profile + "/Mail/Local Folders/Import-1"));
    EXPECT_TRUE(PathExists(profile + "/Mail/Local Folders/Import-1.msf"));
    EXPECT_EQ(ReadFile(p.tb + "/profiles.ini"), ini) << row.what;
    EXPECT_EQ(ReadFile(profile + "/prefs.js"), kUserPrefs) << row.what;
    EXPECT_EQ(ReadFile(profile + "/Mail/Local Folders/Inbox"), kOldMail) << row.what;
    EXPECT_FALSE(PathExists(p.tb + "/Profiles/default.frl")) << row.what;
  }
}

TEST(SetUpThunderbirdProfile, TheInstallationsDefaultProfileIsUsedAsItIs) {
  // A profiles.ini with nothing but an installation's default.
  Profiles p;
  const std::string ini = "[Install4F96D1932A9F858E]\nDefault=xyz.default-release\nLocked=1\n";
  WriteFile(p.tb + "/profiles.ini", ini);
  const std::string profile = p.tb + "/xyz.default-release";
  WriteFile(profile + "/prefs.js", kUserPrefs);
  const ThunderbirdProfileSetUp setUp = p.Run();
  EXPECT_TRUE(setUp.failures.empty());
  EXPECT_EQ(setUp.profileFolder.FullPath(), profile);
  EXPECT_EQ(setUp.targetFolder.FullPath(), profile + "/Mail/Local Folders/Import.sbd");
  EXPECT_FALSE(setUp.profileCreated);
  EXPECT_FALSE(setUp.newProfileSet);
  EXPECT_EQ(ReadFile(p.tb + "/profiles.ini"), ini);
  EXPECT_EQ(ReadFile(profile + "/prefs.js"), kUserPrefs);
  EXPECT_FALSE(PathExists(p.tb + "/Profiles"));
}

TEST(SetUpThunderbirdProfile, UnusableDefaultProfilesGiveANewProfileAndAnUntouchedList) {
  // No default profile, a path that leads out of the Thunderbird folder, an absolute path
  // outside the home and Thunderbird folders, and a profiles.ini that cannot be read.
  const std::string inis[] = {
      "[Profile0]\nName=work\nIsRelative=1\nPath=Profiles/w.work\n",
      Ini("IsRelative=1\nPath=Profiles/../../outside\n"),
      Ini("IsRelative=0\nPath=/tmp/ferrolin-elsewhere/profile\n"),
      "",
  };
  for (const std::string& ini : inis) {
    Profiles p;
    if (ini.empty())
      std::filesystem::create_directories(p.tb + "/profiles.ini");
    else
      WriteFile(p.tb + "/profiles.ini", ini);
    ThunderbirdProfileSetUp setUp = p.Run();
    EXPECT_TRUE(setUp.failures.empty()) << ini;
    EXPECT_EQ(setUp.profileFolder.FullPath(), p.tb + "/Profiles/default.frl") << ini;
    EXPECT_TRUE(setUp.profileCreated) << ini;
    EXPECT_FALSE(setUp.newProfileSet) << ini;
    EXPECT_EQ(ReadFile(p.tb + "/Profiles/default.frl/prefs.js"), NewProfilePrefsText()) << ini;
    if (!ini.empty()) {
      EXPECT_EQ(ReadFile(p.tb + "/profiles.ini"), ini);
    }
    EXPECT_FALSE(PathExists(p.scratch / "outside"));
    EXPECT_FALSE(PathExists("/tmp/ferrolin-elsewhere"));
  }
}

TEST(SetUpThunderbirdProfile, OldImportFileIsKeptAndFailuresStopTheSetUp) {
  Profiles p;
  WriteFile(p.tb + "/profiles.ini", NewProfilesIniText());
  const std::string local = p.tb + "/Profiles/default.frl/Mail/Local Folders";
  WriteFile(local + "/Import", kOldMail);
  ThunderbirdProfileSetUp setUp = p.Run();
  EXPECT_EQ(setUp.importFolderName, "Import.sbd");
  EXPECT_EQ(ReadFile(local + "/Import"), kOldMail);
  EXPECT_TRUE(PathExists(local + "/Import.msf"));
  EXPECT_TRUE(PathExists(local + "/Import.sbd"));
  // The profile folder existed (without prefs.js): none is written into it.
  EXPECT_FALSE(PathExists(p.tb + "/Profiles/default.frl/prefs.js"));

  // A file where the Thunderbird folder belongs.
  Profiles blocked;
  WriteFile(blocked.tb, "not a folder");
  setUp = blocked.Run();
  ASSERT_EQ(setUp.failures.size(), 1u);
  EXPECT_EQ(setUp.failures[0].error, ENOTDIR);
  EXPECT_EQ(ReadFile(blocked.tb), "not a folder");
}

}  // namespace
