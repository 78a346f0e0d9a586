#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/ferrolin.h"
#include "support/test_support.h"

namespace {

using testing_support::ReadFile;
using testing_support::ScratchFolder;

const char kBOM[] = "\xEF\xBB\xBF";

TEST(WriteLog, StartsWithOneByteOrderMarkAndAppends) {
  ScratchFolder s;
  platform::SilentUserInterface ui;
  std::string log = s / "home/Library/Logs/Ferrolin.log";
  {
    Ferrolin app(ui, FerrolinFolders{s / "home", ""});
    app.WriteLog("");
    EXPECT_EQ(ReadFile(log), kBOM);  // an empty text still starts the file
    app.WriteLog("first\n");
  }
  Ferrolin again(ui, FerrolinFolders{s / "home", ""});
  again.WriteLog("second\n");
  again.WriteLog("");
  EXPECT_EQ(ReadFile(log), std::string(kBOM) + "first\nsecond\n");
  EXPECT_EQ(again.WriteFailureCount(), 0);
}

TEST(WriteLog, EmptyExistingFileGetsTheMarkAndLinkedLogsFolderIsFollowed) {
  ScratchFolder s;
  testing_support::WriteFile(s / "elsewhere/Ferrolin.log", "");
  mkdir((s / "home").c_str(), 0777);
  mkdir((s / "home/Library").c_str(), 0777);
  ASSERT_EQ(symlink((s / "elsewhere").c_str(), (s / "home/Library/Logs").c_str()), 0);
  platform::SilentUserInterface ui;
  Ferrolin app(ui, FerrolinFolders{s / "home", ""});
  app.WriteLog("text");
  EXPECT_EQ(ReadFile(s / "elsewhere/Ferrolin.log"), std::string(kBOM) + "text");
}

TEST(WriteLog, AnUnwritableLogIsReportedOnceAndDoesNotStopTheCaller) {
  ScratchFolder s;
  testing_support::WriteFile(s / "home/Library/Logs", "a file where the folder should be");
  platform::SilentUserInterface ui;
  Ferrolin app(ui, FerrolinFolders{s / "home", ""});
  app.WriteLog("one");
  app.WriteLog("two");
  EXPECT_EQ(app.WriteFailureCount(), 1);
}

}  // namespace
