#include "nicknames/address_book_export.h"

#include <gtest/gtest.h>

namespace nicknames {
namespace {

using platform::ContactsStore;
using platform::RecordId;
using platform::RecordKind;

class AddressBookExport : public ::testing::Test {
 protected:
  std::unique_ptr<ContactsStore> book = ContactsStore::OpenInMemory();

  RecordId Person(const std::string& nickname) {
    std::vector<RecordId> found = book->Search(RecordKind::kPerson, platform::kABNicknameProperty, nickname);
    EXPECT_EQ(found.size(), 1u) << nickname;
    return found.empty() ? 0 : found[0];
  }
  RecordId Group(const std::string& name) {
    std::vector<RecordId> found = book->Search(RecordKind::kGroup, platform::kABGroupNameProperty, name);
    EXPECT_EQ(found.size(), 1u) << name;
    return found.empty() ? 0 : found[0];
  }
  std::string Value(RecordId record, std::string_view property) {
    return book->CopyValue(record, property).value_or("<unset>");
  }
  // "label=value" for each item, "*" before the primary one (the first when none was chosen).
  std::vector<std::string> Items(RecordId record, std::string_view property) {
    platform::MultiValue values = book->CopyMultiValue(record, property);
    std::vector<std::string> out;
    for (size_t i = 0; i < values.Count(); ++i) {
      const auto& item = values.At(i);
      std::string text = item.text;
      for (const auto& [key, value] : item.dictionary) text += key + ":" + value + ";";
      out.push_back((item.identifier == values.PrimaryIdentifier() ? "*" : "") + item.label + "=" + text);
    }
    return out;
  }
  // Members described by nickname, group name or first e-mail address.
  std::vector<std::string> Members(RecordId group) {
    std::vector<std::string> out;
    for (RecordId member : book->Members(group)) {
      if (book->Kind(member) == RecordKind::kGroup) {
        out.push_back("group " + Value(member, platform::kABGroupNameProperty));
      } else if (auto nickname = book->CopyValue(member, platform::kABNicknameProperty)) {
        out.push_back(*nickname);
      } else {
        out.push_back(book->CopyMultiValue(member, platform::kABEmailProperty).At(0).text);
      }
    }
    return out;
  }
};

using Texts = std::vector<std::string>;

TEST_F(AddressBookExport, PersonProperties) {
  NicknameEntry e;
  e.nickname = "bob";
  e.first = "Bob";
  e.company = "Caf\x8E";  // Mac Roman
  e.addresses = "Bob <bob@x.com>";
  e.otheremail = "o1@x, o2@x";
  e.web = "w1";
  e.web2 = "w2";
  e.otherweb = "w3\rw4";
  e.notes = "hi";
  e.city = "Paris";
  e.address2Tail = "9 Rd";
  e.primary = "home";
  e.phone = "1";
  e.fax2 = "2";
  e.otherphone = "3\r4";
  AddABPerson(*book, e, platform::kMacRoman, ABFileGroupName("NNdbase.txt"));
  RecordId bob = Person("bob");
  EXPECT_EQ(Value(bob, platform::kABFirstNameProperty), "Bob");
  EXPECT_EQ(Value(bob, platform::kABLastNameProperty), "<unset>");
  EXPECT_EQ(Value(bob, platform::kABOrganizationProperty), "Caf\xC3\xA9");
  EXPECT_EQ(Value(bob, platform::kABHomePageProperty), "w1");
  EXPECT_EQ(Value(bob, platform::kABNoteProperty), "Work homepage: w2\rOther homepages: w3\rw4\r\rhi");
  EXPECT_EQ(Items(bob, platform::kABAddressProperty),
            (Texts{"*_$!<Home>!$_=Street:;City:Paris;State:;ZIP:;Country:;",
                   "_$!<Work>!$_=Street:9 Rd;City:;State:;ZIP:;Country:;"}));
  EXPECT_EQ(Items(bob, platform::kABPhoneProperty),
            (Texts{"*_$!<Home>!$_=1", "_$!<WorkFAX>!$_=2", "_$!<Other>!$_=3", "_$!<Other>!$_=4"}));
  EXPECT_EQ(Items(bob, platform::kABEmailProperty),
            (Texts{"*_$!<Home>!$_=bob@x.com", "_$!<Other>!$_=o1@x", "_$!<Other>!$_=o2@x"}));
  EXPECT_EQ(Members(Group("Eudora Nicknames")), Texts{"bob"});
}

TEST_F(AddressBookExport, HomePageChoices) {
  struct Case {
    std::string web, web2, otherweb, homePage, note;
  } cases[] = {
      {"", "", "w3\rw4", "w3", "Other homepage: w4\r\r"},
      {"", "", "w3", "w3", "<unset>"},
      {"", "w2", "w3", "w2", "Other homepage: w3\r\r"},
      {"", "", "", "<unset>", "<unset>"},
  };
  int n = 0;
  for (const Case& c : cases) {
    NicknameEntry e;
    e.nickname = "p" + std::to_string(++n);
    e.web = c.web;
    e.web2 = c.web2;
    e.otherweb = c.otherweb;
    AddABPerson(*book, e, platform::kMacRoman, "Friends");
    RecordId person = Person(e.nickname);
    EXPECT_EQ(Value(person, platform::kABHomePageProperty), c.homePage) << e.nickname;
    EXPECT_EQ(Value(person, platform::kABNoteProperty), c.note) << e.nickname;
  }
  // "primary" other than "home" makes the work address primary; "," is no e-mail address.
  NicknameEntry e;
  e.nickname = "w";
  e.city = "A";
  e.city2 = "B";
  e.primary = "work";
  e.addresses = ",";
  e.otherphone = "1\r";
  AddABPerson(*book, e, platform::kMacRoman, "Friends");
  EXPECT_EQ(Items(Person("w"), platform::kABAddressProperty)[1], "*_$!<Work>!$_=Street:;City:B;State:;ZIP:;Country:;");
  EXPECT_EQ(Items(Person("w"), platform::kABEmailProperty), Texts{});
  EXPECT_EQ(Items(Person("w"), platform::kABPhoneProperty), Texts{"*_$!<Other>!$_=1"});
}

TEST_F(AddressBookExport, MailingListsFindPeopleAndGroups) {
  auto person = [&](const std::string& nickname, const std::string& address) {
    NicknameEntry e;
    e.nickname = nickname;
    e.addresses = address;
    e.otheremail = "second@" + nickname;
    AddABPerson(*book, e, platform::kMacRoman, "Eudora Nicknames");
  };
  auto list = [&](const std::string& nickname, const std::string& members) {
    NicknameEntry e;
    e.nickname = nickname;
    e.addresses = members;
    e.isList = true;
    AddABMailingList(*book, e, platform::kMacRoman, "Eudora Nicknames");
  };
  person("bob", "bob@x.com");
  person("carol", "carol@x.com");
  list("devs", "dan@x.com");
  list("team", "bob, SECOND@CAROL, devs, \"Doe, Frank\" <frank@x.com>, later, team");
  list("later", "carol@x.com");
  EXPECT_EQ(Members(Group("team")), (Texts{"bob", "carol", "group devs", "frank@x.com", "later"}));
  EXPECT_EQ(Members(Group("Eudora Nicknames")), (Texts{"bob", "carol", "group devs", "group team", "group later"}));
  // carol was found by her second address, which the group then uses.
  RecordId carol = Person("carol");
  platform::MultiValue emails = book->CopyMultiValue(carol, platform::kABEmailProperty);
  EXPECT_EQ(book->DistributionIdentifier(Group("team"), carol, platform::kABEmailProperty), emails.At(1).identifier);
  // A new member gets the name beside it.
  RecordId frank = book->Search(RecordKind::kPerson, platform::kABEmailProperty, "frank@x.com").at(0);
  EXPECT_EQ(Value(frank, platform::kABFirstNameProperty), "Frank");
  EXPECT_EQ(Value(frank, platform::kABLastNameProperty), "Doe");

  // Groups are found by name (so a second file reuses them); a list naming itself or forming
  // a cycle with another list is never nested in itself.
  list("a", "b, a");
  list("b", "a");
  list("a", "b");  // again, as from a second file: b holds a already
  EXPECT_EQ(Members(Group("a")), Texts{"b"});  // the person made for "b" at first
  EXPECT_EQ(Members(Group("b")), Texts{"group a"});
  EXPECT_EQ(book->Search(RecordKind::kGroup, platform::kABGroupNameProperty, "Eudora Nicknames").size(), 1u);
}

TEST_F(AddressBookExport, TextsInvalidInTheSourceEncodingAreLeftOut) {
  EXPECT_EQ(ABText("Caf\xE9", platform::kWindowsLatin1), "Caf\xC3\xA9");
  EXPECT_EQ(ABText(std::string("a\0b", 3), platform::kMacRoman), "a");
  EXPECT_EQ(ABText("\x81", platform::kMacJapanese), std::nullopt);
  NicknameEntry e;
  e.nickname = "jp";
  e.company = "\x81";
  AddABPerson(*book, e, platform::kMacJapanese, "J");
  EXPECT_EQ(Value(Person("jp"), platform::kABOrganizationProperty), "<unset>");
}

}  // namespace
}  // namespace nicknames
