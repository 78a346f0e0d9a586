#include "platform/ui.h"

#include <gtest/gtest.h>

namespace {

TEST(ComputeSummaryLayout, SizesTheWindowByItsLines) {
  struct Row {
    int lines;
    bool note;
    int top, height;
  } rows[] = {
      {2, false, 0, 144}, {8, false, 0, 164}, {2, true, 112, 202}, {6, true, 112, 202}, {9, true, 146, 232},
  };
  for (const Row& r : rows) {
    platform::SummaryLayout layout = platform::ComputeSummaryLayout(r.lines, r.note);
    EXPECT_EQ(layout.width, 320);
    EXPECT_EQ(layout.height, r.height) << r.lines << " lines";
    EXPECT_EQ(layout.note_visible, r.note);
    if (r.note) {
      EXPECT_EQ(layout.note_left, 20);
      EXPECT_EQ(layout.note_top, r.top);
    }
  }
}

TEST(ApplyOptionsRules, MozillaAndThunderbirdLimitTheChoices) {
  platform::OptionsWindowState s;
  s.source = 3;
  s.target = 2;
  platform::ApplyOptionsRules(s);
  EXPECT_EQ(s.target, 1);
  EXPECT_EQ(s.filters, 0);
  EXPECT_EQ(s.nicknames, 0);
  EXPECT_FALSE(s.target_enabled || s.filters_enabled || s.nicknames_enabled);

  s.source = 1;
  s.target = 2;
  s.nicknames = 1;
  platform::ApplyOptionsRules(s);
  EXPECT_TRUE(s.target_enabled && s.nicknames_enabled);
  EXPECT_FALSE(s.filters_enabled);
  EXPECT_EQ(s.filters, 0);
}

}  // namespace
