#include "nicknames/thunderbird_sqlite_book.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "nicknames/mork_writer.h"
#include "support/test_support.h"

namespace nicknames {
namespace {

using testing_support::ReadFile;
using testing_support::ScratchFolder;
using testing_support::SQLiteRows;
using Rows = std::vector<std::vector<std::string>>;

NicknameEntry Entry(const std::string& nickname, const std::string& addresses, bool isList = false) {
  NicknameEntry e;
  e.nickname = nickname;
  e.addresses = addresses;
  e.isList = isList;
  return e;
}

// Writes the book into folder and returns its file name ("" when it failed).
std::string Write(const TBBookContents& contents, const std::string& folder) {
  std::string error;
  auto book = platform::SQLiteAddressBookWriter::Create(platform::FileSpecFromPath(folder), error);
  EXPECT_TRUE(book) << error;
  if (!book) return "";
  WriteTBSQLiteBook(contents, *book);
  std::optional<std::string> name = book->Finish(TBSQLiteBookFileName);
  EXPECT_TRUE(name) << book->Error();
  return name.value_or("");
}

TEST(ThunderbirdSQLiteBook, ThunderbirdsSchemaWithTheCardsAndListsOfTheMab) {
  ScratchFolder scratch;
  TBAddressBook mab;
  NicknameEntry bob = Entry("bob", "Bob@Example.com");
  bob.first = "Bob";
  bob.last = "Smith";
  bob.company = "Caf\x8E";  // Mac Roman e acute
  bob.phone = "555-1";
  bob.web = "http://bob.example/";
  bob.notes = "one\rtwo";
  mab.AddTBABCard(bob, platform::kMacRoman);
  // bob twice (one row in list_cards), a new card with names, and an earlier list, which
  // is no member.
  mab.AddTBABList(Entry("team", "bob, Jane Doe <jane@example.org>, bob", true), platform::kMacRoman);
  mab.AddTBABList(Entry("all", "team, jane@example.org", true), platform::kMacRoman);

  ASSERT_EQ(Write(mab.Contents(), scratch.Path()), "abook-1.sqlite");
  const std::string path = scratch / "abook-1.sqlite";
  EXPECT_EQ(SQLiteRows(path, "PRAGMA user_version"), (Rows{{"4"}}));
  EXPECT_EQ(SQLiteRows(path, "SELECT sql FROM sqlite_master WHERE sql NOT NULL ORDER BY rowid"),
            (Rows{{"CREATE TABLE properties (card TEXT, name TEXT, value TEXT)"},
                  {"CREATE TABLE lists (uid TEXT PRIMARY KEY, name TEXT, nickName TEXT, description TEXT)"},
                  {"CREATE TABLE list_cards (list TEXT, card TEXT, PRIMARY KEY(list, card))"},
                  {"CREATE INDEX properties_card ON properties(card)"},
                  {"CREATE INDEX properties_name ON properties(name)"}}));

  // Cards by their UID; each UID a lower-case version 4 UUID.
  std::map<std::string, std::map<std::string, std::string>> cards;
  for (const auto& row : SQLiteRows(path, "SELECT card, name, value FROM properties")) cards[row[0]][row[1]] = row[2];
  ASSERT_EQ(cards.size(), 2u);
  const std::regex uuid("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
  std::map<std::string, std::string> uidByEmail;
  for (const auto& [uid, properties] : cards) {
    EXPECT_TRUE(std::regex_match(uid, uuid)) << uid;
    uidByEmail[properties.at("PrimaryEmail")] = uid;
  }
  EXPECT_EQ(cards[uidByEmail["Bob@Example.com"]],
            (std::map<std::string, std::string>{{"DisplayName", "Bob Smith"},
                                                {"NickName", "bob"},
                                                {"FirstName", "Bob"},
                                                {"LastName", "Smith"},
                                                {"PrimaryEmail", "Bob@Example.com"},
                                                {"HomePhone", "555-1"},
                                                {"Company", "Caf\xC3\xA9"},
                                                {"WebPage2", "http://bob.example/"},
                                                {"Notes", "one\ntwo"}}));
  EXPECT_EQ(cards[uidByEmail["jane@example.org"]],
            (std::map<std::string, std::string>{{"PrimaryEmail", "jane@example.org"},
                                                {"FirstName", "Jane"},
                                                {"LastName", "Doe"},
                                                {"DisplayName", "Jane Doe"}}));

  const Rows lists = SQLiteRows(path, "SELECT uid, name, nickName, description FROM lists ORDER BY name");
  ASSERT_EQ(lists.size(), 2u);
  EXPECT_EQ(lists[0][1], "all");
  EXPECT_EQ(lists[1], (std::vector<std::string>{lists[1][0], "team", "", ""}));
  EXPECT_TRUE(std::regex_match(lists[1][0], uuid));
  // Members in the list's order, as Thunderbird reads them.
  EXPECT_EQ(SQLiteRows(path, "SELECT card FROM list_cards WHERE list = '" + lists[1][0] + "' ORDER BY oid"),
            (Rows{{uidByEmail["Bob@Example.com"]}, {uidByEmail["jane@example.org"]}}));
  EXPECT_EQ(SQLiteRows(path, "SELECT card FROM list_cards WHERE list = '" + lists[0][0] + "'"),
            (Rows{{uidByEmail["jane@example.org"]}}));
}

TEST(ThunderbirdSQLiteBook, TakesTheFirstFreeNameAndLeavesNothingElse) {
  ScratchFolder scratch;
  testing_support::WriteFile(scratch / "abook-1.sqlite", "keep");
  // A journal left beside a missing book would be taken for the new book's own.
  testing_support::WriteFile(scratch / "abook-2.sqlite-journal", "stale");
  TBBookContents empty;
  EXPECT_EQ(Write(empty, scratch.Path()), "abook-3.sqlite");
  EXPECT_EQ(ReadFile(scratch / "abook-1.sqlite"), "keep");
  EXPECT_EQ(SQLiteRows(scratch / "abook-3.sqlite", "SELECT count(*) FROM properties"), (Rows{{"0"}}));

  // A book that cannot be placed is reported and its temporary file removed.
  std::string error;
  auto book = platform::SQLiteAddressBookWriter::Create(platform::FileSpecFromPath(scratch.Path()), error);
  ASSERT_TRUE(book) << error;
  EXPECT_EQ(book->Finish([](int) { return std::string("missing/abook.sqlite"); }), std::nullopt);
  EXPECT_NE(book->Error().find("missing/abook.sqlite"), std::string::npos) << book->Error();
  std::vector<std::string> names;
  ASSERT_EQ(platform::ListFolder(platform::FileSpecFromPath(scratch.Path()), names), 0);
  EXPECT_EQ(names, (std::vector<std::string>{"abook-1.sqlite", "abook-2.sqlite-journal", "abook-3.sqlite"}));

  EXPECT_EQ(platform::SQLiteAddressBookWriter::Create(platform::FileSpecFromPath(scratch / "none"), error), nullptr);
  EXPECT_NE(error.find("none"), std::string::npos);
}

TEST(ThunderbirdSQLiteBook, KeysAsThunderbirdMakesThemUniqueInTheProfile) {
  const std::set<std::string> taken = TBDirectoryKeysInPrefs(
      "user_pref(\"ldap_2.servers.EudoraNicknames.filename\", \"abook-1.sqlite\");\n"
      "user_pref(\"ldap_2.servers.EudoraNicknames_1.dirType\", 101);\n"
      "user_pref(\"ldap_2.servers.Eudora Nicknames-FRL-Importmab.dirType\", 2);\n"
      "user_pref(\"ldap_2.servers.Friends\", ");
  const struct {
    std::string name, key;
  } cases[] = {
      {"Eudora Nicknames", "EudoraNicknames_2"},
      {"My_Book 2.txt", "My_Book2txt"},
      {"Caf\xC3\xA9 Freunde", "CafFreunde"},
      {"\xC3\xA9\xC3\xA9", "_nonascii"},
      {"history", "history_1"},  // Thunderbird's own books and defaults
      {"pab", "pab_1"},
      {"default", "default_1"},
      {"Friends", "Friends_1"},
  };
  for (const auto& c : cases) EXPECT_EQ(TBDirectoryKey(c.name, taken), c.key) << c.name;

  EXPECT_EQ(TBSQLiteBookFileName(12), "abook-12.sqlite");
  EXPECT_EQ(TBSQLitePreferenceLines("My_Book", "My \"Book\"", "abook-2.sqlite"),
            "\nuser_pref(\"ldap_2.servers.My_Book.description\", \"My \\\"Book\\\"\");\n"
            "user_pref(\"ldap_2.servers.My_Book.dirType\", 101);\n"
            "user_pref(\"ldap_2.servers.My_Book.filename\", \"abook-2.sqlite\");\n");
}

}  // namespace
}  // namespace nicknames
