// Text encodings: Mac Roman, Windows code page 1252, ISO 8859-1 and UTF-8 by hand; Mac
// Japanese through tables that are built once, on first use, from iconv's "CP932"; ISO-2022-JP
// by hand on top of the same tables.
//
// Mac Japanese. Decoding and encoding follow iconv's CP932 with these changes, which make it
// behave like Apple's Mac Japanese converter:
//   - the six characters where Microsoft's table departs from JIS X 0208 decode to the JIS
//     (and Apple) code points: 0x8160 U+301C wave dash, 0x8161 U+2016, 0x817C U+2212,
//     0x8191 U+00A2, 0x8192 U+00A3, 0x81CA U+00AC; the Microsoft code points U+FF5E, U+2225,
//     U+FF0D, U+FFE0, U+FFE1, U+FFE2 still encode to those bytes;
//   - Apple's single-byte additions, which CP932 lacks, are read (and, except 0x80 and 0xFF,
//     written): 0x80 U+005C, 0xA0 U+00A0, 0xFD U+00A9, 0xFE U+2122, 0xFF U+2026.
// Without the first change the very common wave dash of Mac Japanese text could not be
// written as ISO-2022-JP.
//
// ISO-2022-JP. Written by hand so that it agrees character for character with Mac Japanese:
// the two-byte set is JIS X 0208 read through the Mac Japanese table (for the standard rows this
// is exactly what iconv's "ISO-2022-JP" does; rows 13 and 89-92, the NEC additions that Japanese
// mail commonly carries, are read and written as well, as Windows' CP50220 and browsers do).
// Decoding accepts ESC ( B, ESC ( J, ESC ( I, ESC $ @, ESC $ B (optionally preceded by
// ESC & @); input with any other escape sequence goes to iconv's "ISO-2022-JP-2". Encoding
// uses ASCII, JIS-Roman (for U+00A5 and U+203E, as iconv does) and JIS X 0208, turns
// half-width katakana into full-width ones (a following sound mark joined into the letter, as
// CP50220 does) and always ends in ASCII; each character it cannot hold becomes one loss
// byte written in ASCII mode, so the escape sequences stay valid around it.
#include "platform/encodings.h"

#include <iconv.h>

#include <cerrno>
#include <unordered_map>
#include <vector>

namespace platform {
namespace {

// ---------------------------------------------------------------------------------------
// Single-byte tables (upper halves; the lower halves are ASCII).

// Apple's current Mac OS Roman table (ROMAN.TXT): 0xDB is the euro sign, 0xF0 the Apple logo
// (private use U+F8FF), 0xBD the Greek capital omega, 0xC6 the increment sign.
constexpr char16_t kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1,  // 0x80
    0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8,  // 0x88
    0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,  // 0x90
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC,  // 0x98
    0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF,  // 0xA0
    0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,  // 0xA8
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211,  // 0xB0
    0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8,  // 0xB8
    0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,  // 0xC0
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153,  // 0xC8
    0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA,  // 0xD0
    0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,  // 0xD8
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,  // 0xE0
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4,  // 0xE8
    0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,  // 0xF0
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,  // 0xF8
};

// Windows code page 1252, bytes 0x80-0x9F (0xA0-0xFF are ISO 8859-1). The five bytes the code
// page leaves undefined (0x81 0x8D 0x8F 0x90 0x9D) are the C1 controls of the same number, as
// in Apple's converter, so that decoding Windows text never fails.
constexpr char16_t kWindows1252C1[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

// Code point -> byte for the upper half of a single-byte table.
class ReverseTable {
 public:
  explicit ReverseTable(const char16_t* high, size_t count, unsigned first) {
    for (size_t i = 0; i < count; ++i) map_.emplace(high[i], static_cast<unsigned char>(first + i));
  }
  int Find(char32_t c) const {
    auto it = map_.find(c);
    return it == map_.end() ? -1 : it->second;
  }

 private:
  std::unordered_map<char32_t, unsigned char> map_;
};

const ReverseTable& MacRomanReverse() {
  static const ReverseTable table(kMacRomanHigh, 128, 0x80);
  return table;
}
const ReverseTable& Windows1252Reverse() {
  static const ReverseTable table(kWindows1252C1, 32, 0x80);
  return table;
}

// ---------------------------------------------------------------------------------------
// UTF-8

void AppendUTF8Unchecked(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsScalarValue(char32_t c) { return c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF); }

// Decodes one well-formed UTF-8 sequence at bytes[i]; returns its length, 0 when ill-formed.
size_t DecodeUTF8At(std::string_view bytes, size_t i, char32_t& c) {
  const auto b0 = static_cast<unsigned char>(bytes[i]);
  if (b0 < 0x80) {
    c = b0;
    return 1;
  }
  size_t len;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2, min = 0x80, c = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3, min = 0x800, c = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4, min = 0x10000, c = b0 & 0x07;
  } else {
    return 0;  // continuation byte, overlong lead 0xC0/0xC1, or 0xF5 and above
  }
  if (bytes.size() - i < len) return 0;
  for (size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(bytes[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || !IsScalarValue(c)) return 0;  // overlong, surrogate, above U+10FFFF
  return len;
}

bool DecodeUTF8(std::string_view bytes, std::u32string& out) {
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    char32_t c;
    size_t n = DecodeUTF8At(bytes, i, c);
    if (n == 0) return false;
    out += c;
    i += n;
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// iconv helpers

// Runs bytes through an iconv descriptor into UTF-32LE code points. False when iconv rejects
// the input (or cannot be opened).
bool DecodeWithIconv(std::string_view bytes, const char* charset, std::u32string& out) {
  iconv_t cd = iconv_open("UTF-32LE", charset);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string buffer(bytes.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  char* outp = buffer.data();
  size_t out_left = buffer.size();
  bool ok = true;
  while (ok) {
    size_t r = iconv(cd, in_left ? &in : nullptr, in_left ? &in_left : nullptr, &outp, &out_left);
    if (r != static_cast<size_t>(-1)) {
      if (in_left == 0) {
        // Flush any pending state, then done.
        ok = iconv(cd, nullptr, nullptr, &outp, &out_left) != static_cast<size_t>(-1);
        break;
      }
      continue;
    }
    if (errno == E2BIG) {
      size_t used = static_cast<size_t>(outp - buffer.data());
      buffer.resize(buffer.size() * 2);
      outp = buffer.data() + used;
      out_left = buffer.size() - used;
      continue;
    }
    ok = false;  // EILSEQ or EINVAL (incomplete sequence at the end)
  }
  iconv_close(cd);
  if (!ok) return false;
  size_t used = static_cast<size_t>(outp - buffer.data());
  for (size_t k = 0; k + 4 <= used; k += 4) {
    const auto* p = reinterpret_cast<const unsigned char*>(buffer.data() + k);
    out += static_cast<char32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<char32_t>(p[3]) << 24));
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Mac Japanese (CP932) tables

bool IsSjisLead(unsigned b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsSjisTrail(unsigned b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// JIS row/cell bytes (each 0x21-0x7E) -> Shift-JIS double-byte code.
uint16_t JisToSjis(unsigned j1, unsigned j2) {
  unsigned row = j1 - 0x20, cell = j2 - 0x20;
  unsigned lead = (row - 1) / 2;
  unsigned s1 = lead < 31 ? 0x81 + lead : 0xC1 + lead;
  unsigned s2;
  if (row % 2 == 1) {
    s2 = cell + 0x3F;
    if (s2 >= 0x7F) ++s2;
  } else {
    s2 = cell + 0x9E;
  }
  return static_cast<uint16_t>((s1 << 8) | s2);
}

// Microsoft code point -> JIS X 0208 (and Apple) code point, for the six characters where
// CP932 departs from the standard mapping.
char32_t NormalizeCp932(char32_t c) {
  switch (c) {
    case 0xFF5E: return 0x301C;  // wave dash
    case 0x2225: return 0x2016;  // double vertical line
    case 0xFF0D: return 0x2212;  // minus sign
    case 0xFFE0: return 0x00A2;  // cent sign
    case 0xFFE1: return 0x00A3;  // pound sign
    case 0xFFE2: return 0x00AC;  // not sign
    default: return c;
  }
}

struct JapaneseTables {
  bool ok = false;
  std::vector<char32_t> decode = std::vector<char32_t>(0x10000, 0);  // double-byte SJIS -> code point
  std::unordered_map<char32_t, uint16_t> encode;  // code point -> SJIS code (< 0x100: one byte)
  std::unordered_map<char32_t, uint16_t> jis;     // code point -> JIS X 0208 code, rows 1-94
};

JapaneseTables BuildJapaneseTables() {
  JapaneseTables t;
  iconv_t to_unicode = iconv_open("UTF-32LE", "CP932");
  if (to_unicode == reinterpret_cast<iconv_t>(-1)) return t;
  iconv_t from_unicode = iconv_open("CP932", "UTF-32LE");
  if (from_unicode == reinterpret_cast<iconv_t>(-1)) {
    iconv_close(to_unicode);
    return t;
  }
  // Decode every double-byte code.
  for (unsigned s1 = 0x81; s1 <= 0xFC; ++s1) {
    if (!IsSjisLead(s1)) continue;
    for (unsigned s2 = 0x40; s2 <= 0xFC; ++s2) {
      if (!IsSjisTrail(s2)) continue;
      char in_bytes[2] = {static_cast<char>(s1), static_cast<char>(s2)};
      unsigned char out_bytes[8];
      char* in = in_bytes;
      size_t in_left = 2;
      char* outp = reinterpret_cast<char*>(out_bytes);
      size_t out_left = sizeof out_bytes;
      iconv(to_unicode, nullptr, nullptr, nullptr, nullptr);
      if (iconv(to_unicode, &in, &in_left, &outp, &out_left) == static_cast<size_t>(-1)) continue;
      if (sizeof out_bytes - out_left != 4) continue;
      char32_t c = out_bytes[0] | (out_bytes[1] << 8) | (out_bytes[2] << 16) |
                   (static_cast<char32_t>(out_bytes[3]) << 24);
      t.decode[(s1 << 8) | s2] = NormalizeCp932(c);
    }
  }
  // Encode: iconv's preferred code for every character the table holds.
  for (unsigned code = 0x8140; code <= 0xFCFC; ++code) {
    char32_t c = t.decode[code];
    if (c == 0 || t.encode.count(c)) continue;
    unsigned char in_bytes[4] = {static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 8),
                                 static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 24)};
    unsigned char out_bytes[8];
    char* in = reinterpret_cast<char*>(in_bytes);
    size_t in_left = 4;
    char* outp = reinterpret_cast<char*>(out_bytes);
    size_t out_left = sizeof out_bytes;
    iconv(from_unicode, nullptr, nullptr, nullptr, nullptr);
    uint16_t chosen = static_cast<uint16_t>(code);
    if (iconv(from_unicode, &in, &in_left, &outp, &out_left) != static_cast<size_t>(-1) &&
        sizeof out_bytes - out_left == 2 && t.decode[(out_bytes[0] << 8) | out_bytes[1]] == c) {
      chosen = static_cast<uint16_t>((out_bytes[0] << 8) | out_bytes[1]);
    }
    t.encode.emplace(c, chosen);
  }
  iconv_close(to_unicode);
  iconv_close(from_unicode);

  // Single bytes: half-width katakana, Apple's additions, and the Microsoft variants.
  for (char32_t c = 0xFF61; c <= 0xFF9F; ++c) t.encode[c] = static_cast<uint16_t>(c - 0xFF61 + 0xA1);
  t.encode[0x00A0] = 0xA0;
  t.encode[0x00A9] = 0xFD;
  t.encode[0x2122] = 0xFE;
  t.encode[0x00A5] = 0x5C;  // yen sign: Mac Japanese's 0x5C
  t.encode[0x203E] = 0x7E;  // overline
  for (char32_t ms : {0xFF5E, 0x2225, 0xFF0D, 0xFFE0, 0xFFE1, 0xFFE2}) {
    auto it = t.encode.find(NormalizeCp932(ms));
    if (it != t.encode.end()) t.encode.emplace(ms, it->second);
  }

  // JIS X 0208 for ISO-2022-JP: rows 1-94 in order, so that a character found in a standard
  // row keeps that code rather than a NEC duplicate.
  for (unsigned row = 1; row <= 94; ++row) {
    for (unsigned cell = 1; cell <= 94; ++cell) {
      char32_t c = t.decode[JisToSjis(row + 0x20, cell + 0x20)];
      if (c != 0) t.jis.emplace(c, static_cast<uint16_t>(((row + 0x20) << 8) | (cell + 0x20)));
    }
  }
  for (char32_t ms : {0xFF5E, 0x2225, 0xFF0D, 0xFFE0, 0xFFE1, 0xFFE2}) {
    auto it = t.jis.find(NormalizeCp932(ms));
    if (it != t.jis.end()) t.jis.emplace(ms, it->second);
  }
  t.ok = !t.encode.empty();
  return t;
}

const JapaneseTables& Japanese() {
  static const JapaneseTables tables = BuildJapaneseTables();
  return tables;
}

bool DecodeMacJapanese(std::string_view bytes, std::u32string& out) {
  const JapaneseTables& t = Japanese();
  if (!t.ok) return false;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out += b;
    } else if (b >= 0xA1 && b <= 0xDF) {
      out += static_cast<char32_t>(0xFF61 + (b - 0xA1));
    } else if (IsSjisLead(b)) {
      if (i + 1 >= bytes.size()) return false;
      char32_t c = t.decode[(b << 8) | static_cast<unsigned char>(bytes[i + 1])];
      if (c == 0) return false;
      out += c;
      ++i;
    } else {
      switch (b) {
        case 0x80: out += U'\\'; break;
        case 0xA0: out += U'\u00A0'; break;
        case 0xFD: out += U'\u00A9'; break;
        case 0xFE: out += U'\u2122'; break;
        case 0xFF: out += U'\u2026'; break;
        default: return false;
      }
    }
  }
  return true;
}

bool EncodeMacJapanese(std::u32string_view text, std::string& out, int loss_byte) {
  const JapaneseTables& t = Japanese();
  if (!t.ok) return false;
  out.reserve(text.size() * 2);
  for (char32_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    auto it = t.encode.find(c);
    if (it == t.encode.end()) {
      if (loss_byte < 0) return false;
      out += static_cast<char>(loss_byte);
    } else if (it->second < 0x100) {
      out += static_cast<char>(it->second);
    } else {
      out += static_cast<char>(it->second >> 8);
      out += static_cast<char>(it->second & 0xFF);
    }
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// ISO-2022-JP

enum class JisMode { kAscii, kRoman, kKanji, kKatakana };

// Returns 1 when the text was decoded, 0 when it is invalid, -1 when it uses an escape
// sequence this decoder does not know (the caller then tries iconv's ISO-2022-JP-2).
int DecodeIso2022JpByHand(std::string_view bytes, std::u32string& out) {
  const JapaneseTables& t = Japanese();
  if (!t.ok) return 0;
  JisMode mode = JisMode::kAscii;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b >= 0x80) return 0;
    if (b == 0x1B) {
      std::string_view rest = bytes.substr(i + 1);
      if (rest.substr(0, 3) == "&@\x1B") {  // JIS X 0208-1990 announcer before ESC $ B
        i += 3;
        continue;
      }
      if (rest.substr(0, 2) == "(B") {
        mode = JisMode::kAscii;
      } else if (rest.substr(0, 2) == "(J" || rest.substr(0, 2) == "(H") {
        mode = JisMode::kRoman;
      } else if (rest.substr(0, 2) == "(I") {
        mode = JisMode::kKatakana;
      } else if (rest.substr(0, 2) == "$@" || rest.substr(0, 2) == "$B") {
        mode = JisMode::kKanji;
      } else {
        return -1;
      }
      i += 3;
      continue;
    }
    if (b < 0x21 || b == 0x7F) {  // controls and blanks stand for themselves in every mode
      out += b;
      ++i;
      continue;
    }
    switch (mode) {
      case JisMode::kAscii:
        out += b;
        break;
      case JisMode::kRoman:
        out += b == 0x5C ? U'\u00A5' : b == 0x7E ? U'\u203E' : static_cast<char32_t>(b);
        break;
      case JisMode::kKatakana:
        if (b > 0x5F) return 0;
        out += static_cast<char32_t>(0xFF61 + (b - 0x21));
        break;
      case JisMode::kKanji: {
        if (i + 1 >= bytes.size()) return 0;
        const auto b2 = static_cast<unsigned char>(bytes[i + 1]);
        if (b2 < 0x21 || b2 > 0x7E) return 0;
        char32_t c = t.decode[JisToSjis(b, b2)];
        if (c == 0) return 0;
        out += c;
        ++i;
        break;
      }
    }
    ++i;
  }
  return 1;
}

bool DecodeIso2022Jp(std::string_view bytes, std::u32string& out) {
  int r = DecodeIso2022JpByHand(bytes, out);
  if (r >= 0) return r == 1;
  out.clear();
  return DecodeWithIconv(bytes, "ISO-2022-JP-2", out);
}

// Full-width katakana for a half-width one (U+FF61-U+FF9F), with a following voiced or
// semi-voiced sound mark joined into the letter where a joined letter exists. Returns the
// number of code points used (1 or 2), 0 when c is not half-width katakana.
size_t FullWidthKatakana(char32_t c, char32_t next, char32_t& full) {
  static constexpr char16_t kFull[63] = {
      0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9,
      0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB,
      0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1,
      0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5,
      0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9,
      0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C};
  if (c < 0xFF61 || c > 0xFF9F) return 0;
  full = kFull[c - 0xFF61];
  const bool ka_to = (full >= 0x30AB && full <= 0x30C8) && full != 0x30C3;  // カ..ト (not small ッ)
  const bool ha_ho = full >= 0x30CF && full <= 0x30DB && (full - 0x30CF) % 3 == 0;  // ハヒフヘホ
  if (next == 0xFF9E) {  // voiced sound mark
    if (full == 0x30A6) {
      full = 0x30F4;  // ヴ
      return 2;
    }
    if (ka_to || ha_ho) {
      full += 1;
      return 2;
    }
  } else if (next == 0xFF9F && ha_ho) {  // semi-voiced sound mark
    full += 2;
    return 2;
  }
  return 1;
}

bool EncodeIso2022Jp(std::u32string_view text, std::string& out, int loss_byte) {
  const JapaneseTables& t = Japanese();
  if (!t.ok) return false;
  JisMode mode = JisMode::kAscii;
  auto switch_to = [&](JisMode m) {
    if (mode == m) return;
    mode = m;
    out += m == JisMode::kKanji ? "\x1B$B" : m == JisMode::kRoman ? "\x1B(J" : "\x1B(B";
  };
  out.reserve(text.size() * 3);
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c < 0x80 && c != 0x1B && c != 0x0E && c != 0x0F) {
      switch_to(JisMode::kAscii);
      out += static_cast<char>(c);
      continue;
    }
    if (c == 0x00A5 || c == 0x203E) {
      switch_to(JisMode::kRoman);
      out += c == 0x00A5 ? '\x5C' : '\x7E';
      continue;
    }
    char32_t full;
    size_t used = FullWidthKatakana(c, i + 1 < text.size() ? text[i + 1] : 0, full);
    if (used) {
      c = full;
      i += used - 1;
    }
    auto it = t.jis.find(c);
    if (it != t.jis.end()) {
      switch_to(JisMode::kKanji);
      out += static_cast<char>(it->second >> 8);
      out += static_cast<char>(it->second & 0xFF);
      continue;
    }
    if (loss_byte < 0) return false;
    switch_to(JisMode::kAscii);
    out += static_cast<char>(loss_byte);
  }
  switch_to(JisMode::kAscii);
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------

bool DecodeText(std::string_view bytes, TextEncoding encoding, std::u32string& out) {
  out.clear();
  bool ok = false;
  switch (encoding) {
    case kMacRoman:
      out.reserve(bytes.size());
      for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out += b < 0x80 ? static_cast<char32_t>(b) : static_cast<char32_t>(kMacRomanHigh[b - 0x80]);
      }
      ok = true;
      break;
    case kWindowsLatin1:
      out.reserve(bytes.size());
      for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out += (b >= 0x80 && b < 0xA0) ? static_cast<char32_t>(kWindows1252C1[b - 0x80]) : static_cast<char32_t>(b);
      }
      ok = true;
      break;
    case kISOLatin1:
      out.reserve(bytes.size());
      for (char ch : bytes) out += static_cast<char32_t>(static_cast<unsigned char>(ch));
      ok = true;
      break;
    case kUTF8:
      ok = DecodeUTF8(bytes, out);
      break;
    case kMacJapanese:
      ok = DecodeMacJapanese(bytes, out);
      break;
    case kISO2022JP:
      ok = DecodeIso2022Jp(bytes, out);
      break;
    default:
      break;
  }
  if (!ok) out.clear();
  return ok;
}

bool EncodeText(std::u32string_view text, TextEncoding encoding, std::string& out, int loss_byte) {
  out.clear();
  bool ok = true;
  auto lost = [&]() {
    if (loss_byte < 0) return false;
    out += static_cast<char>(loss_byte);
    return true;
  };
  switch (encoding) {
    case kMacRoman: {
      out.reserve(text.size());
      const ReverseTable& reverse = MacRomanReverse();
      for (char32_t c : text) {
        int b = c < 0x80 ? static_cast<int>(c) : reverse.Find(c);
        if (b >= 0) out += static_cast<char>(b);
        else if (!(ok = lost())) break;
      }
      break;
    }
    case kWindowsLatin1: {
      out.reserve(text.size());
      const ReverseTable& reverse = Windows1252Reverse();
      for (char32_t c : text) {
        int b = (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) ? static_cast<int>(c) : reverse.Find(c);
        if (b >= 0) out += static_cast<char>(b);
        else if (!(ok = lost())) break;
      }
      break;
    }
    case kISOLatin1:
      out.reserve(text.size());
      for (char32_t c : text) {
        if (c <= 0xFF) out += static_cast<char>(c);
        else if (!(ok = lost())) break;
      }
      break;
    case kUTF8:
      out.reserve(text.size());
      for (char32_t c : text) {
        if (IsScalarValue(c)) AppendUTF8Unchecked(c, out);
        else if (!(ok = lost())) break;
      }
      break;
    case kMacJapanese:
      ok = EncodeMacJapanese(text, out, loss_byte);
      break;
    case kISO2022JP:
      ok = EncodeIso2022Jp(text, out, loss_byte);
      break;
    default:
      ok = false;
      break;
  }
  if (!ok) out.clear();
  return ok;
}

bool IsValidUTF8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    char32_t c;
    size_t n = DecodeUTF8At(bytes, i, c);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

void AppendUTF8(char32_t c, std::string& out) {
  AppendUTF8Unchecked(IsScalarValue(c) ? c : 0xFFFD, out);
}

std::string FileNameToUTF8(std::string_view name) {
  if (IsValidUTF8(name)) return std::string(name);
  std::u32string text;
  DecodeText(name, kMacRoman, text);
  std::string out;
  EncodeText(text, kUTF8, out);
  return out;
}

}  // namespace platform
