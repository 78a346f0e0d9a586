#include "text/recode.h"

#include <gtest/gtest.h>

namespace {

using platform::TextEncoding;

struct RecodeCase {
  const char* name;
  std::string input;
  TextEncoding from;
  TextEncoding to;
  std::string output;
  bool changed;
};

class RecodeStringTest : public testing::TestWithParam<RecodeCase> {};

TEST_P(RecodeStringTest, Recodes) {
  const RecodeCase& c = GetParam();
  std::string text = c.input;
  EXPECT_EQ(text::RecodeString(text, c.from, c.to), c.changed);
  EXPECT_EQ(text, c.output);
}

const std::string kNichi = "\x93\xFA";  // 日 in Mac Japanese
const std::string kNichiJis = "\x1B$BF|\x1B(B";

INSTANTIATE_TEST_SUITE_P(
    Cases, RecodeStringTest,
    testing::Values(
        RecodeCase{"AsciiUnchanged", "plain text\r", platform::kMacRoman, platform::kISOLatin1, "plain text\r", false},
        RecodeCase{"EmptyUnchanged", "", platform::kMacRoman, platform::kUTF8, "", false},
        RecodeCase{"MacRomanEAcute", "caf\x8E", platform::kMacRoman, platform::kISOLatin1, "caf\xE9", true},
        RecodeCase{"MacRomanBulletBecomesBlank", "a\xA5" "b\x8E", platform::kMacRoman, platform::kISOLatin1,
                   "a b\xE9", true},
        RecodeCase{"MacRomanEuroToLatin1", "\xDB", platform::kMacRoman, platform::kISOLatin1, " ", true},
        RecodeCase{"MacRomanToUtf8", "\xDB\xF0", platform::kMacRoman, platform::kUTF8, "\xE2\x82\xAC\xEF\xA3\xBF",
                   true},
        RecodeCase{"WindowsToLatin1", "\x93quoted\x94 caf\xE9", platform::kWindowsLatin1, platform::kISOLatin1,
                   " quoted  caf\xE9", true},
        RecodeCase{"WindowsLatin1SameBytes", "caf\xE9", platform::kWindowsLatin1, platform::kISOLatin1, "caf\xE9",
                   false},
        RecodeCase{"WindowsUndefinedByteToUtf8", "\x81", platform::kWindowsLatin1, platform::kUTF8, "\xC2\x81",
                   true},
        RecodeCase{"InvalidUtf8ReadAsMacRoman", "caf\x8E", platform::kUTF8, platform::kISOLatin1, "caf\xE9", true},
        RecodeCase{"ValidUtf8", "caf\xC3\xA9", platform::kUTF8, platform::kISOLatin1, "caf\xE9", true},
        RecodeCase{"StopsAtZeroByte", std::string("caf\x8E\0tail", 9), platform::kMacRoman, platform::kISOLatin1,
                   "caf\xE9", true},
        RecodeCase{"ZeroByteOnlyCutsIsAChange", std::string("ab\0cd", 5), platform::kMacRoman, platform::kISOLatin1,
                   "ab", true},
        RecodeCase{"MacJapaneseToIso2022Jp", "x" + kNichi + "y", platform::kMacJapanese, platform::kISO2022JP,
                   "x" + kNichiJis + "y", true},
        RecodeCase{"MacJapaneseWaveDashToIso2022Jp", "\x81\x60", platform::kMacJapanese, platform::kISO2022JP,
                   "\x1B$B!A\x1B(B", true},
        RecodeCase{"MacJapaneseToUtf8", kNichi + "\x81\x60", platform::kMacJapanese, platform::kUTF8,
                   "\xE6\x97\xA5\xE3\x80\x9C", true},
        RecodeCase{"BrokenMacJapaneseReadAsMacRoman", "\x93", platform::kMacJapanese, platform::kUTF8,
                   "\xC3\xAC", true},
        RecodeCase{"Iso2022JpToMacJapanese", "x" + kNichiJis, platform::kISO2022JP, platform::kMacJapanese,
                   "x" + kNichi, true},
        RecodeCase{"Utf8ToIso2022JpWithLoss", "\xE6\x97\xA5\xC3\xA9", platform::kUTF8, platform::kISO2022JP,
                   kNichiJis + " ", true},
        RecodeCase{"AsciiMacJapaneseToUtf8", "C:\\dir~", platform::kMacJapanese, platform::kUTF8, "C:\\dir~",
                   false},
        RecodeCase{"AsciiToIso2022JpUnchanged", "plain", platform::kMacRoman, platform::kISO2022JP, "plain", false},
        RecodeCase{"EscapeToIso2022JpBecomesBlank", "a\x1B", platform::kMacRoman, platform::kISO2022JP, "a ", true},
        RecodeCase{"AsciiIso2022JpToMacRoman", "plain", platform::kISO2022JP, platform::kMacRoman, "plain", false},
        RecodeCase{"UnknownSourceReadAsMacRoman", "\x8E", 0x0600, platform::kUTF8, "\xC3\xA9", true},
        RecodeCase{"UnknownTargetLeavesTextAlone", "\x8E", platform::kMacRoman, 0x0600, "\x8E", false}),
    [](const testing::TestParamInfo<RecodeCase>& info) { return info.param.name; });

TEST(MakeUTF8Test, RecodesACopy) {
  const std::string euro = "\x80";
  EXPECT_EQ(text::MakeUTF8(euro, platform::kWindowsLatin1), "\xE2\x82\xAC");
  EXPECT_EQ(euro, "\x80");
  EXPECT_EQ(text::MakeUTF8("caf\x8E", platform::kMacRoman), "caf\xC3\xA9");
  EXPECT_EQ(text::MakeUTF8("caf\xC3\xA9", platform::kUTF8), "caf\xC3\xA9");
  EXPECT_EQ(text::MakeUTF8("", platform::kMacRoman), "");
}

}  // namespace
