#include "platform/encodings.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <set>
#include <string>
#include <vector>

namespace {

using platform::DecodeText;
using platform::EncodeText;
using platform::TextEncoding;

std::u32string Decode(std::string_view bytes, TextEncoding encoding) {
  std::u32string out;
  EXPECT_TRUE(DecodeText(bytes, encoding, out)) << "encoding " << encoding;
  return out;
}

std::string Encode(std::u32string_view text, TextEncoding encoding, int loss_byte = -1) {
  std::string out;
  EXPECT_TRUE(EncodeText(text, encoding, out, loss_byte)) << "encoding " << encoding;
  return out;
}

std::string Byte(unsigned b) { return std::string(1, static_cast<char>(b)); }

// Runs bytes through iconv; false when iconv rejects them.
bool Iconv(const char* to, const char* from, std::string_view in, std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.assign(in.size() * 8 + 16, '\0');
  char* inp = const_cast<char*>(in.data());
  size_t in_left = in.size();
  char* outp = out.data();
  size_t out_left = out.size();
  bool ok = iconv(cd, &inp, &in_left, &outp, &out_left) != static_cast<size_t>(-1) &&
            iconv(cd, nullptr, nullptr, &outp, &out_left) != static_cast<size_t>(-1);
  iconv_close(cd);
  out.resize(out.size() - out_left);
  return ok;
}

std::u32string FromUtf32Le(const std::string& bytes) {
  std::u32string out;
  for (size_t k = 0; k + 4 <= bytes.size(); k += 4) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + k);
    out += static_cast<char32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<char32_t>(p[3]) << 24));
  }
  return out;
}

// ---------------------------------------------------------------------------------------
// Single-byte encodings

struct ByteCase {
  TextEncoding encoding;
  unsigned byte;
  char32_t code_point;
};

class SingleByteTest : public testing::TestWithParam<ByteCase> {};

TEST_P(SingleByteTest, DecodesAndEncodesTheByte) {
  const ByteCase& c = GetParam();
  EXPECT_EQ(Decode(Byte(c.byte), c.encoding), std::u32string(1, c.code_point));
  EXPECT_EQ(Encode(std::u32string(1, c.code_point), c.encoding), Byte(c.byte));
}

INSTANTIATE_TEST_SUITE_P(
    Tables, SingleByteTest,
    testing::Values(
        // Mac Roman, Apple's current table.
        ByteCase{platform::kMacRoman, 0x00, 0x0000}, ByteCase{platform::kMacRoman, 0x41, U'A'},
        ByteCase{platform::kMacRoman, 0x7F, 0x007F}, ByteCase{platform::kMacRoman, 0x80, 0x00C4},
        ByteCase{platform::kMacRoman, 0x8E, 0x00E9}, ByteCase{platform::kMacRoman, 0xA5, 0x2022},
        ByteCase{platform::kMacRoman, 0xBD, 0x03A9}, ByteCase{platform::kMacRoman, 0xC6, 0x2206},
        ByteCase{platform::kMacRoman, 0xCA, 0x00A0}, ByteCase{platform::kMacRoman, 0xDB, 0x20AC},
        ByteCase{platform::kMacRoman, 0xDE, 0xFB01}, ByteCase{platform::kMacRoman, 0xF0, 0xF8FF},
        ByteCase{platform::kMacRoman, 0xFF, 0x02C7},
        // Windows code page 1252, with the C1 controls for its five undefined bytes.
        ByteCase{platform::kWindowsLatin1, 0x80, 0x20AC}, ByteCase{platform::kWindowsLatin1, 0x81, 0x0081},
        ByteCase{platform::kWindowsLatin1, 0x8D, 0x008D}, ByteCase{platform::kWindowsLatin1, 0x8F, 0x008F},
        ByteCase{platform::kWindowsLatin1, 0x90, 0x0090}, ByteCase{platform::kWindowsLatin1, 0x9D, 0x009D},
        ByteCase{platform::kWindowsLatin1, 0x92, 0x2019}, ByteCase{platform::kWindowsLatin1, 0x9F, 0x0178},
        ByteCase{platform::kWindowsLatin1, 0xA0, 0x00A0}, ByteCase{platform::kWindowsLatin1, 0xE9, 0x00E9},
        ByteCase{platform::kWindowsLatin1, 0xFF, 0x00FF},
        // ISO 8859-1.
        ByteCase{platform::kISOLatin1, 0x80, 0x0080}, ByteCase{platform::kISOLatin1, 0xA4, 0x00A4},
        ByteCase{platform::kISOLatin1, 0xE9, 0x00E9}));

class SingleByteRoundTripTest : public testing::TestWithParam<TextEncoding> {};

TEST_P(SingleByteRoundTripTest, EveryByteDecodesToADistinctCharacterAndBack) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::u32string text = Decode(all, GetParam());
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(std::set<char32_t>(text.begin(), text.end()).size(), 256u);
  for (int b = 0; b < 0x80; ++b) EXPECT_EQ(text[b], static_cast<char32_t>(b));
  EXPECT_EQ(Encode(text, GetParam()), all);
}

INSTANTIATE_TEST_SUITE_P(Encodings, SingleByteRoundTripTest,
                         testing::Values(platform::kMacRoman, platform::kWindowsLatin1, platform::kISOLatin1));

TEST(MacRomanTest, AgreesWithIconvMacintoshExceptWhereAppleChangedItsTable) {
  for (unsigned b = 0x80; b < 0x100; ++b) {
    std::string utf32;
    ASSERT_TRUE(Iconv("UTF-32LE", "MACINTOSH", Byte(b), utf32));
    char32_t ours = Decode(Byte(b), platform::kMacRoman)[0];
    if (b == 0xC6) EXPECT_EQ(ours, 0x2206u);       // glibc: U+0394
    else if (b == 0xF0) EXPECT_EQ(ours, 0xF8FFu);  // glibc: U+E01E
    else EXPECT_EQ(ours, FromUtf32Le(utf32)[0]) << std::hex << b;
  }
}

TEST(Windows1252Test, AgreesWithIconvOnEveryDefinedByte) {
  for (unsigned b = 0x80; b < 0x100; ++b) {
    std::string utf32;
    if (!Iconv("UTF-32LE", "CP1252", Byte(b), utf32)) {
      EXPECT_TRUE(b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) << std::hex << b;
      continue;
    }
    EXPECT_EQ(Decode(Byte(b), platform::kWindowsLatin1)[0], FromUtf32Le(utf32)[0]) << std::hex << b;
  }
}

struct LossCase {
  TextEncoding encoding;
  std::u32string text;
  std::string with_loss;  // loss byte '?'
};

class LossTest : public testing::TestWithParam<LossCase> {};

TEST_P(LossTest, FailsWithoutALossByteAndPutsOneLossBytePerCharacterWithIt) {
  const LossCase& c = GetParam();
  std::string out = "stale";
  EXPECT_FALSE(EncodeText(c.text, c.encoding, out));
  EXPECT_EQ(out, "");
  EXPECT_EQ(Encode(c.text, c.encoding, '?'), c.with_loss);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, LossTest,
    testing::Values(
        LossCase{platform::kMacRoman, U"a\u00A4b\U0001F600c", "a?b?c"},  // currency sign, emoji
        LossCase{platform::kMacRoman, U"\u0394", "?"},                    // Greek Delta is not 0xC6
        LossCase{platform::kWindowsLatin1, U"x\u0080y\u0100", "x?y?"},    // C1 0x80 is not in cp1252
        LossCase{platform::kISOLatin1, U"\u20AC\u0100z", "??z"},
        LossCase{platform::kUTF8, std::u32string(U"a") + char32_t(0xD800) + char32_t(0x110000) + U"b", "a??b"},
        LossCase{platform::kMacJapanese, U"\u65E5\u00E9\U0001F600x", "\x93\xFA??x"},
        LossCase{platform::kISO2022JP, U"\u00E9", "?"}));

TEST(EncodingsTest, UnknownEncodingFails) {
  std::u32string text = U"stale";
  EXPECT_FALSE(DecodeText("abc", 0x0600, text));
  EXPECT_TRUE(text.empty());
  std::string out = "stale";
  EXPECT_FALSE(EncodeText(U"abc", 0x0600, out, ' '));
  EXPECT_TRUE(out.empty());
}

TEST(EncodingsTest, EmptyTextConvertsToEmptyText) {
  for (TextEncoding e : {platform::kMacRoman, platform::kMacJapanese, platform::kISOLatin1,
                         platform::kWindowsLatin1, platform::kISO2022JP, platform::kUTF8}) {
    EXPECT_EQ(Decode("", e), U"");
    EXPECT_EQ(Encode(U"", e), "");
  }
}

// ---------------------------------------------------------------------------------------
// UTF-8

struct Utf8Case {
  const char* name;
  std::string bytes;
  bool valid;
};

class Utf8Test : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Test, ValidityAgreesBetweenIsValidAndDecode) {
  const Utf8Case& c = GetParam();
  EXPECT_EQ(platform::IsValidUTF8(c.bytes), c.valid);
  std::u32string out;
  EXPECT_EQ(DecodeText(c.bytes, platform::kUTF8, out), c.valid);
  if (c.valid) {
    EXPECT_EQ(Encode(out, platform::kUTF8), c.bytes);
  } else {
    EXPECT_TRUE(out.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8Test,
    testing::Values(Utf8Case{"ascii", "plain text", true}, Utf8Case{"nul", std::string("a\0b", 3), true},
                    Utf8Case{"two", "\xC3\xA9", true}, Utf8Case{"three", "\xE2\x82\xAC", true},
                    Utf8Case{"four", "\xF0\x9F\x98\x80", true}, Utf8Case{"max", "\xF4\x8F\xBF\xBF", true},
                    Utf8Case{"lastBeforeSurrogates", "\xED\x9F\xBF", true},
                    Utf8Case{"firstAfterSurrogates", "\xEE\x80\x80", true},
                    Utf8Case{"bom", "\xEF\xBB\xBF", true},
                    Utf8Case{"overlong2", "\xC0\x80", false}, Utf8Case{"overlong2b", "\xC1\xBF", false},
                    Utf8Case{"overlong3", "\xE0\x80\xAF", false}, Utf8Case{"overlong4", "\xF0\x8F\xBF\xBF", false},
                    Utf8Case{"surrogateHigh", "\xED\xA0\x80", false}, Utf8Case{"surrogateLow", "\xED\xBF\xBF", false},
                    Utf8Case{"aboveMax", "\xF4\x90\x80\x80", false}, Utf8Case{"f5", "\xF5\x80\x80\x80", false},
                    Utf8Case{"ff", "\xFF", false}, Utf8Case{"loneContinuation", "a\x80", false},
                    Utf8Case{"truncated", "\xE2\x82", false}, Utf8Case{"truncatedAtEnd", "ok\xF0\x9F\x98", false},
                    Utf8Case{"badContinuation", "\xC3\x28", false}, Utf8Case{"latin1", "caf\xE9", false}),
    [](const testing::TestParamInfo<Utf8Case>& info) { return info.param.name; });

TEST(Utf8Test, AppendUTF8ReplacesValuesThatAreNotCharacters) {
  std::string out;
  platform::AppendUTF8(U'\u00E9', out);
  platform::AppendUTF8(0xD800, out);
  platform::AppendUTF8(0x10FFFF, out);
  EXPECT_EQ(out, "\xC3\xA9\xEF\xBF\xBD\xF4\x8F\xBF\xBF");
}

TEST(FileNameTest, KeepsUtf8NamesAndReadsOthersAsMacRoman) {
  EXPECT_EQ(platform::FileNameToUTF8("In"), "In");
  EXPECT_EQ(platform::FileNameToUTF8("Caf\xC3\xA9"), "Caf\xC3\xA9");
  EXPECT_EQ(platform::FileNameToUTF8("Caf\x8E"), "Caf\xC3\xA9");
  EXPECT_EQ(platform::FileNameToUTF8("\xDB 5"), "\xE2\x82\xAC 5");
  EXPECT_EQ(platform::FileNameToUTF8(""), "");
}

// ---------------------------------------------------------------------------------------
// Mac Japanese

struct JapaneseCase {
  const char* name;
  std::string bytes;
  std::u32string text;
};

class MacJapaneseTest : public testing::TestWithParam<JapaneseCase> {};

TEST_P(MacJapaneseTest, Decodes) { EXPECT_EQ(Decode(GetParam().bytes, platform::kMacJapanese), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Cases, MacJapaneseTest,
    testing::Values(JapaneseCase{"ascii", "abc\\~", U"abc\\~"},
                    JapaneseCase{"kanji", "\x93\xFA\x96\x7B\x8C\xEA", U"\u65E5\u672C\u8A9E"},
                    JapaneseCase{"waveDash", "10\x81\x60" "12", U"10\u301C12"},
                    JapaneseCase{"jisVariants", "\x81\x61\x81\x7C\x81\x91\x81\x92\x81\xCA",
                                 U"\u2016\u2212\u00A2\u00A3\u00AC"},
                    JapaneseCase{"halfWidthKana", "\xB1\xDE", U"\uFF71\uFF9E"},
                    JapaneseCase{"necRow13", "\x87\x40\x87\x54", U"\u2460\u2160"},
                    JapaneseCase{"necSelectedIbm", "\xED\x40", U"\u7E8A"},
                    JapaneseCase{"ibm", "\xFA\x40", U"\u2170"},
                    JapaneseCase{"appleSingleBytes", "\x80\xA0\xFD\xFE\xFF", U"\\\u00A0\u00A9\u2122\u2026"}),
    [](const testing::TestParamInfo<JapaneseCase>& info) { return info.param.name; });

TEST(MacJapaneseTest, RejectsBrokenDoubleByteCodes) {
  for (std::string bad : {std::string("\x93"), std::string("ab\x93"), std::string("\x93\x20"),
                          std::string("\x81\x7F"), std::string("\x85\x40")}) {
    std::u32string out;
    EXPECT_FALSE(DecodeText(bad, platform::kMacJapanese, out)) << testing::PrintToString(bad);
  }
}

TEST(MacJapaneseTest, EncodesBothTheJisAndTheMicrosoftFormsOfTheVariantCharacters) {
  EXPECT_EQ(Encode(U"\u301C\uFF5E\u2016\u2225\u2212\uFF0D", platform::kMacJapanese),
            "\x81\x60\x81\x60\x81\x61\x81\x61\x81\x7C\x81\x7C");
  EXPECT_EQ(Encode(U"\u00A5\u00A9\u2122\u00A0\uFF71", platform::kMacJapanese), "\x5C\xFD\xFE\xA0\xB1");
}

TEST(MacJapaneseTest, EveryDoubleByteCharacterRoundTrips) {
  int count = 0;
  for (unsigned s1 = 0x81; s1 <= 0xFC; ++s1) {
    if (s1 >= 0xA0 && s1 <= 0xDF) continue;  // single bytes
    for (unsigned s2 = 0x40; s2 <= 0xFC; ++s2) {
      std::string bytes = Byte(s1) + Byte(s2);
      std::u32string text;
      if (!DecodeText(bytes, platform::kMacJapanese, text)) continue;
      ++count;
      ASSERT_EQ(text.size(), 1u);
      std::string back;
      ASSERT_TRUE(EncodeText(text, platform::kMacJapanese, back)) << std::hex << s1 << s2;
      std::u32string again;
      ASSERT_TRUE(DecodeText(back, platform::kMacJapanese, again));
      EXPECT_EQ(again, text) << std::hex << s1 << " " << s2;
    }
  }
  EXPECT_GT(count, 7000);
}

// ---------------------------------------------------------------------------------------
// ISO-2022-JP

constexpr char kEscKanji[] = "\x1B$B";
constexpr char kEscAscii[] = "\x1B(B";

TEST(Iso2022JpTest, DecodesTheDesignations) {
  EXPECT_EQ(Decode("abc", platform::kISO2022JP), U"abc");
  EXPECT_EQ(Decode(std::string(kEscKanji) + "F|K\\" + kEscAscii + "x", platform::kISO2022JP), U"\u65E5\u672Cx");
  EXPECT_EQ(Decode("\x1B$@F|\x1B(J\\~\x1B(B\\", platform::kISO2022JP), U"\u65E5\u00A5\u203E\\");
  EXPECT_EQ(Decode("\x1B&@\x1B$BF|\x1B(B", platform::kISO2022JP), U"\u65E5");
  EXPECT_EQ(Decode("\x1B(I1^\x1B(B", platform::kISO2022JP), U"\uFF71\uFF9E");
  EXPECT_EQ(Decode("\x1B$B-!\x1B(B", platform::kISO2022JP), U"\u2460");  // NEC row 13
  EXPECT_EQ(Decode("\x1B$B!A\x1B(B", platform::kISO2022JP), U"\u301C");  // wave dash
  // Line ends inside two-byte mode stand for themselves.
  EXPECT_EQ(Decode("\x1B$BF|\r\nF|\x1B(B", platform::kISO2022JP), U"\u65E5\r\n\u65E5");
}

TEST(Iso2022JpTest, RejectsBrokenInput) {
  for (std::string bad : {std::string("caf\xE9"), std::string("\x1B$BF"), std::string("\x1B$BF|F\x1B(B"),
                          std::string("\x1B$B)!\x1B(B"),  // row 9: unassigned
                          std::string("\x1B("), std::string("\x1B(Iz\x1B(B")}) {
    std::u32string out;
    EXPECT_FALSE(DecodeText(bad, platform::kISO2022JP, out)) << testing::PrintToString(bad);
  }
}

TEST(Iso2022JpTest, OtherDesignationsGoToIso2022Jp2) {
  // ESC . A designates ISO 8859-1's upper half to G2; ESC N is a single shift into it.
  std::u32string out;
  ASSERT_TRUE(DecodeText("caf\x1B.A\x1BNi", platform::kISO2022JP, out));
  EXPECT_EQ(out, U"caf\u00E9");
}

TEST(Iso2022JpTest, AgreesWithIconvOnEveryJisX0208Character) {
  int count = 0;
  for (unsigned j1 = 0x21; j1 <= 0x7E; ++j1) {
    for (unsigned j2 = 0x21; j2 <= 0x7E; ++j2) {
      const std::string pair = Byte(j1) + Byte(j2);
      const std::string bytes = std::string(kEscKanji) + pair + kEscAscii;
      std::string utf32;
      if (!Iconv("UTF-32LE", "ISO-2022-JP", bytes, utf32)) continue;
      ++count;
      std::u32string text = FromUtf32Le(utf32);
      EXPECT_EQ(Decode(bytes, platform::kISO2022JP), text) << std::hex << j1 << " " << j2;
      EXPECT_EQ(Encode(text, platform::kISO2022JP), bytes) << std::hex << j1 << " " << j2;
      std::string sjis;
      ASSERT_TRUE(EncodeText(text, platform::kMacJapanese, sjis)) << std::hex << j1 << " " << j2;
    }
  }
  EXPECT_GT(count, 6800);
}

TEST(Iso2022JpTest, EncodesWithEscapesAndEndsInAscii) {
  EXPECT_EQ(Encode(U"abc", platform::kISO2022JP), "abc");
  EXPECT_EQ(Encode(U"\u65E5\u672C", platform::kISO2022JP), std::string(kEscKanji) + "F|K\\" + kEscAscii);
  EXPECT_EQ(Encode(U"a\u65E5\nb", platform::kISO2022JP), std::string("a") + kEscKanji + "F|" + kEscAscii + "\nb");
  EXPECT_EQ(Encode(U"\u00A5", platform::kISO2022JP), "\x1B(J\\\x1B(B");
  // Microsoft forms and NEC additions.
  EXPECT_EQ(Encode(U"\uFF5E\u2460", platform::kISO2022JP), std::string(kEscKanji) + "!A-!" + kEscAscii);
  // Half-width katakana become full-width ones, sound marks joined where possible.
  EXPECT_EQ(Encode(U"\uFF76\uFF9E\uFF8A\uFF9F\uFF73\uFF9E\uFF71\uFF9E\uFF70", platform::kISO2022JP),
            std::string(kEscKanji) + "%,%Q%t%\"!+!<" + kEscAscii);
  // The escape character itself cannot be written.
  std::string out;
  EXPECT_FALSE(EncodeText(U"\x1B", platform::kISO2022JP, out));
}

TEST(Iso2022JpTest, LossBytesStandInAsciiBetweenValidEscapes) {
  std::string out = Encode(U"\u65E5\u00E9\U0001F600\u672C\u00E9", platform::kISO2022JP, ' ');
  EXPECT_EQ(out, std::string(kEscKanji) + "F|" + kEscAscii + "  " + kEscKanji + "K\\" + kEscAscii + " ");
  std::u32string back;
  ASSERT_TRUE(DecodeText(out, platform::kISO2022JP, back));
  EXPECT_EQ(back, U"\u65E5  \u672C ");
  std::string utf32;
  EXPECT_TRUE(Iconv("UTF-32LE", "ISO-2022-JP", out, utf32));
  EXPECT_EQ(FromUtf32Le(utf32), back);
}

TEST(Iso2022JpTest, MacJapaneseTextSurvivesTheTripThroughIso2022Jp) {
  // Every Mac Japanese character in rows 1-94 (standard rows and the NEC additions).
  std::u32string all;
  for (unsigned s1 = 0x81; s1 <= 0xEF; ++s1) {
    if (s1 >= 0xA0 && s1 <= 0xDF) continue;  // single bytes
    for (unsigned s2 = 0x40; s2 <= 0xFC; ++s2) {
      std::u32string c;
      if (DecodeText(Byte(s1) + Byte(s2), platform::kMacJapanese, c)) all += c;
    }
  }
  std::string jis = Encode(all, platform::kISO2022JP);
  EXPECT_EQ(Decode(jis, platform::kISO2022JP), all);
}

}  // namespace
