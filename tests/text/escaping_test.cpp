#include "text/escaping.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct UnescapeCase {
  const char* name;
  std::string input;
  std::string output;
};

class UnescapeStringTest : public testing::TestWithParam<UnescapeCase> {};

TEST_P(UnescapeStringTest, Unescapes) {
  std::string text = GetParam().input;
  text::UnescapeString(text);
  EXPECT_EQ(text, GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnescapeStringTest,
    testing::Values(UnescapeCase{"Blank", "a%20b", "a b"}, UnescapeCase{"Plain", "plain", "plain"},
                    UnescapeCase{"Empty", "", ""}, UnescapeCase{"Percent", "100%25", "100%"},
                    UnescapeCase{"LowerCaseHex", "%c3%a9", "\xC3\xA9"},
                    UnescapeCase{"Utf8Escape", "caf%C3%A9", "caf\xC3\xA9"},
                    UnescapeCase{"ThreeByteEscape", "%E2%82%AC", "\xE2\x82\xAC"},
                    UnescapeCase{"UnescapedHighByteAsLatin1", "caf\xE9", "caf\xC3\xA9"},
                    UnescapeCase{"BothKinds", "\xE9%C3%A9", "\xC3\xA9\xC3\xA9"},
                    UnescapeCase{"LonePercentAtEnd", "50%", "50%"},
                    UnescapeCase{"LonePercentAtEndKeepsHighBytes", "\xE9%", "\xE9%"},
                    UnescapeCase{"OneDigit", "%2", "%2"}, UnescapeCase{"NotHex", "%zz%20", "%zz%20"},
                    UnescapeCase{"DoublePercent", "%%20", "%%20"},
                    UnescapeCase{"InvalidUtf8Escape", "caf%E9", "caf%E9"},
                    UnescapeCase{"SplitUtf8Escape", "%C3x%A9", "%C3x%A9"},
                    UnescapeCase{"TruncatedUtf8Escape", "%E2%82", "%E2%82"},
                    UnescapeCase{"OverlongEscape", "%C0%AF", "%C0%AF"},
                    UnescapeCase{"EscapedZeroEndsText", "ab%00cd", "ab"},
                    UnescapeCase{"StopsAtZeroByte", std::string("a%20\0%zz", 8), "a "}),
    [](const testing::TestParamInfo<UnescapeCase>& info) { return info.param.name; });

struct XmlCase {
  const char* name;
  std::string input;
  std::string output;
};

class CleanUpXMLStringTest : public testing::TestWithParam<XmlCase> {};

TEST_P(CleanUpXMLStringTest, Escapes) { EXPECT_EQ(text::CleanUpXMLString(GetParam().input), GetParam().output); }

INSTANTIATE_TEST_SUITE_P(
    Cases, CleanUpXMLStringTest,
    testing::Values(XmlCase{"Plain", "plain \x01\xE9", "plain \x01\xE9"}, XmlCase{"Empty", "", ""},
                    XmlCase{"Mixed", "a<b & \"c\"", "a&lt;b &amp; &quot;c&quot;"},
                    XmlCase{"AllFive", "&<>\"'", "&amp;&lt;&gt;&quot;&apos;"},
                    XmlCase{"EntityEscapedAgain", "&amp;", "&amp;amp;"},
                    XmlCase{"ZeroBytePasses", std::string("<\0>", 3), std::string("&lt;\0&gt;", 9)}),
    [](const testing::TestParamInfo<XmlCase>& info) { return info.param.name; });

// The five escaping passes, done literally one after the other.
std::string FivePasses(std::string text) {
  const std::pair<std::string, std::string> passes[] = {
      {"&", "&amp;"}, {"<", "&lt;"}, {">", "&gt;"}, {"\"", "&quot;"}, {"'", "&apos;"}};
  for (const auto& [from, to] : passes) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
      text.replace(at, from.size(), to);
  }
  return text;
}

TEST(CleanUpXMLStringTest, AgreesWithTheFivePasses) {
  std::mt19937 random(7);
  const char alphabet[] = "&<>\"'a;\xE9";
  for (int round = 0; round < 2000; ++round) {
    std::string input;
    for (size_t i = random() % 20; i > 0; --i) input += alphabet[random() % 8];
    EXPECT_EQ(text::CleanUpXMLString(input), FivePasses(input)) << testing::PrintToString(input);
  }
}

TEST(CleanUpXMLStringTest, LargeInputIsFast) {
  std::string input(4 * 1024 * 1024, '&');
  EXPECT_EQ(text::CleanUpXMLString(input).size(), input.size() * 5);
}

}  // namespace
