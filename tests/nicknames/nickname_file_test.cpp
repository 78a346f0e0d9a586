#include "nicknames/nickname_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace nicknames {
namespace {

// Records what the driver hands over, one text per entry.
class Recorder final : public NicknameTarget {
 public:
  void AddPerson(const NicknameEntry& e) override {
    events.push_back("person " + e.nickname + " <" + e.addresses + "> " + e.first + "/" + e.last + " [" + e.notes +
                     "]");
  }
  void AddList(const NicknameEntry& e) override { events.push_back("list " + e.nickname + " <" + e.addresses + ">"); }
  void FirstPassDone() override { events.push_back("pass 1 done"); }
  std::vector<std::string> events;
};

struct Outcome {
  std::vector<std::string> events;
  std::string log;
  NicknameFileCounts counts;
};

Outcome Convert(const std::string& bytes, std::function<bool()> cancelled = {}) {
  Recorder recorder;
  Outcome run;
  NicknameFileHooks hooks;
  hooks.log = [&run](const std::string& text) { run.log += text; };
  hooks.cancelled = std::move(cancelled);
  run.counts = ConvertNicknameFile(bytes, platform::kMacRoman, recorder, hooks);
  run.events = recorder.events;
  return run;
}

using Events = std::vector<std::string>;

TEST(ConvertNicknameFile, PairsAliasAndNoteLinesWhereverTheyStand) {
  Outcome run = Convert(
      "note bob <name:Bob Smith>hi\r"
      "alias bob bob@x.com\r"
      "alias carl Carl Dorn <carl@x.com>\r"
      "note ann <first:Ann>\r"
      "alias team bob, carl\r"
      "note carl <phone:1>\r"
      "note team <name:never read>\r");
  EXPECT_EQ(run.events, (Events{"person bob <bob@x.com> Bob/Smith [hi]", "person carl <<carl@x.com>> Carl/Dorn []",
                                "person ann <> Ann/ []", "pass 1 done", "list team <bob, carl>"}));
  EXPECT_EQ(run.log, "");
  EXPECT_EQ(run.counts.nicknames, 3);
  EXPECT_EQ(run.counts.groups, 1);
}

TEST(ConvertNicknameFile, DuplicateAliasLines) {
  // Both alias lines take the note line after them; with the note line between them only the
  // first alias line is converted. The nicknames after a duplicate are not lost.
  Outcome after = Convert("alias bob a@x\ralias bob b@x\rnote bob <name:B>\ralias carl c@x\ralias dave d@x\r");
  EXPECT_EQ(after.events, (Events{"person bob <a@x> B/ []", "person bob <b@x> B/ []", "person carl <c@x> carl/ []",
                                  "person dave <d@x> dave/ []", "pass 1 done"}));
  Outcome between = Convert("alias bob a@x\rnote bob <name:B>\ralias bob b@x\r");
  EXPECT_EQ(between.events, (Events{"person bob <a@x> B/ []", "pass 1 done"}));
}

TEST(ConvertNicknameFile, SkippedEntriesAreLoggedOnce) {
  Outcome run = Convert(
      "alias n16 a@x\rnote n16 <change:16>\r"
      "alias ghost\rnote ghost\r"
      "note ghost2\r"  // 11 bytes, but no data
      "alias\r"        // counted, never a nickname line
      "alias team a@x, b@x\rnote team <change:16>\r");
  EXPECT_EQ(run.log,
            "\"n16\" labeled as \"do not sync\" - ignoring\n"
            "\"ghost\" contains no data - ignoring\n"
            "\"ghost2\" contains no data - ignoring\n");
  EXPECT_EQ(run.events, (Events{"pass 1 done", "list team <a@x, b@x>"}));
}

TEST(ConvertNicknameFile, LineEnds) {
  // CR LF throughout: every LF is stepped over; later lines ending in CR alone keep their
  // first byte.
  Outcome windows = Convert("alias a a@x\r\nalias b b@x\ralias c c@x\r\n");
  EXPECT_EQ(windows.events,
            (Events{"person a <a@x> a/ []", "person b <b@x> b/ []", "person c <c@x> c/ []", "pass 1 done"}));
  // Without a last line end, and with NUL bytes and junk in between.
  Outcome mac = Convert(std::string("\xff\x00junk\r\ralias z z@x", 19));
  EXPECT_EQ(mac.events, (Events{"person z <z@x> z/ []", "pass 1 done"}));
  EXPECT_EQ(Convert("").events, (Events{"pass 1 done"}));
}

TEST(ConvertNicknameFile, CancelStopsBothPasses) {
  int asked = 0;
  Outcome run = Convert("alias a a@x\ralias b b@x\ralias t a, b\r", [&asked]() { return ++asked > 1; });
  EXPECT_EQ(run.events, (Events{"person a <a@x> a/ []", "pass 1 done"}));
  EXPECT_EQ(run.counts.nicknames, 1);
}

TEST(ConvertNicknameFile, SourceEncodingAndLineEnds) {
  EXPECT_TRUE(NicknameFileUsesCRLF("alias a b\r\nx"));
  EXPECT_FALSE(NicknameFileUsesCRLF("alias a b\rx\r\n"));
  EXPECT_FALSE(NicknameFileUsesCRLF("alias a b\r"));
  EXPECT_EQ(NicknameSourceEncoding(1, false), platform::kMacRoman);
  EXPECT_EQ(NicknameSourceEncoding(1, true), platform::kWindowsLatin1);
  EXPECT_EQ(NicknameSourceEncoding(2, true), platform::kMacJapanese);
}

TEST(ConvertNicknameFile, LargeFileConvertsInLinearTime) {
  std::string file;
  for (int i = 0; i < 20000; ++i) {
    std::string n = "n" + std::to_string(i);
    file += "note " + n + " <name:Person " + std::to_string(i) + "><phone:555>\r";
  }
  for (int i = 0; i < 20000; ++i) {
    std::string n = "n" + std::to_string(i);
    file += "alias " + n + " " + n + "@example.com\r";
  }
  auto start = std::chrono::steady_clock::now();
  Outcome run = Convert(file);
  EXPECT_EQ(run.counts.nicknames, 20000);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace nicknames
