#include "mailboxes/header_charset.h"

#include <cctype>
#include <string_view>

#include "mailboxes/header_pass.h"
#include "platform/encodings.h"
#include "text/base64.h"
#include "text/recode.h"
#include "text/ascii.h"

namespace mailboxes {
namespace {

constexpr std::string_view kLatin1QWord = "=?ISO-8859-1?Q?";
constexpr std::string_view kUTF8QWord = "=?UTF-8?Q?";
constexpr std::string_view kJISBWord = "=?ISO-2022-JP?B?";
constexpr std::string_view kWordEnd = "?=";
constexpr std::string_view kJISToASCII = "\x1B(B";
// What the decoder looks for first: the part of each prefix that has no letters.
constexpr std::string_view kLatin1Key = "-8859-1?";
constexpr std::string_view kJISKey = "-2022-";
constexpr size_t kKeyOffset = 5;  // "=?ISO" stands before either key

using text::EqualsNoCase;
using text::StartsWithNoCase;

bool IsHighBit(char c) { return static_cast<unsigned char>(c) >= 0x80; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void EncodeJISStretches(std::string& text) {
  std::string out;
  size_t pos = 0;
  bool any = false;
  for (;;) {
    const size_t escape = text.find('\x1B', pos);
    if (escape == std::string::npos) break;
    const size_t back = text.find(kJISToASCII, escape + 1);
    if (back == std::string::npos) break;
    const size_t end = back + kJISToASCII.size();
    out.append(text, pos, escape - pos);
    out += kJISBWord;
    out += Base64::encode(text.substr(escape, end - escape));
    out += kWordEnd;
    pos = end;
    any = true;
  }
  if (!any) return;
  out.append(text, pos, std::string::npos);
  text = std::move(out);
}

void EncodeQWords(std::string& text, std::string_view prefix) {
  size_t first = 0;
  while (first < text.size() && !IsHighBit(text[first])) ++first;
  if (first == text.size()) return;
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out(text, 0, first);
  out.reserve(text.size() * 2);
  for (size_t i = first; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      out += static_cast<char>(byte);
      continue;
    }
    if (i == first || !IsHighBit(text[i - 1])) out += prefix;
    out += '=';
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
    if (i + 1 == text.size() || !IsHighBit(text[i + 1])) out += kWordEnd;
  }
  text = std::move(out);
}

// Where the encoded word whose key was found at key begins, when the prefix there matches
// (ignoring case); npos otherwise. The word may reach back into text already taken (two words
// glued together, "...?=?ISO-8859-1?Q?..." cannot be told apart from that), which the caller
// allows for.
size_t WordStart(std::string_view value, size_t key, std::string_view prefix) {
  if (key < kKeyOffset) return std::string_view::npos;
  const size_t start = key - kKeyOffset;
  if (value.size() - start < prefix.size()) return std::string_view::npos;
  return EqualsNoCase(value.substr(start, prefix.size()), prefix) ? start : std::string_view::npos;
}

// Decodes the ISO-8859-1 Q words and then the ISO-2022-JP B words after them into display
// text. An ISO-8859-1 word without its "?=" runs to the end of the value, which gets the "?="
// it lacked. Each decoded word sets changed.
std::string DecodeWords(std::string& value, bool& changed) {
  std::string display;
  size_t pos = 0;
  for (;;) {
    const size_t key = value.find(kLatin1Key, pos);
    if (key == std::string::npos) break;
    const size_t start = WordStart(value, key, kLatin1QWord);
    if (start == std::string::npos) {
      const size_t next = key + kLatin1Key.size();
      display.append(value, pos, next - pos);
      pos = next;
      continue;
    }
    if (start > pos) display.append(value, pos, start - pos);
    changed = true;
    size_t i = start + kLatin1QWord.size();
    for (;;) {
      if (i >= value.size()) {
        value += kWordEnd;
        pos = value.size();
        break;
      }
      const char c = value[i];
      if (c == '?' && i + 1 < value.size() && value[i + 1] == '=') {
        pos = i + 2;
        break;
      }
      if (c == '_') {
        display += ' ';
        ++i;
      } else if (c == '=' && value.size() - i >= 3) {
        // Reading stops at the first character that is not a hexadecimal digit.
        int byte = 0;
        const int high = HexValue(value[i + 1]);
        if (high >= 0) {
          byte = high;
          const int low = HexValue(value[i + 2]);
          if (low >= 0) byte = byte * 16 + low;
        }
        display += static_cast<char>(byte);
        i += 3;
      } else {
        display += c;
        ++i;
      }
    }
  }
  for (;;) {
    const size_t key = value.find(kJISKey, pos);
    if (key == std::string::npos) break;
    const size_t start = WordStart(value, key, kJISBWord);
    if (start == std::string::npos) {
      const size_t next = key + kJISKey.size();
      display.append(value, pos, next - pos);
      pos = next;
      continue;
    }
    if (start > pos) display.append(value, pos, start - pos);
    changed = true;
    const size_t text = start + kJISBWord.size();
    const size_t end = value.find(kWordEnd, text);
    display += Base64::decode(value.substr(text, end == std::string::npos ? std::string::npos : end - text));
    pos = end == std::string::npos ? value.size() : end + kWordEnd.size();
  }
  display.append(value, pos, std::string::npos);
  return display;
}

bool IsAddressHeader(std::string_view name) {
  return StartsWithNoCase(name, "To:") || StartsWithNoCase(name, "From:") || StartsWithNoCase(name, "Cc:") ||
         StartsWithNoCase(name, "Bcc:");
}

// The list split at its commas, each item without one leading blank and without the quotes of
// an item that is one quoted string as a whole, joined again with ", ".
std::string UnquoteListItems(std::string_view value, bool& changed) {
  std::string rebuilt;
  size_t start = 0;
  for (bool first = true;; first = false) {
    const size_t comma = value.find(',', start);
    std::string_view item = value.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    if (item.size() >= 2 && item.front() == '"' && item.back() == '"') {
      item = item.substr(1, item.size() - 2);
      changed = true;
    }
    if (!first) rebuilt += ", ";
    rebuilt += item;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return rebuilt;
}

}  // namespace

void MIMEEncode(std::string& text, uint32_t encoding) {
  if (encoding == platform::kISO2022JP) {
    EncodeJISStretches(text);
  } else {
    EncodeQWords(text, encoding == platform::kISOLatin1 ? kLatin1QWord : kUTF8QWord);
  }
}

std::string CleanUpHighBitChars(std::string& line, bool crlf, int32_t flavour) {
  const size_t colon = line.find(':');
  if (colon == std::string::npos) return std::string();
  const std::string name = line.substr(0, colon + 1);
  std::string value = GetHeaderContent(line);

  bool changed = false;
  if (flavour == 2) {
    changed = text::RecodeString(value, platform::kMacJapanese, platform::kISO2022JP);
  } else if (flavour != 3) {
    changed = text::RecodeString(value, crlf && flavour == 1 ? platform::kWindowsLatin1 : platform::kMacRoman,
                                 platform::kISOLatin1);
  }
  std::string display;
  if (flavour == 3 && platform::IsValidUTF8(value)) {
    // A Mozilla source is not recoded. Its eight-bit header text is mostly UTF-8 and is
    // labelled so; the display text keeps the bytes, as for any other Mozilla header.
    display = DecodeWords(value, changed);
    const size_t plainSize = value.size();
    MIMEEncode(value, platform::kUTF8);
    if (value.size() != plainSize) changed = true;
  } else {
    // Other eight-bit bytes of a Mozilla source are labelled ISO Latin 1, the one character
    // set in which every byte is a character.
    if (changed || flavour == 3) MIMEEncode(value, flavour == 2 ? platform::kISO2022JP : platform::kISOLatin1);
    display = DecodeWords(value, changed);
  }
  std::erase_if(display, [](char c) { return c == '\r' || c == '\n' || c == '\t'; });

  if (IsAddressHeader(name) && value.find('"') != std::string::npos) {
    std::string rebuilt = UnquoteListItems(value, changed);
    if (changed) value = std::move(rebuilt);
  }
  if (changed) line = name + " " + value;
  return display;
}

}  // namespace mailboxes
