#include "nicknames/thunderbird_book.h"

#include <cstdio>

#include "nicknames/nickname_lines.h"

namespace nicknames {

std::vector<TBCardField> TBCardFields(const NicknameEntry& entry) {
  std::string display = entry.name;
  if (display.empty())
    display = !entry.first.empty() && !entry.last.empty() ? entry.first + " " + entry.last : entry.first + entry.last;
  if (display.empty()) display = entry.nickname;

  // The first other e-mail address has a column; the others, and the phones and web pages
  // without one, go into the notes.
  std::string secondEmail, extra;
  if (!entry.otheremail.empty() && entry.otheremail != ",") {
    std::string rest = entry.otheremail;
    size_t comma = rest.find(',');
    secondEmail = StdTrim(std::string_view(rest).substr(0, comma));
    rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
    std::string collected;
    int further = 0;
    for (size_t at = rest.find(','); at != std::string::npos; at = rest.find(',')) {
      collected += StdTrim(std::string_view(rest).substr(0, at)) + "\r";
      ++further;
      rest.erase(0, at + 1);
    }
    if (!rest.empty() && rest != ",") {
      collected += StdTrim(rest) + "\r";
      ++further;
    }
    if (further == 1) extra += "Additional Email address: \r";
    if (further > 1) extra += "Additional Email addresses: \r";
    extra += collected + "\r";
  }
  if (!entry.otherphone.empty()) {
    extra += entry.otherphone.find('\r') != std::string::npos ? "Additional phones: \r" : "Additional phone: \r";
    extra += entry.otherphone + "\r";
  }
  if (!entry.otherweb.empty()) {
    extra += entry.otherweb.find('\r') != std::string::npos ? "Additional homepages: \r" : "Additional homepage: \r";
    extra += entry.otherweb + "\r";
  }
  std::string notes = entry.notes;
  if (!extra.empty()) notes = extra + "\r" + notes;

  std::string address;
  if (!entry.addresses.empty() && entry.addresses != ",") address = StdTrim(entry.addresses);
  const std::string loweredAddress = tolower(address);

  std::vector<TBCardField> fields;
  fields.push_back({"87", "DisplayName", display});
  fields.push_back({"88", "NickName", entry.nickname});
  const struct {
    std::string_view column, property;
    const std::string& value;
  } optional[] = {
      {"83", "FirstName", entry.first},
      {"84", "LastName", entry.last},
      {kTBLowercaseEmailColumn, "LowercasePrimaryEmail", loweredAddress},
      {"89", "PrimaryEmail", address},
      {"8F", "WorkPhone", entry.phone2},
      {"90", "HomePhone", entry.phone},
      {"91", "FaxNumber", entry.fax},
      {"93", "CellularNumber", entry.mobile},
      {"99", "HomeAddress", entry.addressHead},
      {"9A", "HomeAddress2", entry.addressTail},
      {"9B", "HomeCity", entry.city},
      {"9C", "HomeState", entry.state},
      {"9D", "HomeZipCode", entry.zip},
      {"9E", "HomeCountry", entry.country},
      {"9F", "WorkAddress", entry.address2Head},
      {"A0", "WorkAddress2", entry.address2Tail},
      {"A1", "WorkCity", entry.city2},
      {"A2", "WorkState", entry.state2},
      {"A3", "WorkZipCode", entry.zip2},
      {"A4", "WorkCountry", entry.country2},
      {"A5", "JobTitle", entry.title},
      {"A7", "Company", entry.company},
      // The home page ("web") is Thunderbird's WebPage2, the work page its WebPage1.
      {"B1", "WebPage2", entry.web},
      {"B0", "WebPage1", entry.web2},
      {"8B", "SecondEmail", secondEmail},
      {"B9", "Notes", notes},
  };
  for (const auto& field : optional)
    if (!field.value.empty()) fields.push_back({field.column, field.property, field.value});
  return fields;
}

std::string TBPrefsString(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
      out += buffer;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace nicknames
