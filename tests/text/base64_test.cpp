#include "text/base64.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct Base64Case {
  const char* name;
  std::string bytes;
  std::string encoded;
};

class Base64RoundTripTest : public testing::TestWithParam<Base64Case> {};

TEST_P(Base64RoundTripTest, EncodesAndDecodes) {
  EXPECT_EQ(Base64::encode(GetParam().bytes), GetParam().encoded);
  EXPECT_EQ(Base64::decode(GetParam().encoded), GetParam().bytes);
}

// RFC 4648's test vectors and a few with every bit pattern.
INSTANTIATE_TEST_SUITE_P(
    Vectors, Base64RoundTripTest,
    testing::Values(Base64Case{"Empty", "", ""}, Base64Case{"f", "f", "Zg=="}, Base64Case{"fo", "fo", "Zm8="},
                    Base64Case{"foo", "foo", "Zm9v"}, Base64Case{"foob", "foob", "Zm9vYg=="},
                    Base64Case{"fooba", "fooba", "Zm9vYmE="}, Base64Case{"foobar", "foobar", "Zm9vYmFy"},
                    Base64Case{"HighBytes", "\xFF\xFE\xFD", "//79"},
                    Base64Case{"Zeros", std::string("\0\0\0\0", 4), "AAAAAA=="},
                    Base64Case{"Mixed", "\xFB\xEF\xBE", "++++"}),
    [](const testing::TestParamInfo<Base64Case>& info) { return info.param.name; });

TEST(Base64Test, EncodingIsAMultipleOfFourWithoutLineBreaks) {
  std::mt19937 random(3);
  for (size_t length : {1u, 2u, 3u, 57u, 58u, 1000u, 5000u}) {
    std::string bytes;
    for (size_t i = 0; i < length; ++i) bytes += static_cast<char>(random());
    std::string encoded = Base64::encode(bytes);
    EXPECT_EQ(encoded.size() % 4, 0u);
    EXPECT_EQ(encoded.size(), (length + 2) / 3 * 4);
    EXPECT_EQ(encoded.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(Base64::decode(encoded), bytes);
  }
}

struct DecodeCase {
  const char* name;
  std::string input;
  std::string output;
};

class Base64DecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(Base64DecodeTest, Decodes) { EXPECT_EQ(Base64::decode(GetParam().input), GetParam().output); }

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, Base64DecodeTest,
    testing::Values(
        // Unpadded last groups of three and two characters give two and one bytes.
        DecodeCase{"LastGroupOfThree", "Zm9vYmE", "fooba"}, DecodeCase{"LastGroupOfTwo", "Zm9vYg", "foob"},
        // One character: the past-the-end zero byte counts as 255, setting the low two bits.
        DecodeCase{"LastGroupOfOne", "Zm9vY", "foo\x63"}, DecodeCase{"OneCharacter", "A", "\x03"},
        // "=" third or fourth stops decoding, even with more text after it.
        DecodeCase{"StopsAtThirdEquals", "Zg==Zm9v", "f"}, DecodeCase{"StopsAtFourthEquals", "Zm8=Zm9v", "fo"},
        // "=" first or second counts as a character outside the alphabet.
        DecodeCase{"EqualsFirst", "=AAA", std::string("\xFC\x00\x00", 3)}, DecodeCase{"EqualsSecond", "A=AA", std::string("\x03\xF0\x00", 3)},
        // Characters outside the alphabet are not skipped.
        DecodeCase{"Blank", "Zm9v Zm9v", "foo\xFD\x99\xBD\xBF"},
        DecodeCase{"AllOutside", "****", "\xFF\xFF\xFF"}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return info.param.name; });

TEST(Base64Test, LineBreakAfter76CharactersShiftsTheFollowingGroups) {
  std::string bytes(114, 'x');  // 152 characters: two lines of 76
  std::string encoded = Base64::encode(bytes);
  std::string wrapped = encoded.substr(0, 76) + "\r\n" + encoded.substr(76);
  std::string decoded = Base64::decode(wrapped);
  EXPECT_EQ(decoded.substr(0, 57), bytes.substr(0, 57));
  EXPECT_NE(decoded.substr(57), bytes.substr(57));
  // CR LF and the two characters after them form a group of their own.
  EXPECT_EQ(static_cast<unsigned char>(decoded[57]), 0xFFu);
}

TEST(Base64Test, NeverFailsOnAnyInput) {
  std::mt19937 random(11);
  for (int round = 0; round < 2000; ++round) {
    std::string input;
    for (size_t i = random() % 16; i > 0; --i) input += static_cast<char>(random());
    std::string out = Base64::decode(input);
    EXPECT_LE(out.size(), (input.size() + 3) / 4 * 3);
  }
}

}  // namespace
