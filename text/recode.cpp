#include "text/recode.h"

#include <algorithm>
#include <cstring>

namespace text {

namespace {

// Encodings in which every byte below 0x80 is the ASCII character, both ways.
bool IsAsciiCompatible(platform::TextEncoding encoding) {
  return encoding == platform::kMacRoman || encoding == platform::kMacJapanese ||
         encoding == platform::kISOLatin1 || encoding == platform::kWindowsLatin1 || encoding == platform::kUTF8;
}

}  // namespace

bool RecodeString(std::string& text, platform::TextEncoding from, platform::TextEncoding to) {
  const std::string_view source(text.data(), std::strlen(text.c_str()));
  // Fast path for the common pure-ASCII line: nothing changes but the cut at a zero byte.
  if (IsAsciiCompatible(from) && IsAsciiCompatible(to) &&
      std::all_of(source.begin(), source.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    if (source.size() == text.size()) return false;
    text.resize(source.size());
    return true;
  }
  std::u32string unicode;
  if (!platform::DecodeText(source, from, unicode) && !platform::DecodeText(source, platform::kMacRoman, unicode))
    return false;
  std::string converted;
  if (!platform::EncodeText(unicode, to, converted) && !platform::EncodeText(unicode, to, converted, ' '))
    return false;
  if (size_t zero = converted.find('\0'); zero != std::string::npos) converted.resize(zero);
  if (converted == text) return false;
  text = std::move(converted);
  return true;
}

std::string MakeUTF8(std::string text, platform::TextEncoding from) {
  RecodeString(text, from, platform::kUTF8);
  return text;
}

}  // namespace text
