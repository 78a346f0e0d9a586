#include "nicknames/mork_writer.h"

#include <gtest/gtest.h>

#include "nicknames/nickname_lines.h"

namespace nicknames {
namespace {

const std::string kTables = "<(80=0)>\n{1:^80 {(k^BE:c)(s=9)} \n  [1:^82(^BD=0)]}\n\n@$${1{@\n";
const std::string kEnd = "}\n@$$}1}@\n";

std::string Book(const std::string& dictionary, const std::string& rows, const std::string& lastKey,
                 const std::string& columns = "") {
  std::string out = std::string(sMABHeader) + kTables;
  if (!columns.empty()) out += "< <(a=c)> // (f=iso-8859-1)\n  " + columns + ">\n";
  return out + "\n<" + dictionary + ">\n{-1:^80 {(k^BE:c)(s=9)} \n  [1:^82(^BD=" + lastKey + ")]" + rows + kEnd;
}

NicknameEntry Single(const std::string& nickname, const std::string& addresses) {
  NicknameEntry e;
  e.nickname = nickname;
  e.addresses = addresses;
  e.first = nickname;
  return e;
}

NicknameEntry List(const std::string& nickname, const std::string& members) {
  NicknameEntry e;
  e.nickname = nickname;
  e.addresses = members;
  e.isList = true;
  return e;
}

TEST(MorkWriter, HeadAndEmptyBook) {
  EXPECT_EQ(sMABHeader.size(), 1344u);
  TBAddressBook book;
  EXPECT_EQ(book.WriteTBAddressBook(), Book("(81=0)", "", "0"));
}

TEST(MorkWriter, Escaping) {
  EXPECT_EQ(CleanupABEntry("a)b$c\\d\r\xC3\xA9"), "a\\)b\\$c\\\\d$0D$0A$C3$A9");
  TBAddressBook book;
  NicknameEntry e = Single("bob", "");
  e.company = "a)b$c\\d\r\x8E";  // Mac Roman e acute
  book.AddTBABCard(e, platform::kMacRoman);
  EXPECT_NE(book.WriteTBAddressBook().find("(84=a\\)b\\$c\\\\d$0D$0A$C3$A9)"), std::string::npos);
}

TEST(MorkWriter, CardsInOrderWithTheirAtoms) {
  TBAddressBook book;
  NicknameEntry bob = Single("bob", "Bob@X.com");
  bob.last = "Smith";
  bob.addressTail = "1 Main St";
  bob.otheremail = "o1@x,o2@x,o3@x";
  bob.otherphone = "1\r2";
  bob.notes = "hi";
  book.AddTBABCard(bob, platform::kMacRoman);
  NicknameEntry ann = Single("ann", ",");
  ann.otheremail = "solo@x";
  book.AddTBABCard(ann, platform::kMacRoman);
  EXPECT_EQ(book.WriteTBAddressBook(),
            Book("(90=2)(81=bob Smith)(82=bob)(83=bob)(84=Smith)(85=bob@x.com)(86=Bob@X.com)(87=1 Main St)(88=o1@x)"
                 "(89=Additional Email addresses: $0D$0Ao2@x$0D$0Ao3@x$0D$0A$0D$0AAdditional phones: $0D$0A1$0D$0A2"
                 "$0D$0A$0D$0Ahi)(8A=1)\n  (8B=ann)(8C=ann)(8D=ann)(8E=solo@x)(8F=$0D$0A$0D$0A)",
                 "\n  [-1(^87^81)(^88^82)(^83^83)(^84^84)(^8A^85)(^89^86)(^9A^87)(^8B^88)(^B9^89)(^BB=1)]"
                 "\n  [-2(^87^8B)(^88^8C)(^83^8D)(^8B^8E)(^B9^8F)(^BB=2)]",
                 "2"));
}

TEST(MorkWriter, ListsFindCardsAndMakeNewOnes) {
  std::string logged;
  TBAddressBook book([&logged](const std::string& text) { logged += text; });
  book.AddTBABCard(Single("bob", "bob@x.com"), platform::kMacRoman);
  book.AddTBABList(List("devs", "d@x.com"), platform::kMacRoman);
  book.AddTBABList(List("team", "BOB, devs, \"Doe, Frank\" <f@x.com>, later, ;"), platform::kMacRoman);
  book.AddTBABList(List("later", "bob@X.COM"), platform::kMacRoman);
  const std::string out = book.WriteTBAddressBook();
  // bob by his nickname atom (the search lowers "BOB"), devs is an earlier list, Frank and
  // "later" (a list not converted yet) become cards; the last ";" is a member of its own.
  EXPECT_NE(out.find("\n  [-1:^81(^BF=devs)(^C3=devs)(^C5=2)(^C2=1)(^BB=3)]"), std::string::npos) << out;
  EXPECT_NE(out.find("\n  [-2:^81(^BF=team)(^C3=team)(^C5=1)(^C6=4)(^C7=5)(^C8=6)(^C2=4)(^BB=7)]"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("\n  [-4(^89^8E)(^BB=4)(^83^8F)(^BB=4)(^84^90)(^BB=4)(^87^91)(^BB=4)]"), std::string::npos)
      << out;
  EXPECT_NE(out.find("(8E=f@x.com)(8F=Frank)(90=Doe)(91=Frank Doe)"), std::string::npos) << out;
  EXPECT_NE(out.find("\n  [-3:^81(^BF=later)(^C3=later)(^C5=1)(^C2=1)(^BB=8)]"), std::string::npos) << out;
  EXPECT_NE(out.find("(C5=Address1)(C6=Address2)(C7=Address3)(C8=Address4)>\n"), std::string::npos);
  EXPECT_EQ(logged, "Member \"devs\" of group \"team\" is a group itself - ignoring\n");

  // The contents (what the SQLite book gets) hold the same cards and the same members.
  const TBBookContents& contents = book.Contents();
  std::vector<std::string> cards;
  for (const TBBookCard& card : contents.cards) {
    std::string text;
    for (const auto& [name, value] : card.properties) text += std::string(name) + "=" + value + ";";
    cards.push_back(text);
  }
  EXPECT_EQ(cards, (std::vector<std::string>{
                       "DisplayName=bob;NickName=bob;FirstName=bob;PrimaryEmail=bob@x.com;",
                       "PrimaryEmail=d@x.com;",
                       "PrimaryEmail=f@x.com;FirstName=Frank;LastName=Doe;DisplayName=Frank Doe;",
                       "PrimaryEmail=later;",
                       "PrimaryEmail=;;",
                   }));
  ASSERT_EQ(contents.lists.size(), 3u);
  EXPECT_EQ(contents.lists[0].name, "devs");
  EXPECT_EQ(contents.lists[0].members, (std::vector<size_t>{1}));
  EXPECT_EQ(contents.lists[1].members, (std::vector<size_t>{0, 2, 3, 4}));
  EXPECT_EQ(contents.lists[2].members, (std::vector<size_t>{0}));
}

TEST(MorkWriter, MembersMatchTheFirstPlaceTheirTextStands) {
  // The lookup is a text search of the dictionary: "=bob)" first stands at the end of a
  // note "x=bob" (no card uses an atom "84=x"), "=1)" at an atom holding a record key.
  std::string logged;
  TBAddressBook book([&logged](const std::string& text) { logged += text; });
  NicknameEntry a = Single("a", "");
  a.notes = "x=bob";
  book.AddTBABCard(a, platform::kMacRoman);
  book.AddTBABCard(Single("bob", ""), platform::kMacRoman);
  book.AddTBABList(List("team", "bob, 1, x=bob"), platform::kMacRoman);
  EXPECT_NE(book.WriteTBAddressBook().find("[-1:^81(^BF=team)(^C3=team)(^C5=1)(^C2=1)(^BB=3)]"), std::string::npos);
  EXPECT_EQ(logged,
            "Member \"bob\" of group \"team\" is a group itself - ignoring\n"
            "Member \"1\" of group \"team\" is a group itself - ignoring\n");
}

TEST(MorkWriter, ListNamesAreEscapedAndStillFound) {
  std::string logged;
  TBAddressBook book([&logged](const std::string& text) { logged += text; });
  book.AddTBABList(List("A)b\x8E", "x@y"), platform::kMacRoman);
  book.AddTBABList(List("team", "a)b\x8E, A)B\x8E"), platform::kMacRoman);
  const std::string out = book.WriteTBAddressBook();
  EXPECT_NE(out.find("(^BF=A\\)b$C3$A9)(^C3=a\\)b$c3$a9)"), std::string::npos) << out;
  EXPECT_NE(out.find("(84=A\\)b$C3$A9)(85=a\\)b$c3$a9)"), std::string::npos) << out;
  // Both spellings of the list's name find it (and are ignored as a group), as a plain
  // name would.
  EXPECT_EQ(logged,
            "Member \"a\\)b$C3$A9\" of group \"team\" is a group itself - ignoring\n"
            "Member \"A\\)B$C3$A9\" of group \"team\" is a group itself - ignoring\n");
  // Nothing unescaped in the dictionary: every ')' inside a value has its backslash.
  EXPECT_EQ(out.find("b\x8E"), std::string::npos);
}

TEST(MorkWriter, LookupHelpers) {
  const std::string dictionary = "(81=bob)(82=x)\n  (83=1)";
  EXPECT_EQ(GetCurrentEntrysFieldLabel(dictionary, dictionary.find("=x)") + 1), "82");
  EXPECT_EQ(GetCurrentEntrysRecordKey(dictionary, "\n  [-1(^88^81)(^BB=1)]\n  [-2(^88^82)(^BB=2)]", 12), "2");
  EXPECT_EQ(GetCurrentEntrysRecordKey(dictionary, "\n  [-1(^88^81)(^BB=1)]", 12), std::nullopt);
  EXPECT_EQ(GetCurrentEntrysFieldLabel("", 0), "");
}

TEST(MorkWriter, BookNamesAndPreferenceLines) {
  EXPECT_EQ(TBBookName("NNdbase.txt"), "Eudora Nicknames");
  EXPECT_EQ(TBBookName("NNdbase.nnt"), "Eudora Nicknames");
  EXPECT_EQ(TBBookName("Friends"), "Friends");
  EXPECT_EQ(TBPreferenceLines("Eudora Nicknames", "FRL-Import.mab"),
            "\nuser_pref(\"ldap_2.servers.Eudora Nicknames-FRL-Importmab.description\", \"Eudora Nicknames\");\n"
            "user_pref(\"ldap_2.servers.Eudora Nicknames-FRL-Importmab.dirType\", 2);\n"
            "user_pref(\"ldap_2.servers.Eudora Nicknames-FRL-Importmab.filename\", \"FRL-Import.mab\");\n");
  EXPECT_EQ(TBPreferenceLines("My \"v.2\"\\", "FRL-Import-1.mab"),
            "\nuser_pref(\"ldap_2.servers.My \\\"v2\\\"\\\\-FRL-Import-1mab.description\", \"My \\\"v.2\\\"\\\\\");\n"
            "user_pref(\"ldap_2.servers.My \\\"v2\\\"\\\\-FRL-Import-1mab.dirType\", 2);\n"
            "user_pref(\"ldap_2.servers.My \\\"v2\\\"\\\\-FRL-Import-1mab.filename\", \"FRL-Import-1.mab\");\n");
}

}  // namespace
}  // namespace nicknames
