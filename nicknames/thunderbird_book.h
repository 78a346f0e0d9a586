// What a nickname file becomes in Thunderbird, whichever file format holds it: the fields
// of a nickname's card, and the cards and lists of a whole book.
//
// Thunderbird writes the same book twice: as a Mork .mab (for its importer and older
// versions) and as an SQLite book (what current versions load). Both take a card's fields
// from TBCardFields, and the SQLite book takes its cards and lists, members resolved, from
// the Mork writer, so that the two books always hold the same thing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "nicknames/nickname_entry.h"

namespace nicknames {

// One field of a card: its Mork column id (two hexadecimal digits), Thunderbird's property
// name and the value, in the nickname file's encoding.
struct TBCardField {
  std::string_view column;
  std::string_view property;
  std::string value;
};

// The fields of a single nickname's card, in the order the .mab writes them. The display
// name and the nickname are always there; the other fields only when they have a value.
// Values hold CR between their lines. The other e-mail addresses after the first, the
// other phones and the other web pages are put in front of the notes.
std::vector<TBCardField> TBCardFields(const NicknameEntry& entry);

// The Mork column of the lowered primary address, which only the .mab keeps: current
// Thunderbird finds cards by e-mail address without it.
inline constexpr std::string_view kTBLowercaseEmailColumn = "8A";

// A book's content as current Thunderbird stores it: texts in UTF-8, lines separated by
// CR as in the nickname file.
struct TBBookCard {
  std::vector<std::pair<std::string_view, std::string>> properties;  // property name, value
};
struct TBBookList {
  std::string name;
  std::vector<size_t> members;  // indexes into the book's cards, in the list's order
};
struct TBBookContents {
  std::vector<TBBookCard> cards;
  std::vector<TBBookList> lists;
};

// A text inside a double-quoted string of prefs.js.
std::string TBPrefsString(std::string_view text);

}  // namespace nicknames
