#include "nicknames/mork_writer.h"

#include <cstdio>

#include "nicknames/nickname_lines.h"
#include "text/recode.h"

namespace nicknames {

const std::string_view sMABHeader =
    "// <!-- <mdb:mork:z v=\"1.4\"/> -->\n"
    "< <(a=c)> // (f=iso-8859-1)\n"
    "  (B8=Custom4)(B9=Notes)(BA=LastModifiedDate)(BB=RecordKey)\n"
    "  (BC=AddrCharSet)(BD=LastRecordKey)(BE=ns:addrbk:db:table:kind:pab)\n"
    "  (BF=ListName)(C0=ListNickName)(C1=ListDescription)\n"
    "  (C2=ListTotalAddresses)(C3=LowercaseListName)\n"
    "  (C4=ns:addrbk:db:table:kind:deleted)\n"
    "  (80=ns:addrbk:db:row:scope:card:all)\n"
    "  (81=ns:addrbk:db:row:scope:list:all)\n"
    "  (82=ns:addrbk:db:row:scope:data:all)(83=FirstName)(84=LastName)\n"
    "  (85=PhoneticFirstName)(86=PhoneticLastName)(87=DisplayName)\n"
    "  (88=NickName)(89=PrimaryEmail)(8A=LowercasePrimaryEmail)\n"
    "  (8B=SecondEmail)(8C=DefaultEmail)(8D=CardType)(8E=PreferMailFormat)\n"
    "  (8F=WorkPhone)(90=HomePhone)(91=FaxNumber)(92=PagerNumber)\n"
    "  (93=CellularNumber)(94=WorkPhoneType)(95=HomePhoneType)\n"
    "  (96=FaxNumberType)(97=PagerNumberType)(98=CellularNumberType)\n"
    "  (99=HomeAddress)(9A=HomeAddress2)(9B=HomeCity)(9C=HomeState)\n"
    "  (9D=HomeZipCode)(9E=HomeCountry)(9F=WorkAddress)(A0=WorkAddress2)\n"
    "  (A1=WorkCity)(A2=WorkState)(A3=WorkZipCode)(A4=WorkCountry)\n"
    "  (A5=JobTitle)(A6=Department)(A7=Company)(A8=_AimScreenName)\n"
    "  (A9=AnniversaryYear)(AA=AnniversaryMonth)(AB=AnniversaryDay)\n"
    "  (AC=SpouseName)(AD=FamilyName)(AE=DefaultAddress)(AF=Category)\n"
    "  (B0=WebPage1)(B1=WebPage2)(B2=BirthYear)(B3=BirthMonth)(B4=BirthDay)\n"
    "  (B5=Custom1)(B6=Custom2)(B7=Custom3)>\n"
    "\n";

namespace {

std::string Hex(uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(value));
  return buffer;
}

std::string WithoutDots(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != '.') out += c;
  return out;
}

}  // namespace

std::string CleanupABEntry(std::string_view value) {
  // The escapes in one pass: none of them produces a byte that a later one would change.
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '$') {
      out += "\\$";
    } else if (c == '\r') {
      out += "$0D$0A";
    } else if (c == ')') {
      out += "\\)";
    } else if (byte >= 0x80) {
      char buffer[4];
      std::snprintf(buffer, sizeof buffer, "$%02X", static_cast<unsigned>(byte));
      out += buffer;
    } else {
      out += c;
    }
  }
  return out;
}

std::string GetCurrentEntrysFieldLabel(std::string_view dictionary, size_t position) {
  if (position == 0) return {};
  size_t open = dictionary.rfind('(', position);
  if (open == std::string_view::npos || position < open + 2) return {};
  return std::string(dictionary.substr(open + 1, position - open - 2));
}

std::optional<std::string> GetCurrentEntrysRecordKey(std::string_view dictionary, std::string_view cards,
                                                     size_t position) {
  const std::string id = GetCurrentEntrysFieldLabel(dictionary, position);
  size_t cell = cards.find("^" + id + ")");
  if (cell == std::string_view::npos) return std::nullopt;
  // Every cell of a card row is followed by the row's "(^BB=KEY)" before the next row.
  size_t key = cards.find("^BB=", cell);
  if (key == std::string_view::npos) return std::nullopt;
  key += 4;
  size_t end = cards.find(')', key);
  if (end == std::string_view::npos) return std::nullopt;
  return std::string(cards.substr(key, end - key));
}

std::string TBBookName(std::string_view nicknameFileName) {
  if (nicknameFileName == "NNdbase.txt" || nicknameFileName == "NNdbase.nnt") return "Eudora Nicknames";
  return std::string(nicknameFileName);
}

std::string TBPreferenceKey(std::string_view bookName, std::string_view fileName) {
  return WithoutDots(bookName) + "-" + WithoutDots(fileName);
}

std::string TBPreferenceLines(std::string_view bookName, std::string_view fileName) {
  // Names are escaped for the JavaScript strings of prefs.js: a quote or backslash in a
  // nickname file's name must not break the profile's preferences.
  const std::string key = TBPrefsString(TBPreferenceKey(bookName, fileName));
  return "\nuser_pref(\"ldap_2.servers." + key + ".description\", \"" + TBPrefsString(bookName) + "\");\n" +
         "user_pref(\"ldap_2.servers." + key + ".dirType\", 2);\n" + "user_pref(\"ldap_2.servers." + key +
         ".filename\", \"" + TBPrefsString(fileName) + "\");\n";
}

std::string TBAddressBook::NextAtom() { return Hex(++atomId_); }

std::string TBAddressBook::NextRecordKey() { return Hex(++recordKey_); }

std::string TBAddressBook::AddAtom(std::string_view value) {
  std::string id = NextAtom();
  dictionary_ += "(" + id + "=";
  const size_t equals = dictionary_.size() - 1;
  dictionary_ += value;
  dictionary_ += ")";
  atomsByValue_.emplace(value, equals);
  if (value.find('=') != std::string_view::npos) atomsWithEquals_.push_back(dictionary_.size() - 1);
  return id;
}

void TBAddressBook::AddCell(std::string& row, std::string_view column, const std::string& atom,
                            const std::string& recordKey) {
  row += "(^";
  row += column;
  row += "^" + atom + ")";
  cardOfAtom_.emplace(atom, recordKey);
}

size_t TBAddressBook::FindMemberAtom(const std::string& lowered) const {
  // The first "=" + lowered + ")" in the dictionary. Every value is escaped, so such a text
  // always ends at the ')' that closes an atom: either the atom's whole value is the text
  // (indexed), or the value ends in '=' and the text (only values holding a '=' can).
  size_t found = std::string::npos;
  if (auto whole = atomsByValue_.find(lowered); whole != atomsByValue_.end()) found = whole->second;
  for (size_t close : atomsWithEquals_) {
    if (close >= found) break;
    if (close < lowered.size() + 1) continue;
    const size_t equals = close - lowered.size() - 1;
    if (dictionary_[equals] == '=' && dictionary_.compare(equals + 1, lowered.size(), lowered) == 0) {
      found = equals;
      break;
    }
  }
  return found;
}

std::optional<std::string> TBAddressBook::CardOfAtom(size_t equals) const {
  const std::string id = GetCurrentEntrysFieldLabel(dictionary_, equals + 1);
  // An atom id is found in the cards only where a cell uses that atom; other labels (from a
  // '=' inside a value) are looked up in the cards text.
  const bool isAtomId = !id.empty() && id.find_first_not_of("0123456789ABCDEF") == std::string::npos;
  if (!isAtomId) return GetCurrentEntrysRecordKey(dictionary_, cards_, equals + 1);
  auto card = cardOfAtom_.find(id);
  if (card == cardOfAtom_.end()) return std::nullopt;
  return card->second;
}

void TBAddressBook::AddTBABCard(const NicknameEntry& entry, platform::TextEncoding encoding) {
  // An atom holding the previous card's key, which no row uses, stands between cards.
  if (recordKey_ != 0) {
    AddAtom(Hex(recordKey_));
    dictionary_ += "\n  ";
  }
  const std::string key = NextRecordKey();
  std::string row = "\n  [-" + key;
  TBBookCard& card = NewCard(key);
  for (const TBCardField& field : TBCardFields(entry)) {
    std::string value = text::MakeUTF8(field.value, encoding);
    AddCell(row, field.column, AddAtom(CleanupABEntry(value)), key);
    if (field.column != kTBLowercaseEmailColumn && !value.empty())
      card.properties.emplace_back(field.property, std::move(value));
  }
  cards_ += row + "(^BB=" + key + ")]";
}

void TBAddressBook::AddTBABList(const NicknameEntry& entry, platform::TextEncoding encoding) {
  const std::string name = text::MakeUTF8(entry.nickname, encoding);
  const std::string nickname = CleanupABEntry(name);
  // The lowered name is lowered after escaping, so that it stays valid Mork for any
  // nickname and is what the member search (which lowers escaped member texts) finds.
  const std::string lowered = tolower(nickname);
  lists_ += "\n  [-" + Hex(++listId_) + ":^81(^BF=" + nickname + ")(^C3=" + lowered + ")";
  TBBookList list;
  list.name = name;

  uint32_t n = 0;
  std::string remaining = entry.addresses;
  auto place = [&](const std::string& member, const std::string& first, const std::string& last, bool isLast) {
    const std::string memberText = text::MakeUTF8(member, encoding);
    const std::string text = CleanupABEntry(memberText);
    if (text.empty() || (text == ";" && !isLast)) return;
    const std::string firstUTF8 = text::MakeUTF8(first, encoding);
    const std::string lastUTF8 = text::MakeUTF8(last, encoding);
    ++n;
    AddAtom(Hex(recordKey_));
    size_t found = FindMemberAtom(tolower(text));
    if (found != std::string::npos) {
      std::optional<std::string> key = CardOfAtom(found);
      if (!key) {
        if (log_) log_("Member \"" + text + "\" of group \"" + name + "\" is a group itself - ignoring\n");
        --n;
        return;
      }
      lists_ += "(^" + Hex(0xC4 + n) + "=" + *key + ")";
      if (auto card = cardIndexByKey_.find(*key); card != cardIndexByKey_.end()) list.members.push_back(card->second);
      return;
    }
    const std::string atom = AddAtom(text);
    const std::string key = NextRecordKey();
    list.members.push_back(contents_.cards.size());
    TBBookCard& card = NewCard(key);
    card.properties.emplace_back("PrimaryEmail", memberText);
    cards_ += "\n  [-" + key;
    AddCell(cards_, "89", atom, key);
    cards_ += "(^BB=" + key + ")";
    auto nameCell = [&](const std::string& value, std::string_view column, std::string_view property) {
      AddCell(cards_, column, AddAtom(CleanupABEntry(value)), key);
      cards_ += "(^BB=" + key + ")";
      card.properties.emplace_back(property, value);
    };
    if (!firstUTF8.empty()) nameCell(firstUTF8, "83", "FirstName");
    if (!lastUTF8.empty()) nameCell(lastUTF8, "84", "LastName");
    if (!firstUTF8.empty() || !lastUTF8.empty())
      nameCell(firstUTF8 + (!firstUTF8.empty() && !lastUTF8.empty() ? " " : "") + lastUTF8, "87", "DisplayName");
    cards_ += "]";
    lists_ += "(^" + Hex(0xC4 + n) + "=" + key + ")";
  };
  std::string first, last;
  while (remaining.find(',') != std::string::npos) {
    std::string member = GetNextListMember(remaining, ListVariant::kThunderbird, first, last);
    place(member, first, last, false);
    if (memberTaken_) memberTaken_();
  }
  std::string member = GetNextListMember(remaining, ListVariant::kThunderbird, first, last);
  place(member, first, last, true);

  AddAtom(Hex(recordKey_));
  AddAtom(nickname);
  AddAtom(lowered);
  lists_ += "(^C2=" + Hex(n) + ")";
  lists_ += "(^BB=" + NextRecordKey() + ")]";
  if (n > mostMembers_) mostMembers_ = n;
  contents_.lists.push_back(std::move(list));
}

TBBookCard& TBAddressBook::NewCard(const std::string& recordKey) {
  cardIndexByKey_.emplace(recordKey, contents_.cards.size());
  return contents_.cards.emplace_back();
}

std::string TBAddressBook::WriteTBAddressBook() {
  std::string out(sMABHeader);
  out += "<(80=0)>\n{1:^80 {(k^BE:c)(s=9)} \n  [1:^82(^BD=0)]}\n\n@$${1{@\n";
  if (mostMembers_ > 0) {
    out += "< <(a=c)> // (f=iso-8859-1)\n  ";
    for (uint32_t n = 1; n <= mostMembers_; ++n) out += "(" + Hex(0xC4 + n) + "=Address" + std::to_string(n) + ")";
    out += ">\n";
  }
  out += "\n<(" + Hex(atomId_ + 1) + "=" + Hex(recordKey_) + ")";
  out += dictionary_;
  out += ">\n{-1:^80 {(k^BE:c)(s=9)} \n  [1:^82(^BD=" + Hex(recordKey_) + ")]";
  out += cards_;
  out += lists_;
  out += "}\n@$$}1}@\n";
  return out;
}

}  // namespace nicknames
