// Thunderbird address books in Mork, the text format of Thunderbird's .mab files.
//
// A Mork file here is: a fixed head declaring the column names, a table holding the
// LastRecordKey, a value dictionary "<(id=value)...>" of atoms, and one table of rows: a
// card row "[-KEY(^COL^ATOM)...(^BB=KEY)]" per card and a list row
// "[-ID:^81(^BF=name)...(^C5=KEY)(^C6=KEY)...(^C2=COUNT)(^BB=KEY)]" per mailing list, whose
// Address columns hold the record keys of member cards. Ids, keys and counts are upper-case
// hexadecimal. Values are UTF-8 with "\", "$" and ")" escaped by a backslash, and line breaks
// and bytes of 0x80 and above written as "$XX".
//
// Cards and lists are collected as text and the whole file is made at the end. A list's
// members are looked up as texts in the collected dictionary: a member matches the first
// place where "=" + its escaped text lowered + ")" stands (the dictionary itself is not
// lowered, so nicknames and lowered e-mail addresses are what members find), and takes the
// record key of the card whose row uses that atom.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "nicknames/nickname_entry.h"
#include "nicknames/thunderbird_book.h"
#include "platform/encodings.h"

namespace nicknames {

// The fixed head of every address book (1,344 bytes).
extern const std::string_view sMABHeader;

// A value in UTF-8 escaped for the dictionary.
std::string CleanupABEntry(std::string_view value);

// The atom id of the dictionary entry whose value starts at position (just past its '=').
std::string GetCurrentEntrysFieldLabel(std::string_view dictionary, size_t position);

// The record key of the card that uses the dictionary entry at position, or nothing when no
// card uses it.
std::optional<std::string> GetCurrentEntrysRecordKey(std::string_view dictionary, std::string_view cards,
                                                     size_t position);

// The book's name for a nickname file of that (UTF-8) name: "Eudora Nicknames" for Eudora's
// own file, else the file's name.
std::string TBBookName(std::string_view nicknameFileName);

// The key under which prefs.js registers the book (ldap_2.servers.<key>), unescaped.
std::string TBPreferenceKey(std::string_view bookName, std::string_view fileName);

// The three lines that register the book (file name fileName) in the profile's prefs.js.
std::string TBPreferenceLines(std::string_view bookName, std::string_view fileName);

class TBAddressBook {
 public:
  // log receives the "is a group itself" lines (UTF-8); memberTaken is called after every
  // list member but the last, for the event loop.
  explicit TBAddressBook(std::function<void(const std::string&)> log = {},
                         std::function<void()> memberTaken = {})
      : log_(std::move(log)), memberTaken_(std::move(memberTaken)) {}

  // One single nickname as a card (first and last are already filled in).
  void AddTBABCard(const NicknameEntry& entry, platform::TextEncoding encoding);
  // One mailing list; members that match no card get cards of their own.
  void AddTBABList(const NicknameEntry& entry, platform::TextEncoding encoding);
  // The whole file (the writer state is left as it is).
  std::string WriteTBAddressBook();
  // The cards and lists added so far, as the file holds them, members resolved.
  const TBBookContents& Contents() const { return contents_; }

 private:
  std::string NextAtom();
  std::string NextRecordKey();
  // A new card of the contents, the one of recordKey.
  TBBookCard& NewCard(const std::string& recordKey);
  // Appends an atom with the (escaped) value to the dictionary; returns its id.
  std::string AddAtom(std::string_view value);
  // Appends a cell using atom to row, a row of the card recordKey.
  void AddCell(std::string& row, std::string_view column, const std::string& atom, const std::string& recordKey);
  // The position of the '=' where "=" + lowered + ")" first occurs in the dictionary, or npos.
  size_t FindMemberAtom(const std::string& lowered) const;
  // GetCurrentEntrysRecordKey for the match at equals, through the indexes.
  std::optional<std::string> CardOfAtom(size_t equals) const;

  std::function<void(const std::string&)> log_;
  std::function<void()> memberTaken_;
  std::string dictionary_;
  std::string cards_;
  std::string lists_;
  uint32_t atomId_ = 0x80;
  uint32_t recordKey_ = 0;
  uint32_t listId_ = 0;
  uint32_t mostMembers_ = 0;
  // Indexes that let a member find its card without searching the texts: the '=' of the
  // first atom of each value, the closing ')' of every atom whose value holds a '=', and the
  // card whose row uses each atom.
  std::unordered_map<std::string, size_t> atomsByValue_;
  std::vector<size_t> atomsWithEquals_;
  std::unordered_map<std::string, std::string> cardOfAtom_;
  TBBookContents contents_;
  std::unordered_map<std::string, size_t> cardIndexByKey_;
};

}  // namespace nicknames
