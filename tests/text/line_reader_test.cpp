#include "text/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

// A stream whose reads hand out at most `chunk` bytes, so that every line crosses refills.
class ChunkedStream final : public platform::ByteStream {
 public:
  ChunkedStream(std::string_view bytes, size_t chunk) : bytes_(bytes), chunk_(chunk) {}
  uint64_t SourceSize() const override { return bytes_.size(); }

 protected:
  long ReadAt(uint64_t position, char* buf, size_t n) override {
    if (position >= bytes_.size()) return 0;
    size_t take = std::min<uint64_t>({n, chunk_, bytes_.size() - position});
    std::memcpy(buf, bytes_.data() + position, take);
    return static_cast<long>(take);
  }

 private:
  std::string_view bytes_;
  size_t chunk_;
};

enum class StreamKind { kMemory, kOneByte, kThreeBytes };

std::unique_ptr<platform::ByteStream> MakeStream(StreamKind kind, std::string_view bytes) {
  switch (kind) {
    case StreamKind::kMemory: return std::make_unique<platform::MemoryStream>(bytes);
    case StreamKind::kOneByte: return std::make_unique<ChunkedStream>(bytes, 1);
    case StreamKind::kThreeBytes: return std::make_unique<ChunkedStream>(bytes, 3);
  }
  return nullptr;
}

struct Step {
  std::string line;
  char delimiter;
  bool crlf;
  bool operator==(const Step&) const = default;
};

void PrintTo(const Step& s, std::ostream* os) {
  *os << testing::PrintToString(s.line) << (s.delimiter == '\r' ? " CR" : " LF") << (s.crlf ? " crlf" : "");
}

// Reads every line as the callers do: SmartGetLine, then a step over the LF of a CR LF pair.
std::vector<Step> ReadAll(platform::ByteStream& in, char delimiter, bool crlf, bool fixed) {
  std::vector<Step> steps;
  std::string line = "stale";
  while (text::SmartGetLine(in, line, delimiter, crlf, fixed)) {
    steps.push_back({line, delimiter, crlf});
    if (crlf && in.Peek() == '\n') in.Get();
    line = "stale";
  }
  EXPECT_EQ(line, "");
  return steps;
}

// The line-reading rules written out naively, over a string, as a reference.
std::vector<Step> ReadAllReference(const std::string& data, char delimiter, bool crlf, bool fixed) {
  size_t pos = 0;
  auto read_until = [&](char d, std::string& out) {
    if (pos >= data.size()) return false;
    size_t end = data.find(d, pos);
    if (end == std::string::npos) end = data.size();
    out += data.substr(pos, end - pos);
    pos = std::min(end + 1, data.size());
    return true;
  };
  std::vector<Step> steps;
  for (;;) {
    std::string line;
    const size_t start = pos;
    if (!read_until(delimiter, line)) break;
    if (!fixed) {
      if ((delimiter == '\r' && line.find('\n') != std::string::npos) ||
          (delimiter == '\n' && line.find('\r') != std::string::npos)) {
        delimiter = delimiter == '\r' ? '\n' : '\r';
        pos = start;
        line.clear();
        read_until(delimiter, line);
      }
      crlf = delimiter == '\r' && pos < data.size() && data[pos] == '\n';
    } else if (crlf && pos < data.size()) {
      while (pos < data.size() && data[pos] != '\n') read_until(delimiter, line);
    }
    steps.push_back({line, delimiter, crlf});
    if (crlf && pos < data.size() && data[pos] == '\n') ++pos;
  }
  return steps;
}

struct LineCase {
  const char* name;
  std::string input;
  char delimiter;
  bool crlf;
  bool fixed;
  std::vector<Step> expected;
};

constexpr char CR = '\r';
constexpr char LF = '\n';

const LineCase kLineCases[] = {
    {"LfFileReadUnderCr", "abc\ndef\n", CR, false, false, {{"abc", LF, false}, {"def", LF, false}}},
    {"CrLfFileReadUnderLf", "abc\r\ndef\r\n", LF, false, false, {{"abc", CR, true}, {"def", CR, true}}},
    {"MacFile", "abc\rdef\r", CR, false, false, {{"abc", CR, false}, {"def", CR, false}}},
    {"FixedStrayCrJoined", "ab\rcd\r\nef", CR, true, true, {{"abcd", CR, true}, {"ef", CR, true}}},
    {"FixedStrayCrAtEnd", "ab\rcd", CR, true, true, {{"abcd", CR, true}}},
    {"FixedStrayCrBeforeCrLf", "ab\r\r\nx", CR, true, true, {{"ab", CR, true}, {"x", CR, true}}},
    {"FixedWithoutFlagKeepsPieces", "ab\rcd\r\nef", CR, false, true,
     {{"ab", CR, false}, {"cd", CR, false}, {"\nef", CR, false}}},
    {"FixedLfNeverSwitches", "a\rb\nc", LF, false, true, {{"a\rb", LF, false}, {"c", LF, false}}},
    {"LastLineWithoutDelimiter", "abc\rdef", CR, false, false, {{"abc", CR, false}, {"def", CR, false}}},
    {"EmptyLines", "\r\ra\r", CR, false, false, {{"", CR, false}, {"", CR, false}, {"a", CR, false}}},
    {"EmptyLinesLf", "\n\n", LF, false, false, {{"", LF, false}, {"", LF, false}}},
    {"EmptyInput", "", CR, false, false, {}},
    {"SingleDelimiter", "\r", CR, false, false, {{"", CR, false}}},
    {"MixedEnds", "a\nb\rc\r\nd", CR, false, false,
     {{"a", LF, false}, {"b", CR, false}, {"c", CR, true}, {"d", CR, false}}},
    {"LoneLfAfterCrLfFile", "a\r\n\nb", CR, false, false, {{"a", CR, true}, {"", LF, false}, {"b", LF, false}}},
    {"CrLfLastLineWithoutDelimiterClearsFlag", "a\r\nb", CR, false, false, {{"a", CR, true}, {"b", CR, false}}},
    {"FixedCrLfEmptyLines", "\r\n\r\n", CR, true, true, {{"", CR, true}, {"", CR, true}}},
};

class SmartGetLineTest : public testing::TestWithParam<std::tuple<LineCase, StreamKind>> {};

TEST_P(SmartGetLineTest, ReadsTheLines) {
  const auto& [c, kind] = GetParam();
  auto in = MakeStream(kind, c.input);
  EXPECT_EQ(ReadAll(*in, c.delimiter, c.crlf, c.fixed), c.expected);
  EXPECT_EQ(ReadAllReference(c.input, c.delimiter, c.crlf, c.fixed), c.expected);
}

using LineParam = std::tuple<LineCase, StreamKind>;

std::string LineCaseName(const testing::TestParamInfo<LineParam>& info) {
  static const char* kinds[] = {"Memory", "OneByte", "ThreeBytes"};
  return std::string(std::get<0>(info.param).name) + "_" + kinds[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(EdgeCases, SmartGetLineTest,
                         testing::Combine(testing::ValuesIn(kLineCases),
                                          testing::Values(StreamKind::kMemory, StreamKind::kOneByte,
                                                          StreamKind::kThreeBytes)),
                         LineCaseName);

TEST(SmartGetLineTest, FirstCallSwitchesAndLeavesTheRestForLaterCalls) {
  // An LF file read with CR as the first delimiter, step by step, with the stream position checked.
  platform::MemoryStream in("abc\ndef\n");
  std::string line;
  char delimiter = CR;
  bool crlf = true;
  ASSERT_TRUE(text::SmartGetLine(in, line, delimiter, crlf, false));
  EXPECT_EQ(line, "abc");
  EXPECT_EQ(delimiter, LF);
  EXPECT_FALSE(crlf);
  EXPECT_EQ(in.Tell(), 4u);
  ASSERT_TRUE(text::SmartGetLine(in, line, delimiter, crlf, false));
  EXPECT_EQ(line, "def");
  EXPECT_FALSE(text::SmartGetLine(in, line, delimiter, crlf, false));
  EXPECT_EQ(line, "");
}

TEST(SmartGetLineTest, CrLfFlagLeavesTheLfForTheCaller) {
  platform::MemoryStream in("abc\r\ndef\r\n");
  std::string line;
  char delimiter = LF;
  bool crlf = false;
  ASSERT_TRUE(text::SmartGetLine(in, line, delimiter, crlf, false));
  EXPECT_EQ(line, "abc");
  EXPECT_EQ(delimiter, CR);
  EXPECT_TRUE(crlf);
  EXPECT_EQ(in.Peek(), LF);
}

// Lines longer than the reader's piece size, with the switching byte early, late or absent.
TEST(SmartGetLineTest, LongLinesSwitchAtTheRightPlace) {
  for (StreamKind kind : {StreamKind::kMemory, StreamKind::kThreeBytes}) {
    for (size_t length : {size_t{16 * 1024 - 1}, size_t{16 * 1024}, size_t{16 * 1024 + 1}, size_t{100000}}) {
      std::string long_line(length, 'x');
      const std::string inputs[] = {
          long_line + "\n" + long_line + "\r" + "tail",  // LF file with a CR later
          long_line + "\r\n" + long_line,                 // CR LF file
          long_line + "\r" + long_line + "\n",            // CR first
          "a\n" + long_line + "\n",                       // LF early
          long_line,                                      // no delimiter at all
      };
      for (const std::string& input : inputs) {
        for (char delimiter : {CR, LF}) {
          auto in = MakeStream(kind, input);
          EXPECT_EQ(ReadAll(*in, delimiter, false, false), ReadAllReference(input, delimiter, false, false))
              << "length " << length << " delimiter " << int(delimiter);
        }
      }
    }
  }
}

// Random inputs over a, CR and LF against the word-for-word reference, in every mode.
TEST(SmartGetLineTest, AgreesWithTheReferenceOnRandomInput) {
  std::mt19937 random(20240601);
  const char alphabet[] = {'a', 'b', CR, LF};
  for (int round = 0; round < 3000; ++round) {
    std::string input;
    const size_t length = random() % 24;
    for (size_t i = 0; i < length; ++i) input += alphabet[random() % 4];
    for (char delimiter : {CR, LF}) {
      for (bool crlf : {false, true}) {
        for (bool fixed : {false, true}) {
          const auto expected = ReadAllReference(input, delimiter, crlf, fixed);
          for (StreamKind kind : {StreamKind::kMemory, StreamKind::kOneByte}) {
            auto in = MakeStream(kind, input);
            ASSERT_EQ(ReadAll(*in, delimiter, crlf, fixed), expected)
                << testing::PrintToString(input) << " delimiter " << int(delimiter) << " crlf " << crlf
                << " fixed " << fixed;
          }
        }
      }
    }
  }
}

}  // namespace
