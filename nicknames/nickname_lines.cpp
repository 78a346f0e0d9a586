#include "nicknames/nickname_lines.h"

#include <cstdlib>

#include "platform/encodings.h"
#include "text/ascii.h"
#include "text/base64.h"
#include "text/recode.h"

namespace nicknames {

namespace {

constexpr size_t npos = std::string_view::npos;
constexpr char CR = '\r';

std::string_view Slice(std::string_view text, size_t from, size_t to) {
  if (from >= text.size() || to <= from) return {};
  return text.substr(from, to - from);
}

std::string_view From(std::string_view text, size_t from) {
  return from >= text.size() ? std::string_view() : text.substr(from);
}

// Encoded words of Japanese Eudora: "=?ISO-2022-JP?B?" Base64 "?=" becomes the text in Mac
// Japanese. The scan looks for "-2022-" and checks the 16 bytes around it; a word without
// "?=" runs to the end of the value. The value changes only when a word was decoded.
void DecodeEncodedWords(std::string& value) {
  static constexpr std::string_view kIntro = "=?ISO-2022-JP?B?";
  std::string out;
  size_t q = 0;
  bool decoded = false;
  for (size_t i = value.find("-2022-"); i != npos; i = value.find("-2022-", q)) {
    if (i >= 5 && text::EqualsNoCase(std::string_view(value).substr(i - 5, kIntro.size()), kIntro)) {
      // The '=' of a closing "?=" may open the next word at once; it is not copied twice.
      if (i - 5 > q) out.append(value, q, i - 5 - q);
      size_t end = value.find("?=", i + 11);
      std::string word = Base64::decode(value.substr(i + 11, end == npos ? npos : end - (i + 11)));
      text::RecodeString(word, platform::kISO2022JP, platform::kMacJapanese);
      out += word;
      q = end == npos ? value.size() : end + 2;
      decoded = true;
    } else {
      out.append(value, q, i + 6 - q);
      q = i + 6;
    }
    if (q >= value.size()) break;
  }
  if (!decoded) return;
  if (q < value.size()) out.append(value, q);
  value = std::move(out);
}

// "address" and "address2": the value up to its last line break is the head, the rest (from
// that CR on) the tail; a one-line value goes to the tail.
void SplitAddress(const std::string& value, std::string& head, std::string& tail) {
  if (value.find(CR) != npos && value[0] != CR) head = value.substr(0, value.rfind(CR));
  if (!head.empty())
    tail = head.size() < value.size() ? value.substr(head.size()) : std::string();
  else
    tail += value;
}

// "change": a number as strtol reads it with base 0; bit 0x10 means "do not sync".
bool ChangeMeansDoNotSync(const std::string& value) {
  return (std::strtoll(value.c_str(), nullptr, 0) & 0x10) != 0;
}

// The name beside a member that holds a blank and an '@': before the address when a blank
// precedes the '@', else after it.
void NameBesideAddress(std::string_view remaining, std::string_view seg, std::string& first, std::string& last) {
  size_t at = remaining.find('@');
  size_t blank = remaining.find(' ');
  if (blank < at) {
    size_t cut = remaining.rfind(' ', at);
    ParseName(std::string(remaining.substr(0, cut)), first, last);
  } else {
    size_t b = seg.find(' ', at);
    ParseName(std::string(From(seg, b)), first, last);
  }
}

}  // namespace

std::string GetNickName(std::string_view line, bool& quoted) {
  if (line.size() < 7 || !(text::StartsWith(line, "alias ") || text::StartsWith(line, "note "))) return {};
  size_t k = line.find(' ') + 1;
  if (line[k] == '"') {
    quoted = true;
    size_t close = line.find('"', k + 1);
    return std::string(Slice(line, k + 1, close == npos ? line.size() : close));
  }
  quoted = false;
  size_t blank = line.find(' ', k + 1);
  return std::string(Slice(line, k, blank == npos ? line.size() : blank));
}

bool FindNickNameLine(std::string_view line, std::string_view kind, std::string_view nickname) {
  size_t n = kind == "alias" ? 5 : 4;
  if (line.substr(0, n) != kind.substr(0, n)) return false;
  bool quoted = false;
  return GetNickName(line, quoted) == nickname;
}

bool GetSingleNickNameEntry(std::string_view line, size_t& position, std::string& label, std::string& value) {
  const size_t len = line.size();
  const size_t p = position;
  size_t o = line.find('<', p);
  size_t c = o == npos ? npos : line.find(':', o);
  size_t e = c == npos ? npos : line.find('>', c);
  if (o != npos && e != npos) {
    // A value may hold bracket pairs of its own: e moves on to the '>' that balances them.
    size_t n = line.find('<', o + 1);
    if (n == npos) n = len;
    while (e != npos && n < e) {
      n = line.find('<', e);
      if (n == npos) n = len;
      e = line.find('>', e + 1);
    }
  }
  bool result;
  if (o == npos && len > p) {
    label = "note";
    value = std::string(From(line, p + 1));
    position = len;
    result = true;
  } else if (o != npos && o > p + 1) {
    label = "note";
    value = std::string(Slice(line, p + 1, o));
    position = o - 1;
    result = c != npos && e != npos;
  } else {
    if (o == npos || c == npos || e == npos) return false;
    label = std::string(Slice(line, o + 1, c));
    value = std::string(Slice(line, c + 1, e));
    position = e;
    result = true;
  }
  if (value.find('\x03') != npos) value = ReplaceSubstring(value, "\x03", "\r");
  DecodeEncodedWords(value);
  return result;
}

void ReadNoteLine(std::string_view line, NicknameEntry& entry, const std::function<void()>& doNotSync) {
  size_t position = entry.nickname.size() + 5 + (entry.quoted ? 2 : 0);
  std::string label, value;
  while (GetSingleNickNameEntry(line, position, label, value)) {
    if (label == "change") {
      entry.doNotSync = ChangeMeansDoNotSync(value);
      if (entry.doNotSync && doNotSync) doNotSync();
      continue;
    }
    std::string* field = nullptr;
    if (label == "address") {
      SplitAddress(value, entry.addressHead, entry.addressTail);
      entry.hasData = true;
      continue;
    }
    if (label == "address2") {
      SplitAddress(value, entry.address2Head, entry.address2Tail);
      entry.hasData = true;
      continue;
    }
    if (label == "otheremail") value = ReplaceSubstring(value, "\r", ",");
    static const struct {
      std::string_view label;
      std::string NicknameEntry::*field;
    } kFields[] = {
        {"name", &NicknameEntry::name},           {"first", &NicknameEntry::first},
        {"last", &NicknameEntry::last},           {"company", &NicknameEntry::company},
        {"title", &NicknameEntry::title},         {"city", &NicknameEntry::city},
        {"city2", &NicknameEntry::city2},         {"state", &NicknameEntry::state},
        {"state2", &NicknameEntry::state2},       {"zip", &NicknameEntry::zip},
        {"zip2", &NicknameEntry::zip2},           {"country", &NicknameEntry::country},
        {"country2", &NicknameEntry::country2},   {"phone", &NicknameEntry::phone},
        {"phone2", &NicknameEntry::phone2},       {"otherphone", &NicknameEntry::otherphone},
        {"mobile", &NicknameEntry::mobile},       {"mobile2", &NicknameEntry::mobile2},
        {"fax", &NicknameEntry::fax},             {"fax2", &NicknameEntry::fax2},
        {"web", &NicknameEntry::web},             {"web2", &NicknameEntry::web2},
        {"otherweb", &NicknameEntry::otherweb},   {"otheremail", &NicknameEntry::otheremail},
        {"primary", &NicknameEntry::primary},     {"note", &NicknameEntry::notes},
    };
    for (const auto& known : kFields)
      if (known.label == label) field = &(entry.*known.field);
    if (!field) continue;
    *field += value;
    entry.hasData = true;
  }
}

void ReadAliasLine(std::string_view line, NicknameEntry& entry) {
  const size_t start = (entry.quoted ? 9 : 7) + entry.nickname.size();
  // A comma makes a list unless it stands inside the quoted name or the parenthesised name
  // that follow the first address, or ends the line.
  size_t c0 = start;
  bool noComma = false;
  if (start < line.size() && line[start] == '"') {
    size_t close = line.find('"', start + 1);
    if (close == npos)
      noComma = true;
    else
      c0 = close + 2;
  }
  if (!noComma) {
    size_t open = line.find('(', c0);
    if (open != npos) {
      c0 = line.find(')', open);
      if (c0 == npos) c0 = line.size();
    }
  }
  size_t comma = noComma ? npos : line.find(',', c0);
  entry.isList = comma != npos && comma > 0 && comma != line.size() - 1;
  entry.addresses = std::string(From(line, start));
  if (!entry.isList && entry.addresses.find(' ') != npos) {
    std::string& a = entry.addresses;
    size_t at = a.find('@');
    size_t b = at == npos ? a.rfind(' ') : a.rfind(' ', at);
    if (b != npos) {
      entry.displayName = a.substr(0, b);
      a = a.substr(b + 1);
    }
    at = a.find('@');
    b = at == npos ? npos : a.find(' ', at);
    if (b != npos) {
      entry.displayName = a.substr(b + 1);
      a = a.substr(0, b);
    }
  }
  if (!entry.isList) {
    size_t cut = entry.addresses.find(',');
    if (cut != npos) entry.addresses.resize(cut);
  }
  entry.hasAddress = !entry.addresses.empty();
}

std::string GetNextListMember(std::string& remaining, ListVariant variant, std::string& first, std::string& last) {
  first.clear();
  last.clear();
  std::string_view r = remaining;
  size_t e = r.find(',');
  if (e != npos) {
    std::string_view seg = r.substr(0, e);
    // A name in quotes or parentheses; a comma inside it does not end the member.
    auto enclosed = [&](char open, char close) {
      size_t q1 = r.find(open);
      size_t q2 = r.find(close, q1 + 1);
      if (q2 == npos || q2 > e) {
        ParseName(std::string(Slice(r, q1, q2 == npos ? r.size() : q2 + 1)), first, last);
        e = q2 == npos ? npos : r.find(',', q2);
        if (e == npos) e = r.size();
      } else if (variant == ListVariant::kAddressBook) {
        ParseName(std::string(Slice(r, q1, q2 + 1)), first, last);
      }
    };
    if (seg.find('"') != npos)
      enclosed('"', '"');
    else if (seg.find('(') != npos)
      enclosed('(', ')');
    else if (seg.find(' ') != npos && seg.find('@') != npos)
      NameBesideAddress(r, seg, first, last);
    std::string member = StdTrim(r.substr(0, e));
    remaining = e + 1 < r.size() ? std::string(r.substr(e + 1)) : std::string();
    return member;
  }
  if (variant == ListVariant::kAddressBook) remaining = StdTrim(remaining);
  r = remaining;
  std::string member;
  if (!(r.empty() || r == "," || r == ";")) {
    if (r.find(' ') != npos && r.find('@') != npos) NameBesideAddress(r, r, first, last);
    member = StdTrim(r);
  }
  remaining.clear();
  return member;
}

void ParseName(std::string name, std::string& first, std::string& last) {
  name = StdTrim(name);
  auto unwrap = [&name](char open, char close) {
    if (name.empty() || name[0] != open) return false;
    size_t end = name.rfind(close);
    if (end == npos || end == 0) return false;
    name = name.substr(1, end - 1);
    return true;
  };
  if (!unwrap('\'', '\'') && !unwrap('"', '"')) unwrap('(', ')');
  size_t blank = name.find(' ');
  if (blank == npos) {
    first = name;
    return;
  }
  size_t comma = name.find(", ");
  if (comma != npos) {
    last = name.substr(0, comma);
    first = name.substr(comma + 2);
  } else {
    first = name.substr(0, blank);
    last = name.substr(blank + 1);
  }
}

std::string StdTrim(std::string_view text) {
  size_t b = text.find_first_not_of(' ');
  if (b == npos) return {};
  size_t e = text.find_last_not_of(' ');
  size_t open = text.find('<', b);
  if (open != npos) b = open + 1;
  size_t close = text.find('>', b);
  if (close != npos && close <= e) {
    if (close == 0) return {};
    e = close - 1;
  }
  if (b > e) return {};
  return std::string(text.substr(b, e - b + 1));
}

std::string ReplaceSubstring(std::string_view text, std::string_view needle, std::string_view replacement) {
  if (needle.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  for (size_t at = text.find(needle); at != npos; at = text.find(needle, from)) {
    out.append(text.substr(from, at - from));
    out.append(replacement);
    from = at + 1;
  }
  out.append(From(text, from));
  return out;
}

std::string tolower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = text::AsciiLower(c);
  return out;
}

}  // namespace nicknames
