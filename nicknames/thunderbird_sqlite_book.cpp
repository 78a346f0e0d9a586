#include "nicknames/thunderbird_sqlite_book.h"

#include <vector>

#include "platform/system.h"

namespace nicknames {

namespace {

// CR LF and lone CRs become LF.
std::string WithLineFeeds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
      continue;
    }
    out += '\n';
    if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  return out;
}

bool IsWordByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

std::string TBSQLiteBookFileName(int n) { return "abook-" + std::to_string(n) + ".sqlite"; }

std::set<std::string> TBDirectoryKeysInPrefs(std::string_view prefs) {
  std::set<std::string> keys = {"pab", "history", "default"};
  constexpr std::string_view kBranch = "ldap_2.servers.";
  for (size_t at = prefs.find(kBranch); at != std::string_view::npos; at = prefs.find(kBranch, at)) {
    at += kBranch.size();
    const size_t end = prefs.find_first_of(".\"", at);
    if (end == std::string_view::npos) break;
    keys.emplace(prefs.substr(at, end - at));
  }
  return keys;
}

std::string TBDirectoryKey(std::string_view bookName, const std::set<std::string>& taken) {
  std::string leaf;
  for (char c : bookName)
    if (IsWordByte(c)) leaf += c;
  if (leaf.empty()) leaf = "_nonascii";
  std::string key = leaf;
  for (int n = 1; taken.count(key) != 0; ++n) key = leaf + "_" + std::to_string(n);
  return key;
}

std::string TBSQLitePreferenceLines(std::string_view key, std::string_view bookName, std::string_view fileName) {
  const std::string branch = "user_pref(\"ldap_2.servers." + TBPrefsString(key);
  return "\n" + branch + ".description\", \"" + TBPrefsString(bookName) + "\");\n" + branch + ".dirType\", 101);\n" +
         branch + ".filename\", \"" + TBPrefsString(fileName) + "\");\n";
}

void WriteTBSQLiteBook(const TBBookContents& contents, platform::SQLiteAddressBookWriter& book) {
  std::vector<std::string> uids;
  uids.reserve(contents.cards.size());
  for (const TBBookCard& card : contents.cards) {
    uids.push_back(platform::RandomUUID());
    for (const auto& [name, value] : card.properties)
      if (!value.empty()) book.AddCardProperty(uids.back(), name, WithLineFeeds(value));
  }
  for (const TBBookList& list : contents.lists) {
    const std::string uid = platform::RandomUUID();
    book.AddList(uid, WithLineFeeds(list.name), "", "");
    for (size_t member : list.members)
      if (member < uids.size()) book.AddListCard(uid, uids[member]);
  }
}

}  // namespace nicknames
