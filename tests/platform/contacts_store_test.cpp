#include "platform/contacts_store.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "support/test_support.h"

namespace platform {
namespace {

using testing_support::ScratchFolder;

TEST(ContactsStore, SearchesIgnoreCaseOnSingleAndMultiValues) {
  auto book = ContactsStore::OpenInMemory();
  RecordId emile = book->CreatePerson();
  book->SetValue(emile, kABNicknameProperty, "\xC3\x89mile");  // Émile
  MultiValue emails;
  emails.Add("Emile@Example.com", kABHomeLabel);
  emails.Add("e@other.example", kABOtherLabel);
  book->SetMultiValue(emile, kABEmailProperty, emails);
  RecordId group = book->CreateGroup();
  book->SetValue(group, kABGroupNameProperty, "Friends");

  EXPECT_EQ(book->Search(RecordKind::kPerson, kABNicknameProperty, "\xC3\xA9MILE"), std::vector<RecordId>{emile});
  EXPECT_TRUE(book->Search(RecordKind::kPerson, kABNicknameProperty, "emile").empty());
  EXPECT_EQ(book->Search(RecordKind::kPerson, kABEmailProperty, "E@OTHER.EXAMPLE"), std::vector<RecordId>{emile});
  EXPECT_TRUE(book->Search(RecordKind::kGroup, kABNicknameProperty, "\xC3\x89mile").empty());
  EXPECT_EQ(book->Search(RecordKind::kGroup, kABGroupNameProperty, "FRIENDS"), std::vector<RecordId>{group});
  EXPECT_EQ(FoldCase("\xD0\x96\xCE\xA3\xC4\x80Z"), "\xD0\xB6\xCF\x83\xC4\x81z");  // ЖΣĀZ
}

TEST(ContactsStore, MultiValuesKeepLabelsIdentifiersAndPrimary) {
  auto book = ContactsStore::OpenInMemory();
  RecordId person = book->CreatePerson();
  MultiValue addresses;
  addresses.AddDictionary({{std::string(kABAddressCityKey), "Paris"}}, kABAddressHomeLabel);
  std::string work = addresses.AddDictionary({{std::string(kABAddressStreetKey), "1 Rd"}}, kABAddressWorkLabel);
  addresses.SetPrimaryIdentifier(work);
  book->SetMultiValue(person, kABAddressProperty, addresses);
  MultiValue back = book->CopyMultiValue(person, kABAddressProperty);
  ASSERT_EQ(back.Count(), 2u);
  EXPECT_EQ(back.PrimaryIdentifier(), work);
  EXPECT_EQ(back.At(0).label, kABAddressHomeLabel);
  EXPECT_EQ(back.At(0).dictionary, (ContactDictionary{{"City", "Paris"}}));
  EXPECT_EQ(back.At(1).identifier, work);
  EXPECT_NE(back.At(0).identifier, back.At(1).identifier);
  // Setting a property again replaces its values.
  MultiValue one;
  one.Add("x", kABOtherLabel);
  book->SetMultiValue(person, kABAddressProperty, one);
  EXPECT_EQ(book->CopyMultiValue(person, kABAddressProperty).Count(), 1u);
}

TEST(ContactsStore, GroupsHoldPeopleAndGroupsWithoutCycles) {
  auto book = ContactsStore::OpenInMemory();
  RecordId outer = book->CreateGroup(), inner = book->CreateGroup(), person = book->CreatePerson();
  EXPECT_TRUE(book->AddMember(inner, person));
  EXPECT_FALSE(book->AddMember(inner, person));  // once only
  EXPECT_TRUE(book->AddSubgroup(outer, inner));
  EXPECT_FALSE(book->AddSubgroup(inner, outer));
  EXPECT_FALSE(book->AddSubgroup(outer, outer));
  EXPECT_EQ(book->Members(outer), std::vector<RecordId>{inner});
  EXPECT_TRUE(book->SetDistributionIdentifier(inner, person, kABEmailProperty, "ID"));
  EXPECT_FALSE(book->SetDistributionIdentifier(outer, person, kABEmailProperty, "ID"));  // no member
  EXPECT_EQ(book->DistributionIdentifier(inner, person, kABEmailProperty), "ID");
}

TEST(ContactsStore, SavedChangesLastAndUnsavedOnesAreDropped) {
  ScratchFolder scratch;
  const std::string folder = scratch / "Library/Application Support/AddressBook";
  std::string error;
  {
    auto book = ContactsStore::Open(folder, error);
    ASSERT_TRUE(book) << error;
    book->SetValue(book->CreateGroup(), kABGroupNameProperty, "Saved");
    ASSERT_TRUE(book->Save()) << book->LastError();
    book->SetValue(book->CreateGroup(), kABGroupNameProperty, "Unsaved");
  }
  EXPECT_NE(testing_support::ReadFile(folder + "/AddressBook.vcf").find("FN:Saved\r\n"), std::string::npos);
  auto again = ContactsStore::Open(folder, error);
  ASSERT_TRUE(again) << error;
  EXPECT_EQ(again->Search(RecordKind::kGroup, kABGroupNameProperty, "Saved").size(), 1u);
  EXPECT_TRUE(again->Search(RecordKind::kGroup, kABGroupNameProperty, "Unsaved").empty());

  testing_support::WriteFile(scratch / "junk/AddressBook.sqlite3", std::string(4096, 'x'));
  EXPECT_FALSE(ContactsStore::Open(scratch / "junk", error));
  EXPECT_FALSE(error.empty());
}

// A person and a group as the vCard export writes them.
std::string ExportSample(std::string& personUid, std::string& groupUid) {
  auto book = ContactsStore::OpenInMemory();
  RecordId person = book->CreatePerson();
  book->SetValue(person, kABFirstNameProperty, "Anna");
  book->SetValue(person, kABLastNameProperty, "Berg; Jr");
  book->SetValue(person, kABNicknameProperty, "anna");
  book->SetValue(person, kABOrganizationProperty, "Caf\xC3\xA9, Inc.");
  book->SetValue(person, kABNoteProperty, "line one\rline two\\ " + std::string(80, 'n') + "\xC3\xA9\xC3\xA9");
  MultiValue addresses;
  addresses.AddDictionary({{"Street", "1 Main St\rApt 2"}, {"City", "Paris"}}, kABAddressHomeLabel);
  book->SetMultiValue(person, kABAddressProperty, addresses);
  MultiValue phones;
  phones.Add("1", kABPhoneMobileLabel);
  phones.SetPrimaryIdentifier(phones.Add("2", kABPhoneWorkFAXLabel));
  book->SetMultiValue(person, kABPhoneProperty, phones);
  MultiValue emails;
  emails.Add("anna@example.com", kABEmailHomeLabel);
  book->SetMultiValue(person, kABEmailProperty, emails);
  RecordId group = book->CreateGroup();
  book->SetValue(group, kABGroupNameProperty, "Friends");
  book->AddMember(group, person);
  personUid = book->Uid(person);
  groupUid = book->Uid(group);
  return book->ExportVCards();
}

TEST(ContactsStore, VCardExport) {
  std::string personUid, groupUid;
  const std::string vcf = ExportSample(personUid, groupUid);
  const std::string expected =
      "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg\\; Jr;Anna;;;\r\nFN:Anna Berg\\; Jr\r\nNICKNAME:anna\r\n"
      "ORG:Caf\xC3\xA9\\, Inc.\r\n"
      "NOTE:line one\\nline two\\\\ " + std::string(49, 'n') + "\r\n " + std::string(31, 'n') +
      "\xC3\xA9\xC3\xA9\r\n"
      "ADR;TYPE=HOME,PREF:;;1 Main St\\nApt 2;Paris;;;\r\n"
      "TEL;TYPE=CELL:1\r\nTEL;TYPE=WORK,FAX,PREF:2\r\nEMAIL;TYPE=INTERNET,HOME,PREF:anna@example.com\r\n"
      "UID:" + personUid + "\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Friends;;;;\r\nFN:Friends\r\nX-ADDRESSBOOKSERVER-KIND:group\r\n"
      "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:" + personUid + "\r\nUID:" + groupUid + "\r\nEND:VCARD\r\n";
  EXPECT_EQ(vcf, expected);
  for (size_t start = 0, end; (end = vcf.find("\r\n", start)) != std::string::npos; start = end + 2)
    EXPECT_LE(end - start, 75u);
}

// Reads the export back with a real vCard reader (Debian's python3-vobject) when there is one.
TEST(ContactsStore, VCardExportReadsBackWithVobject) {
  if (std::system("/usr/bin/python3 -c 'import vobject' >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "python3-vobject is not installed";
  ScratchFolder scratch;
  std::string personUid, groupUid;
  testing_support::WriteFile(scratch / "book.vcf", ExportSample(personUid, groupUid));
  testing_support::WriteFile(scratch / "read.py",
                             "import sys, vobject\n"
                             "cards = list(vobject.readComponents(open(sys.argv[1], encoding='utf-8').read()))\n"
                             "p, g = cards\n"
                             "out = [p.n.value.family, p.n.value.given, p.org.value[0], p.note.value,\n"
                             "       p.adr.value.street, p.adr.value.city, p.adr.type_paramlist,\n"
                             "       [(t.value, t.type_paramlist) for t in p.tel_list], p.email.value,\n"
                             "       g.fn.value, g.contents['x-addressbookserver-member'][0].value, p.uid.value]\n"
                             "open(sys.argv[2], 'w', encoding='utf-8').write(repr(out))\n");
  const std::string command = "/usr/bin/python3 " + (scratch / "read.py") + " " + (scratch / "book.vcf") + " " +
                              (scratch / "out.txt");
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(testing_support::ReadFile(scratch / "out.txt"),
            "['Berg; Jr', 'Anna', 'Caf\xC3\xA9, Inc.', 'line one\\nline two\\\\ " + std::string(80, 'n') +
                "\xC3\xA9\xC3\xA9', '1 Main St\\nApt 2', 'Paris', ['HOME', 'PREF'], [('1', ['CELL']), ('2', "
                "['WORK', 'FAX', 'PREF'])], 'anna@example.com', 'Friends', 'urn:uuid:" +
                personUid + "', '" + personUid + "']");
}

}  // namespace
}  // namespace platform
