#include "nicknames/address_book_export.h"

#include <cstring>

#include "nicknames/nickname_lines.h"

namespace nicknames {

namespace {

using platform::ContactsStore;
using platform::MultiValue;
using platform::RecordId;
using platform::RecordKind;

constexpr size_t npos = std::string::npos;

platform::RecordId FileGroup(ContactsStore& book, std::string_view name) {
  std::vector<RecordId> found = book.Search(RecordKind::kGroup, platform::kABGroupNameProperty, name);
  if (!found.empty()) return found.front();
  RecordId group = book.CreateGroup();
  book.SetValue(group, platform::kABGroupNameProperty, name);
  return group;
}

}  // namespace

std::string ABFileGroupName(std::string_view nicknameFileName) {
  if (nicknameFileName == "NNdbase.txt") return "Eudora Nicknames";
  return std::string(nicknameFileName);
}

std::optional<std::string> ABText(std::string_view bytes, platform::TextEncoding encoding) {
  // Texts are read up to a zero byte, as C strings are.
  bytes = bytes.substr(0, std::strlen(std::string(bytes).c_str()));
  std::u32string unicode;
  if (!platform::DecodeText(bytes, encoding, unicode)) return std::nullopt;
  std::string out;
  for (char32_t c : unicode) platform::AppendUTF8(c, out);
  return out;
}

void AddABPerson(ContactsStore& book, const NicknameEntry& entry, platform::TextEncoding encoding,
                 std::string_view fileGroupName) {
  const RecordId group = FileGroup(book, fileGroupName);
  const RecordId person = book.CreatePerson();
  auto set = [&](std::string_view property, const std::string& value, bool always = false) {
    if (value.empty() && !always) return;
    if (std::optional<std::string> text = ABText(value, encoding)) book.SetValue(person, property, *text);
  };
  set(platform::kABNicknameProperty, entry.nickname, true);
  set(platform::kABFirstNameProperty, entry.first);
  set(platform::kABLastNameProperty, entry.last);
  set(platform::kABOrganizationProperty, entry.company);
  set(platform::kABJobTitleProperty, entry.title);

  // One home page has a property; the others are written in front of the notes.
  std::string homePage, prefix;
  auto otherPages = [&]() {
    if (entry.otherweb.empty()) return;
    prefix += entry.otherweb.find('\r') != npos ? "Other homepages: " : "Other homepage: ";
    prefix += entry.otherweb + "\r";
  };
  if (!entry.web.empty()) {
    homePage = entry.web;
    if (!entry.web2.empty()) prefix += "Work homepage: " + entry.web2 + "\r";
    otherPages();
  } else if (!entry.web2.empty()) {
    homePage = entry.web2;
    otherPages();
  } else if (!entry.otherweb.empty()) {
    size_t cr = entry.otherweb.find('\r');
    if (cr != npos && cr > 0) {
      homePage = entry.otherweb.substr(0, cr);
      const std::string rest = entry.otherweb.substr(cr + 1);
      prefix += (rest.find('\r') != npos ? "Other homepages: " : "Other homepage: ") + rest + "\r";
    } else {
      homePage = entry.otherweb;
    }
  }
  set(platform::kABHomePageProperty, homePage);
  std::string notes = entry.notes;
  if (!prefix.empty()) notes = prefix + "\r" + notes;
  set(platform::kABNoteProperty, notes);

  // Postal addresses: every key is written, empty or not.
  MultiValue addresses;
  std::string homeId, workId;
  auto address = [&](const std::string& street, const std::string& city, const std::string& state,
                     const std::string& zip, const std::string& country, std::string_view label) {
    if (street.empty() && city.empty() && state.empty() && zip.empty() && country.empty()) return std::string();
    platform::ContactDictionary dictionary;
    const std::pair<std::string_view, const std::string*> keys[] = {
        {platform::kABAddressStreetKey, &street}, {platform::kABAddressCityKey, &city},
        {platform::kABAddressStateKey, &state},   {platform::kABAddressZIPKey, &zip},
        {platform::kABAddressCountryKey, &country}};
    for (const auto& [key, value] : keys)
      if (std::optional<std::string> text = ABText(*value, encoding)) dictionary.emplace_back(key, *text);
    return addresses.AddDictionary(std::move(dictionary), label);
  };
  homeId = address(entry.addressHead + entry.addressTail, entry.city, entry.state, entry.zip, entry.country,
                   platform::kABAddressHomeLabel);
  workId = address(entry.address2Head + entry.address2Tail, entry.city2, entry.state2, entry.zip2, entry.country2,
                   platform::kABAddressWorkLabel);
  if (!entry.primary.empty()) {
    const std::string& chosen = entry.primary == "home" ? homeId : workId;
    if (!chosen.empty()) addresses.SetPrimaryIdentifier(chosen);
  }
  if (addresses.Count() > 0) book.SetMultiValue(person, platform::kABAddressProperty, addresses);

  MultiValue phones;
  auto phone = [&](std::string_view value, std::string_view label) {
    if (value.empty()) return;
    if (std::optional<std::string> text = ABText(value, encoding)) phones.Add(*text, label);
  };
  phone(entry.phone, platform::kABPhoneHomeLabel);
  phone(entry.phone2, platform::kABPhoneWorkLabel);
  phone(entry.mobile, platform::kABPhoneMobileLabel);
  phone(entry.mobile2, platform::kABPhoneMobileLabel);
  phone(entry.fax, platform::kABPhoneHomeFAXLabel);
  phone(entry.fax2, platform::kABPhoneWorkFAXLabel);
  std::string_view others = entry.otherphone;
  for (size_t cr = others.find('\r'); cr != npos && cr > 0; cr = others.find('\r')) {
    phone(others.substr(0, cr), platform::kABOtherLabel);
    others.remove_prefix(cr + 1);
  }
  phone(others, platform::kABOtherLabel);
  if (phones.Count() > 0) book.SetMultiValue(person, platform::kABPhoneProperty, phones);

  MultiValue emails;
  auto email = [&](std::string_view value, std::string_view label) {
    if (std::optional<std::string> text = ABText(StdTrim(value), encoding)) emails.Add(*text, label);
  };
  if (!entry.addresses.empty() && entry.addresses != ",") email(entry.addresses, platform::kABEmailHomeLabel);
  if (!entry.otheremail.empty() && entry.otheremail != ",") {
    std::string_view rest = entry.otheremail;
    for (size_t comma = rest.find(','); comma != npos && comma > 0; comma = rest.find(',')) {
      email(rest.substr(0, comma), platform::kABOtherLabel);
      rest.remove_prefix(comma + 1);
    }
    if (!rest.empty() && rest != ",") email(rest, platform::kABOtherLabel);
  }
  if (emails.Count() > 0) book.SetMultiValue(person, platform::kABEmailProperty, emails);

  book.AddMember(group, person);
}

void AddABMailingList(ContactsStore& book, const NicknameEntry& entry, platform::TextEncoding encoding,
                      std::string_view fileGroupName, const std::function<void()>& memberTaken) {
  const std::string listName = ABText(entry.nickname, encoding).value_or("");
  RecordId list;
  std::vector<RecordId> found = book.Search(RecordKind::kGroup, platform::kABGroupNameProperty, listName);
  if (!found.empty()) {
    list = found.front();
  } else {
    list = book.CreateGroup();
    book.SetValue(list, platform::kABGroupNameProperty, listName);
  }

  auto place = [&](const std::string& member, const std::string& first, const std::string& last) {
    if (member.empty() || member == ";") return;
    std::optional<std::string> text = ABText(member, encoding);
    if (!text) return;
    if (member.find('@') == npos) {
      // A nickname or the name of a list converted before: nested as it is.
      std::vector<RecordId> records = book.Search(RecordKind::kGroup, platform::kABNicknameProperty, *text);
      if (!records.empty()) {
        book.AddMember(list, records.front());
        return;
      }
      records = book.Search(RecordKind::kGroup, platform::kABGroupNameProperty, *text);
      if (!records.empty()) {
        book.AddSubgroup(list, records.front());
        return;
      }
    }
    AddMailingListMemberToGroup(book, list, *text, ABText(first, encoding).value_or(""),
                                ABText(last, encoding).value_or(""));
  };
  std::string remaining = entry.addresses;
  std::string first, last;
  while (remaining.find(',') != npos) {
    std::string member = GetNextListMember(remaining, ListVariant::kAddressBook, first, last);
    place(member, first, last);
    if (memberTaken) memberTaken();
  }
  std::string member = GetNextListMember(remaining, ListVariant::kAddressBook, first, last);
  place(member, first, last);

  book.AddSubgroup(FileGroup(book, fileGroupName), list);
}

void AddMailingListMemberToGroup(ContactsStore& book, RecordId group, std::string_view member,
                                 std::string_view first, std::string_view last) {
  std::vector<RecordId> people = book.Search(RecordKind::kPerson, platform::kABEmailProperty, member);
  if (!people.empty()) {
    // The group uses the address the member was found by.
    const RecordId person = people.front();
    book.AddMember(group, person);
    const MultiValue emails = book.CopyMultiValue(person, platform::kABEmailProperty);
    const std::string folded = platform::FoldCase(member);
    for (size_t i = 0; i < emails.Count(); ++i) {
      if (platform::FoldCase(emails.At(i).text) != folded) continue;
      book.SetDistributionIdentifier(group, person, platform::kABEmailProperty, emails.At(i).identifier);
      break;
    }
    return;
  }
  people = book.Search(RecordKind::kPerson, platform::kABNicknameProperty, member);
  if (!people.empty()) {
    book.AddMember(group, people.front());
    return;
  }
  const RecordId person = book.CreatePerson();
  MultiValue emails;
  emails.Add(std::string(member), platform::kABEmailHomeLabel);
  book.SetMultiValue(person, platform::kABEmailProperty, emails);
  if (!first.empty()) book.SetValue(person, platform::kABFirstNameProperty, first);
  if (!last.empty()) book.SetValue(person, platform::kABLastNameProperty, last);
  book.AddMember(group, person);
}

}  // namespace nicknames
