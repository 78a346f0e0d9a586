// One nickname of a Eudora nickname file, assembled from its alias line and its note line.
// Every text is a byte string in the file's source encoding; a CR separates the items of a
// value that holds several (addresses, phones, web pages, notes), a comma those of
// otheremail. The unsuffixed fields are the home data, the fields ending in 2 the work data.
#pragma once

#include <string>

namespace nicknames {

struct NicknameEntry {
  std::string nickname;
  bool quoted = false;  // the nickname stood in double quotes
  bool isList = false;  // the alias line is a mailing list
  std::string addresses;    // the alias line's address text (or member list)
  std::string displayName;  // the full name beside a single address on the alias line
  std::string name, first, last, company, title;
  // "address" split at its last line break: head + tail gives back the whole value.
  std::string addressHead, addressTail;
  std::string address2Head, address2Tail;
  std::string city, city2, state, state2, zip, zip2, country, country2;
  std::string phone, phone2, otherphone, mobile, mobile2, fax, fax2;
  std::string web, web2, otherweb, otheremail, primary;
  std::string notes;  // "note" fields and the free text of the note line
  bool doNotSync = false;
  bool hasAddress = false;
  bool hasData = false;
};

}  // namespace nicknames
