#include "app/thunderbird_prefs.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace {

using testing_support::ReadFile;
using testing_support::ScratchFolder;
using testing_support::WriteFile;

platform::FileSpec Profile(const std::string& path) { return platform::FileSpecFromPath(path); }

TEST(AppendThunderbirdPrefs, KeepsWhatIsThereAndAddsWholeLines) {
  ScratchFolder dir;
  const std::string ours = "user_pref(\"a\", 1);\n";
  struct Row {
    const char* what;
    const char* before;  // nullptr: no prefs.js
    std::string after;
  };
  const Row rows[] = {
      {"missing", nullptr, ours},
      {"empty", "", ours},
      {"ends in a line break", "user_pref(\"x\", 2);\n", "user_pref(\"x\", 2);\n" + ours},
      {"last line without a break", "user_pref(\"x\", 2);", "user_pref(\"x\", 2);\n" + ours},
  };
  for (const Row& row : rows) {
    const std::string folder = dir.Path() + "/" + row.what;
    std::filesystem::create_directories(folder);
    if (row.before) WriteFile(folder + "/prefs.js", row.before);
    EXPECT_EQ(app::AppendThunderbirdPrefs(Profile(folder), ours), 0) << row.what;
    EXPECT_EQ(ReadFile(folder + "/prefs.js"), row.after) << row.what;
    EXPECT_FALSE(std::filesystem::exists(folder + "/prefs.js.ferrolin-tmp")) << row.what;
  }
}

TEST(AppendThunderbirdPrefs, RefusesWhatIsNoFile) {
  ScratchFolder dir;
  std::filesystem::create_directories(dir.Path() + "/prefs.js");
  EXPECT_NE(app::AppendThunderbirdPrefs(Profile(dir.Path()), "x\n"), 0);
  EXPECT_NE(app::AppendThunderbirdPrefs(Profile(dir.Path() + "/missing-profile"), "x\n"), 0);
}

}  // namespace
