// A nickname file as an address book that current Thunderbird loads: an SQLite book
// "abook-N.sqlite" in the profile folder (the first N from 1 that is free; Thunderbird's
// own "abook.sqlite" and "history.sqlite" carry no number), registered in prefs.js as
// ldap_2.servers.<key> with its description (the book's name), dirType 101 and filename.
//
// Cards are stored under random UUIDs with Thunderbird's classic property names, from
// which Thunderbird makes each card's vCard itself; lists get UUIDs too, with their members
// as rows of list_cards in the list's order.
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "nicknames/thunderbird_book.h"
#include "platform/sqlite_address_book.h"

namespace nicknames {

// "abook-<n>.sqlite".
std::string TBSQLiteBookFileName(int n);

// The keys that prefs.js registers books under (every ldap_2.servers.<key>.… it mentions),
// with those Thunderbird's default preferences use ("pab" and "history" for its own books,
// "default" for the settings every book inherits).
std::set<std::string> TBDirectoryKeysInPrefs(std::string_view prefs);

// The key Thunderbird itself gives a new book of that name: its ASCII letters, digits and
// underscores ("_nonascii" when there are none), with "_1", "_2", … added while the key is
// taken.
std::string TBDirectoryKey(std::string_view bookName, const std::set<std::string>& taken);

// The three lines that register the book fileName under key in prefs.js.
std::string TBSQLitePreferenceLines(std::string_view key, std::string_view bookName, std::string_view fileName);

// Puts the contents into the book: each card and list under a new UUID, empty values left
// out, line breaks as LF (what Thunderbird's own editor stores). Lists have no nickname and
// no description, as in the .mab.
void WriteTBSQLiteBook(const TBBookContents& contents, platform::SQLiteAddressBookWriter& book);

}  // namespace nicknames
