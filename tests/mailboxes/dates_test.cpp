#include "mailboxes/dates.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace mailboxes {
namespace {

constexpr std::time_t kWinterNow = 1010682496;   // Thu, 10 Jan 2002 17:08:16 UTC
constexpr std::time_t kSummerNow = 1026320896;   // Wed, 10 Jul 2002 17:08:16 UTC
constexpr const char* kSeparator = "Tue Jan 01 12:34:56 2002";
constexpr int32_t kJan1st2002 = 2002 * 512 + 1 * 32 + 1;
constexpr const char* kCET = "CET-1CEST,M3.5.0,M10.5.0/3";

// Sets the local time zone for one test and puts the old one back afterwards.
class LocalZone : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) saved_ = tz;
    Use("UTC-1");  // one hour east of UTC, no daylight-saving time
  }
  void TearDown() override {
    if (saved_) setenv("TZ", saved_->c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }
  static void Use(const char* tz) {
    setenv("TZ", tz, 1);
    tzset();
  }

 private:
  std::optional<std::string> saved_;
};

struct Result {
  bool built;
  std::string text;
  int32_t seconds;
  int32_t packed;
};

Result Calculate(std::string date, std::string_view separator = kSeparator, int32_t toc = 0,
                 std::time_t now = kWinterNow) {
  Result r{};
  r.built = CalculateDateAndTime(date, separator, toc, r.seconds, r.packed, now);
  r.text = date;
  return r;
}

TEST_F(LocalZone, DateHeadersThatParse) {
  struct Case {
    const char* date;
    int32_t seconds;
    int32_t packed;
  };
  const std::vector<Case> cases = {
      {"Tue, 01 Jan 2002 12:34:56 +0100", 1009884896, kJan1st2002},
      {"Tue, Jan 01 2002 12:34:56 +0100", 1009884896, kJan1st2002},
      {"01 Jan 2002 12:34:56 +0100", 1009884896, kJan1st2002},
      {"tue, 01 JAN 2002 12:34:56 +0100", 1009884896, kJan1st2002},
      {"Tue, 01 Jan 2002 12:34:56+0100", 1009884896, kJan1st2002},   // zone glued on
      {"Tue,  1 Jan 2002 12:34:56 +0100 (CET)", 1009884896, kJan1st2002},
      {"01 Jan 02 12:34:56 -0500", 1009906496, kJan1st2002},        // two-digit year
      {"Tue, 01 Jan 2002 12:34:56 GMT", 1009888496, kJan1st2002},   // named zone: 0
      {"Tue, 01 Jan 2002 12:34:56", 1009888496, kJan1st2002},       // no zone
      {"Tue, 01 Jan 2002 12:34:56 +0530", 1009868696, kJan1st2002}, // minutes count
      {"Tue, 01 Jan 2002 12:34:56 -0530", 1009908296, kJan1st2002},
      {"Fri, 01 Jan 99 12:34:56 +0000", 915194096, 1999 * 512 + 32 + 1},
      {"Sat, 01 Jan 105 12:34:56 +0000", 1104582896, 2005 * 512 + 32 + 1},
      // an unknown month name reads as month 13: January of the next year
      {"Wed, 01 Foo 2002 12:34:56 +0000", 1041424496, 2002 * 512 + 13 * 32 + 1},
  };
  for (const auto& c : cases) {
    Result r = Calculate(c.date);
    EXPECT_FALSE(r.built) << c.date;
    EXPECT_EQ(r.seconds, c.seconds) << c.date;
    EXPECT_EQ(r.packed, c.packed) << c.date;
  }
  // The text names the date and time as written, with the header's own zone.
  EXPECT_EQ(Calculate("01 Jan 02 12:34:56 -0500").text, "Tue, 01 Jan 2002 12:34:56 -0500");
}

TEST_F(LocalZone, DatesBuiltFromTheTOCOrTheSeparator) {
  struct Case {
    const char* date;
    const char* separator;
    int32_t toc;
    const char* text;
    int32_t seconds;
    int32_t packed;
  };
  const std::vector<Case> cases = {
      // no Date header: the separator's local time
      {"", kSeparator, 0, "Tue, 01 Jan 2002 12:34:56 +0100", 1009884896, kJan1st2002},
      {"", "Wed Feb 13 08:09:10 2002", 0, "Wed, 13 Feb 2002 08:09:10 +0100", 1013584150,
       2002 * 512 + 2 * 32 + 13},
      {"", "Tue Jan  1 12:34:56 02", 0, "Tue, 01 Jan 2002 12:34:56 +0100", 1009884896, kJan1st2002},
      // without seconds a Date header does not parse
      {"Tue, 1 Jan 2002 12:34", kSeparator, 0, "Tue, 01 Jan 2002 12:34:56 +0100", 1009884896,
       kJan1st2002},
      // a table-of-contents date comes before the separator
      {"Tue, 1 Jan 2002 12:34", kSeparator, 1010682496, "Thu, 10 Jan 2002 18:08:16 +0100",
       1010682496, 2002 * 512 + 32 + 10},
      {"", "", 1010682496, "Thu, 10 Jan 2002 18:08:16 +0100", 1010682496, 2002 * 512 + 32 + 10},
  };
  for (const auto& c : cases) {
    Result r = Calculate(c.date, c.separator, c.toc);
    EXPECT_TRUE(r.built) << c.date << " / " << c.separator;
    EXPECT_EQ(r.text, c.text) << c.date << " / " << c.separator;
    EXPECT_EQ(r.seconds, c.seconds) << c.date << " / " << c.separator;
    EXPECT_EQ(r.packed, c.packed) << c.date << " / " << c.separator;
  }
}

TEST_F(LocalZone, GeneratedZoneIsTheCurrentLocalOffset) {
  struct Case {
    const char* tz;
    const char* text;
    int32_t seconds;
  };
  const std::vector<Case> cases = {
      {"IST-5:30", "Tue, 01 Jan 2002 12:34:56 +0530", 1009868696},
      {"EST5", "Tue, 01 Jan 2002 12:34:56 -0500", 1009906496},
      {"NST3:30", "Tue, 01 Jan 2002 12:34:56 -0330", 1009901096},
      {"UTC0", "Tue, 01 Jan 2002 12:34:56 +0000", 1009888496},
  };
  for (const auto& c : cases) {
    Use(c.tz);
    Result r = Calculate("");
    EXPECT_EQ(r.text, c.text) << c.tz;
    EXPECT_EQ(r.seconds, c.seconds) << c.tz;
  }
}

TEST_F(LocalZone, DaylightSavingTimeFollowsNow) {
  Use(kCET);
  EXPECT_EQ(LocalOffset(kWinterNow), 3600);
  EXPECT_EQ(LocalOffset(kSummerNow), 7200);

  // Converted in summer, a January separator date is read with the summer offset.
  Result r = Calculate("", kSeparator, 0, kSummerNow);
  EXPECT_EQ(r.text, "Tue, 01 Jan 2002 12:34:56 +0200");
  EXPECT_EQ(r.seconds, 1009881296);

  // Converted in winter, a July table-of-contents date: the text and the instant agree.
  r = Calculate("", kSeparator, static_cast<int32_t>(kSummerNow), kWinterNow);
  EXPECT_EQ(r.text, "Wed, 10 Jul 2002 18:08:16 +0100");
  EXPECT_EQ(r.seconds, kSummerNow);

  // A parsed date is its own instant whatever the season.
  EXPECT_EQ(Calculate("Wed, 10 Jul 2002 19:08:16 +0200", kSeparator, 0, kWinterNow).seconds,
            kSummerNow);
}

TEST(Zones, OffsetsAndZonesConvertBothWays) {
  const std::vector<std::pair<int64_t, int>> cases = {
      {3600, 100}, {-18000, -500}, {19800, 530}, {-12600, -330}, {0, 0}, {20700, 545}};
  for (auto [offset, zone] : cases) {
    EXPECT_EQ(ZoneFromOffset(offset), zone) << offset;
    EXPECT_EQ(OffsetFromZone(zone), offset) << zone;
  }
}

TEST(MonthIndex, FirstThreeLettersIgnoringCase) {
  const std::vector<std::pair<const char*, int>> cases = {
      {"Jan", 0}, {"dec", 11}, {"December", 11}, {"MAY", 4}, {"Ja", 12}, {"", 12}, {"Foo", 12}};
  for (auto [name, index] : cases) EXPECT_EQ(MonthIndex(name), index) << name;
}

TEST_F(LocalZone, JunkNeverYieldsAMalformedText) {
  const std::regex well_formed(
      R"(^(Sun|Mon|Tue|Wed|Thu|Fri|Sat), \d{2,} [A-Z][a-z]{2} -?\d{4,} \d{2}:\d{2}:\d{2} [+-]\d{4,}$)");
  struct Case {
    std::string date, separator;
    int32_t toc;
  };
  const std::vector<Case> cases = {
      {"", "", 0},
      {"garbage", "garbage", 0},
      {"Tue, 99999999999 Jan 99999999999 99999:99999:99999 +99999999999", "", 0},
      {"Tue, -2147483648 Jan -2147483648 -2147483648:0:0 -2147483648", "", 0},
      {"", "X " + std::string(1000, 'M') + " 1 1:1:1 1", 0},
      {"", "Tue Jan 01 12:34:56 2002", INT32_MIN},
      {"", "Tue Jan 01 12:34:56 2002", INT32_MAX},
      {"1 " + std::string(100, 'x') + " 2002 1:2:3", "", 0},
  };
  for (const auto& c : cases) {
    Result r = Calculate(c.date, c.separator, c.toc);
    EXPECT_TRUE(std::regex_match(r.text, well_formed)) << r.text;
  }
}

}  // namespace
}  // namespace mailboxes
