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
// members are looked up in the collected dictionary text: a member matches the first atom
// whose whole value equals its text lowered (the dictionary itself is not lowered, so
// nicknames and lowered e-mail addresses are what members find).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "nicknames/nickname_entry.h"
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

 private:
  std::string NextAtom();
  std::string NextRecordKey();
  // Adds an atom with the value (recoded and escaped) and its cell to row.
  void AddTBABEntry(std::string& row, std::string_view value, std::string_view column,
                    platform::TextEncoding encoding);

  std::function<void(const std::string&)> log_;
  std::function<void()> memberTaken_;
  std::string dictionary_;
  std::string cards_;
  std::string lists_;
  uint32_t atomId_ = 0x80;
  uint32_t recordKey_ = 0;
  uint32_t listId_ = 0;
  uint32_t mostMembers_ = 0;
};

}  // namespace nicknames
