// A nickname file converted into a Thunderbird profile: the .mab for Thunderbird's importer
// and an SQLite book that current Thunderbird loads, both registered in prefs.js.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ferrolin.h"
#include "support/test_support.h"

namespace {

using testing_support::ReadFile;
using testing_support::ScratchFolder;
using testing_support::SQLiteRows;
using testing_support::WriteFile;
using Rows = std::vector<std::vector<std::string>>;

const char kUserPrefs[] = "user_pref(\"mail.root.none-rel\", \"[ProfD]Mail\");\n";
const char kNicknames[] =
    "alias anna anna@example.com\r"
    "note anna <name:Anna Berg>\r"
    "alias team anna, new@example.org\r";

std::string Registration(const std::string& key, const std::string& file, int dirType) {
  return "\nuser_pref(\"ldap_2.servers." + key + ".description\", \"Eudora Nicknames\");\n" +
         "user_pref(\"ldap_2.servers." + key + ".dirType\", " + std::to_string(dirType) + ");\n" +
         "user_pref(\"ldap_2.servers." + key + ".filename\", \"" + file + "\");\n";
}

struct Profile {
  ScratchFolder scratch;
  platform::SilentUserInterface ui;
  Ferrolin app{ui, FerrolinFolders{scratch / "home", ""}};
  platform::FileSpec folder = platform::FileSpecFromPath(scratch / "profile");

  Profile() {
    app.mTarget = kTargetThunderbird;
    WriteFile(scratch / "src/NNdbase.txt", kNicknames);
  }
  void Convert() { app.OpenNicknameFile(platform::FileSpecFromPath(scratch / "src/NNdbase.txt"), folder); }
  std::string Path(const std::string& name) { return scratch / ("profile/" + name); }
};

TEST(ThunderbirdAddressBooks, EachRunAddsAMabAndAnSQLiteBookAndKeepsWhatIsThere) {
  Profile p;
  WriteFile(p.Path("prefs.js"), kUserPrefs);
  p.Convert();
  p.Convert();
  EXPECT_EQ(p.app.WriteFailureCount(), 0);
  EXPECT_TRUE(testing_support::PathExists(p.Path("FRL-Import.mab")));
  EXPECT_TRUE(testing_support::PathExists(p.Path("FRL-Import-1.mab")));
  EXPECT_EQ(ReadFile(p.Path("prefs.js")), std::string(kUserPrefs) +
                                              Registration("Eudora Nicknames-FRL-Importmab", "FRL-Import.mab", 2) +
                                              Registration("EudoraNicknames", "abook-1.sqlite", 101) +
                                              Registration("Eudora Nicknames-FRL-Import-1mab", "FRL-Import-1.mab", 2) +
                                              Registration("EudoraNicknames_1", "abook-2.sqlite", 101));
  for (const char* book : {"abook-1.sqlite", "abook-2.sqlite"}) {
    const std::string path = p.Path(book);
    EXPECT_EQ(SQLiteRows(path, "SELECT value FROM properties WHERE name = 'PrimaryEmail' ORDER BY value"),
              (Rows{{"anna@example.com"}, {"new@example.org"}}))
        << book;
    EXPECT_EQ(SQLiteRows(path,
                         "SELECT l.name, p.value FROM lists l JOIN list_cards c ON c.list = l.uid"
                         " JOIN properties p ON p.card = c.card AND p.name = 'PrimaryEmail' ORDER BY c.oid"),
              (Rows{{"team", "anna@example.com"}, {"team", "new@example.org"}}))
        << book;
  }
}

TEST(ThunderbirdAddressBooks, ARegistrationThatCannotBeWrittenIsReported) {
  Profile p;
  testing_support::WriteFile(p.Path("prefs.js/x"), "");  // prefs.js is a folder
  p.Convert();
  // Both books are written; neither can be registered.
  EXPECT_TRUE(testing_support::PathExists(p.Path("FRL-Import.mab")));
  EXPECT_EQ(SQLiteRows(p.Path("abook-1.sqlite"), "SELECT count(*) FROM lists"), (Rows{{"1"}}));
  EXPECT_EQ(p.app.WriteFailureCount(), 2);
  EXPECT_NE(ReadFile(p.scratch / "home/Library/Logs/Ferrolin.log")
                .find("(the address book abook-1.sqlite is not registered)"),
            std::string::npos);
}

}  // namespace
