#include "app/thunderbird_label_tags.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Tag(int label, const std::string& color) {
  const std::string key = "mailnews.tags.eudoralabel" + std::to_string(label);
  return "user_pref(\"" + key + ".tag\", \"Eudora label " + std::to_string(label) + "\");\n" + "user_pref(\"" + key +
         ".color\", \"#" + color + "\");\n";
}

TEST(LabelTagPrefs, DefinesOnlyTheTagsOfLabelsMetThatAreNotThereYet) {
  struct Row {
    const char* what;
    std::string prefs;
    std::set<int32_t> labels;
    std::string lines;
  };
  const std::string renamed = "user_pref(\"mailnews.tags.eudoralabel7.tag\", \"Urgent\");\n";
  const Row rows[] = {
      {"first, second and last colour", "", {15, 2, 1}, Tag(1, "ff0066") + Tag(2, "dd0000") + Tag(15, "663366")},
      {"labels without a colour", "", {0, -1, 16}, ""},
      {"none met", "user_pref(\"a\", 1);\n", {}, ""},
      {"defined by an earlier run", Tag(2, "dd0000"), {2, 7}, Tag(7, "660033")},
      {"renamed by the user", renamed, {7}, ""},
      {"label 1 is not label 10", Tag(1, "ff0066"), {10}, Tag(10, "66ff33")},
      // Only a colour, no name: Thunderbird shows no tag, so the tag is defined.
      {"colour alone", "user_pref(\"mailnews.tags.eudoralabel3.color\", \"#000000\");\n", {3}, Tag(3, "ff9900")},
  };
  for (const Row& row : rows) EXPECT_EQ(app::LabelTagPrefs(row.prefs, row.labels), row.lines) << row.what;
}

}  // namespace
