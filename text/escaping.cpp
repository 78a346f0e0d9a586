#include "text/escaping.h"

#include <cstring>

#include "platform/encodings.h"

namespace text {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

void UnescapeString(std::string& text) {
  const size_t length = std::strlen(text.c_str());
  std::string result;
  result.reserve(length);
  std::string escaped;  // the bytes of the current run of consecutive escapes
  for (size_t i = 0; i < length;) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b == '%') {
      escaped.clear();
      while (i < length && text[i] == '%') {
        int high = i + 1 < length ? HexValue(text[i + 1]) : -1;
        int low = i + 2 < length ? HexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0) return;  // a "%" without two hexadecimal digits
        escaped += static_cast<char>(high * 16 + low);
        i += 3;
      }
      if (!platform::IsValidUTF8(escaped)) return;
      result += escaped;
    } else {
      platform::AppendUTF8(b, result);  // ISO Latin 1: the byte is the code point
      ++i;
    }
  }
  if (size_t zero = result.find('\0'); zero != std::string::npos) result.resize(zero);
  text = std::move(result);
}

std::string CleanUpXMLString(std::string text) {
  size_t specials = 0;
  for (char c : text) specials += c == '&' || c == '<' || c == '>' || c == '"' || c == '\'';
  if (specials == 0) return text;
  std::string out;
  out.reserve(text.size() + specials * 5);
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c; break;
    }
  }
  return out;
}

}  // namespace text
