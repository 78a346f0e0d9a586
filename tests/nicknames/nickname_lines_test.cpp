#include "nicknames/nickname_lines.h"

#include <gtest/gtest.h>

#include <chrono>

namespace nicknames {
namespace {

TEST(GetNickName, BareQuotedAndOtherLines) {
  struct Case {
    std::string line, nickname;
    bool quoted;
  } cases[] = {
      {"alias bob bob@example.com", "bob", false},
      {"note bob <name:Bob>", "bob", false},
      {"alias \"Bob Smith\" a@example.com", "Bob Smith", true},
      {"alias \"open quote", "open quote", true},
      {"alias lonely", "lonely", false},
      {"note x", "", false},  // 6 bytes: no note line
      {"aliases bob", "", false},
      {"ALIAS bob a@b", "", false},
  };
  for (const Case& c : cases) {
    bool quoted = false;
    EXPECT_EQ(GetNickName(c.line, quoted), c.nickname) << c.line;
    EXPECT_EQ(quoted, c.quoted) << c.line;
  }
  EXPECT_TRUE(FindNickNameLine("note bob <x:y>", "note", "bob"));
  EXPECT_FALSE(FindNickNameLine("note bob <x:y>", "alias", "bob"));
  EXPECT_FALSE(FindNickNameLine("note bobby <x:y>", "note", "bob"));
  EXPECT_TRUE(FindNickNameLine("alias \"bob\" a@b", "alias", "bob"));
}

NicknameEntry Note(const std::string& line, int* doNotSyncCalls = nullptr) {
  NicknameEntry entry;
  entry.nickname = GetNickName(line, entry.quoted);
  ReadNoteLine(line, entry, [doNotSyncCalls]() {
    if (doNotSyncCalls) ++*doNotSyncCalls;
  });
  return entry;
}

TEST(ReadNoteLine, FieldsAndFreeText) {
  NicknameEntry e = Note("note bob hello<name:Bob Smith><first:Bob> world");
  EXPECT_EQ(e.name, "Bob Smith");
  EXPECT_EQ(e.first, "Bob");
  EXPECT_EQ(e.notes, "hello world");
  EXPECT_TRUE(e.hasData);

  EXPECT_EQ(Note("note bob <name:x> <first:y>").notes, " ");
  // A line ending in '>' still yields an empty free-text run; a bare nickname yields nothing.
  EXPECT_TRUE(Note("note bob <unknown:x>").hasData);
  EXPECT_TRUE(Note("note bob ").hasData);
  EXPECT_FALSE(Note("note bob").hasData);
  // Repeated labels append; the quoted nickname's note starts after the closing quote.
  EXPECT_EQ(Note("note \"b b\" <phone:1><phone:2>").phone, "12");

  EXPECT_EQ(Note("note bob <otheremail:Joe <a@x.com>>").otheremail, "Joe <a@x.com>");
  EXPECT_EQ(Note("note bob <otheremail:Joe <a@x.com>><name:N>").otheremail, "Joe <a@x.com>");
  EXPECT_EQ(Note("note bob <otheremail:a@x.com\x03" "b@x.com>").otheremail, "a@x.com,b@x.com");
  EXPECT_EQ(Note("note bob <note:one\x03two>").notes, "one\rtwo");
  // A field without ':' or '>' ends the line; what came before stays.
  NicknameEntry broken = Note("note bob <name:A>free <first B> <last:C>");
  EXPECT_EQ(broken.name, "A");
  EXPECT_EQ(broken.notes, "");
  EXPECT_EQ(broken.last, "");
  EXPECT_EQ(Note("note bob <name:A><first:never").first, "");
}

TEST(ReadNoteLine, AddressSplitsAtItsLastLineBreak) {
  NicknameEntry two = Note("note bob <address:1 Main St\x03" "Apt 2\x03" "Town>");
  EXPECT_EQ(two.addressHead, "1 Main St\rApt 2");
  EXPECT_EQ(two.addressTail, "\rTown");
  NicknameEntry one = Note("note bob <address2:9 Work Rd>");
  EXPECT_EQ(one.address2Head, "");
  EXPECT_EQ(one.address2Tail, "9 Work Rd");
  NicknameEntry leading = Note("note bob <address:\x03" "x>");
  EXPECT_EQ(leading.addressHead, "");
  EXPECT_EQ(leading.addressTail, "\rx");
  // A second, shorter address after a long head must not read past its end.
  NicknameEntry twice = Note("note bob <address:long head\x03t><address:ab>");
  EXPECT_EQ(twice.addressHead, "long head");
  EXPECT_EQ(twice.addressTail, "");
}

TEST(ReadNoteLine, ChangeFieldDecidesDoNotSync) {
  struct Case {
    std::string value;
    bool doNotSync;
  } cases[] = {{"16", true}, {"0x10", true}, {"17", true}, {" +020", true},
               {"15", false}, {"abc", false}, {"", false}, {"0X0F", false}};
  for (const Case& c : cases) {
    int calls = 0;
    NicknameEntry e = Note("note bob <change:" + c.value + ">", &calls);
    EXPECT_EQ(e.doNotSync, c.doNotSync) << c.value;
    EXPECT_EQ(calls, c.doNotSync ? 1 : 0) << c.value;
  }
  EXPECT_FALSE(Note("note bob <change:16><change:0>").doNotSync);
  EXPECT_TRUE(Note("note bob <change:0><change:16>").doNotSync);
}

TEST(ReadNoteLine, EncodedWords) {
  // "=?ISO-2022-JP?B?GyRCJEgbKEI=?=" is HIRAGANA LETTER TO, 0x82 0xC6 in Mac Japanese.
  EXPECT_EQ(Note("note bob <name:=?ISO-2022-JP?B?GyRCJEgbKEI=?= san>").name, "\x82\xC6 san");
  EXPECT_EQ(Note("note bob <name:x =?iso-2022-jp?b?GyRCJEgbKEI=?=>").name, "x \x82\xC6");
  // Without "?=" the word runs to the end of the value.
  EXPECT_EQ(Note("note bob <name:=?ISO-2022-JP?B?GyRCJEgbKEI=>").name, "\x82\xC6");
  EXPECT_EQ(Note("note bob <name:ISO-2022-JP and -2022->").name, "ISO-2022-JP and -2022-");
  // Two words sharing the '=' of the first word's end.
  EXPECT_EQ(Note("note bob <name:=?ISO-2022-JP?B?GyRCJEgbKEI=?=?ISO-2022-JP?B?GyRCJEgbKEI=?=>").name,
            "\x82\xC6\x82\xC6");
}

TEST(ReadAliasLine, SingleAddressesAndLists) {
  struct Case {
    std::string line;
    bool isList;
    std::string addresses, displayName;
  } cases[] = {
      {"alias team a@x.com, b@x.com", true, "a@x.com, b@x.com", ""},
      {"alias bob a@x.com,", false, "a@x.com", ""},
      {"alias bob \"Smith, Bob\" <a@x.com>", false, "<a@x.com>", "\"Smith, Bob\""},
      {"alias bob a@x.com (Smith, Bob)", false, "a@x.com", "(Smith, Bob)"},
      {"alias team a@x.com (Smith, Bob), b@x.com", true, "a@x.com (Smith, Bob), b@x.com", ""},
      {"alias bob Bob Smith <a@x.com>", false, "<a@x.com>", "Bob Smith"},
      {"alias \"Bob Smith\" a@x.com", false, "a@x.com", ""},
      {"alias bob \"Smith, Bob <a@x.com>", false, "<a@x.com>", "\"Smith, Bob"},  // quote never closed
      {"alias bob", false, "", ""},
      {"alias bob Bob Smith", false, "Smith", "Bob"},
  };
  for (const Case& c : cases) {
    NicknameEntry e;
    e.nickname = GetNickName(c.line, e.quoted);
    ReadAliasLine(c.line, e);
    EXPECT_EQ(e.isList, c.isList) << c.line;
    EXPECT_EQ(e.addresses, c.addresses) << c.line;
    EXPECT_EQ(e.displayName, c.displayName) << c.line;
    EXPECT_EQ(e.hasAddress, !c.addresses.empty()) << c.line;
  }
}

TEST(NameHelpers, ParseNameAndStdTrim) {
  struct NameCase {
    std::string name, first, last;
  } names[] = {
      {"Doe, John", "John", "Doe"},          {"'John Doe'", "John", "Doe"},
      {"(Jane)", "Jane", "kept"},            {"Bob <a@x.com>", "a@x.com", "kept"},
      {"Anna Maria Schmidt", "Anna", "Maria Schmidt"}, {"\"Smith, Bob\"", "Bob", "Smith"},
      {"'", "'", "kept"},
  };
  for (const NameCase& c : names) {
    std::string first, last = "kept";
    ParseName(c.name, first, last);
    EXPECT_EQ(first, c.first) << c.name;
    EXPECT_EQ(last, c.last) << c.name;
  }
  const std::pair<std::string, std::string> trims[] = {
      {"  a b  ", "a b"}, {"<>", ""}, {"x<y", "y"}, {"Bob <A> ", "A"}, {"   ", ""}, {">x", ""}, {"a>", "a"}};
  for (const auto& [in, out] : trims) EXPECT_EQ(StdTrim(in), out) << in;
  EXPECT_EQ(ReplaceSubstring("a\x03" "b\x03", "\x03", "\r"), "a\rb\r");
  EXPECT_EQ(tolower("AbC\xC9"), "abc\xC9");
}

TEST(GetNextListMember, NamesBesideMembers) {
  std::string first, last;
  std::string rest = "\"Smith, Bob\" <a@x.com>, b@x.com";
  EXPECT_EQ(GetNextListMember(rest, ListVariant::kThunderbird, first, last), "a@x.com");
  EXPECT_EQ(first, "Bob");
  EXPECT_EQ(last, "Smith");
  EXPECT_EQ(rest, " b@x.com");
  EXPECT_EQ(GetNextListMember(rest, ListVariant::kThunderbird, first, last), "b@x.com");
  EXPECT_EQ(rest, "");

  rest = "(Smith, Bob) a@x.com, b@x.com";
  EXPECT_EQ(GetNextListMember(rest, ListVariant::kAddressBook, first, last), "(Smith, Bob) a@x.com");
  EXPECT_EQ(first, "Bob");

  // A quoted name without a comma inside counts for the Address Book only.
  for (ListVariant variant : {ListVariant::kAddressBook, ListVariant::kThunderbird}) {
    rest = "\"Gina Ray\" <g@x.com>, b";
    EXPECT_EQ(GetNextListMember(rest, variant, first, last), "g@x.com");
    EXPECT_EQ(first, variant == ListVariant::kAddressBook ? "Gina" : "");
  }
  rest = "Gina Ray <g@x.com>, b";
  EXPECT_EQ(GetNextListMember(rest, ListVariant::kThunderbird, first, last), "g@x.com");
  EXPECT_EQ(last, "Ray");
  rest = "g@x.com Gina, b";
  EXPECT_EQ(GetNextListMember(rest, ListVariant::kThunderbird, first, last), "g@x.com Gina");
  EXPECT_EQ(first, "Gina");

  // An opening quote that is never closed takes the rest with it.
  rest = "\"open, a@x.com, b@x.com";
  GetNextListMember(rest, ListVariant::kThunderbird, first, last);
  EXPECT_EQ(rest, "");
  for (std::string empty : {"", ",", ";", "  "}) {
    rest = empty;
    EXPECT_EQ(GetNextListMember(rest, ListVariant::kAddressBook, first, last), "") << empty;
  }
  rest = ",";  // the comma at index 0 is a member of its own, empty
  EXPECT_EQ(GetNextListMember(rest, ListVariant::kThunderbird, first, last), "");
  EXPECT_EQ(rest, "");
}

TEST(NicknameLines, HugeAndJunkLinesStayFast) {
  std::string huge = "note bob <note:" + std::string(10u << 20, 'x') + ">";
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Note(huge).notes.size(), 10u << 20);
  std::string brackets = "note bob ";
  for (int i = 0; i < 200000; ++i) brackets += "<a:<b";
  Note(brackets);
  std::string unbalanced = "note bob ";
  for (int i = 0; i < 200000; ++i) unbalanced += "<a:b>>";
  EXPECT_FALSE(Note(unbalanced).name.size());
  std::string words = "note bob <name:";
  for (int i = 0; i < 100000; ++i) words += "=?ISO-2022-JP?B?GyRC";
  Note(words + ">");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

}  // namespace
}  // namespace nicknames
