#include "cli/options.h"

#include <gtest/gtest.h>

#include "app/ferrolin.h"
#include "platform/system.h"

namespace {

TEST(ParseCommandLine, OptionsBecomeSetDataEventsInOrder) {
  CommandLine c;
  std::string error;
  ASSERT_TRUE(ParseCommandLine({"--home", "/h", "--source=mozilla", "--target", "thunderbird", "--no-filters",
                                "--system-version", "10.3.9", "--quiet", "a", "--", "--b"},
                               c, error))
      << error;
  EXPECT_EQ(c.home, "/h");
  EXPECT_EQ(c.systemVersion, 0x1039u);
  EXPECT_TRUE(c.quiet);
  EXPECT_EQ(c.items, (std::vector<std::string>{"a", "--b"}));
  ASSERT_EQ(c.settings.size(), 4u);
  EXPECT_EQ(c.settings[0].first, kPropShowDialogs);  // dialogs are off unless asked for
  EXPECT_EQ(c.settings[0].second.data, std::string(1, '\0'));
  EXPECT_EQ(c.settings[1].first, kPropSourceFlavour);
  platform::OSType value = 0;
  ASSERT_TRUE(platform::GetOSType(c.settings[1].second, value));
  EXPECT_EQ(value, kEnumMozilla);
  EXPECT_EQ(c.settings[3].first, kPropConvertFilters);
}

TEST(ParseCommandLine, UsageErrors) {
  const std::vector<std::vector<std::string>> rows = {
      {"--frobnicate"}, {"--source", "outlook"}, {"--target", "evolution"}, {"--target"},
      {"--system-version", "ten"}, {"--system-version", "10"}, {"--quiet=yes"}, {"--home="}, {"--no-filters=1"},
  };
  for (const auto& args : rows) {
    CommandLine c;
    std::string error;
    EXPECT_FALSE(ParseCommandLine(args, c, error)) << args[0];
    EXPECT_FALSE(error.empty());
  }
}

TEST(ParseSystemVersion, GestaltForm) {
  uint32_t v = 0;
  ASSERT_TRUE(platform::ParseSystemVersion("10.4", v));
  EXPECT_EQ(v, 0x1040u);
  ASSERT_TRUE(platform::ParseSystemVersion("10.11", v));
  EXPECT_EQ(v, 0x10B0u);
  ASSERT_TRUE(platform::ParseSystemVersion("9.2.2", v));
  EXPECT_EQ(v, 0x0922u);
  EXPECT_FALSE(platform::ParseSystemVersion("10.4.", v));
  EXPECT_FALSE(platform::ParseSystemVersion(".4", v));
}

}  // namespace
