#include "app/summary.h"

#include <gtest/gtest.h>

namespace {

TEST(BuildSummaryText, TextsAndLineCounts) {
  auto make = [](bool m, bool n, bool f) {
    SummaryCounts c;
    c.convertMailboxes = m;
    c.convertNicknames = n;
    c.convertFilters = f;
    return c;
  };
  struct Row {
    const char* label;
    SummaryCounts counts;
    const char* text;
    int lines;
  };
  SummaryCounts one = make(true, false, false);
  one.mailboxFiles = one.messages = 1;
  SummaryCounts none = make(true, false, false);
  none.mailboxFiles = 2;
  SummaryCounts full = make(true, true, true);
  full.mailboxFiles = 3;
  full.messages = 10;
  full.badDates = 1;
  full.htmlMessages = 2;
  full.richTextMessages = 3;
  full.attachments = 4;
  full.nicknameFiles = 1;
  full.nicknames = 2;
  full.mailingLists = 1;
  full.filterFiles = 2;
  full.rules = 1;
  SummaryCounts onlyNicknames = make(false, true, false);
  onlyNicknames.nicknameFiles = 1;
  onlyNicknames.nicknames = 1;
  Row rows[] = {
      {"one of each", one, "1 mailbox:\r  1 message", 2},
      {"zero takes no plural", none, "2 mailboxes:\r  0 message", 2},
      {"nothing found", make(true, false, true), "No mailboxes found\r\rNo filter files found", 3},
      {"everything",
       full,
       "3 mailboxes:\r  10 messages\r  1 missing/malformed date\r  2 HTML messages\r  3 rich-text messages\r"
       "  4 attachments\r\r1 nickname file:\r  2 nicknames\r  1 mailing list\r\r2 filter files:\r  1 rule",
       13},
      {"only nicknames", onlyNicknames, "1 nickname file:\r  1 nickname", 2},
      {"nothing selected", make(false, false, false), "", 0},
  };
  for (const Row& row : rows) {
    int lines = -1;
    EXPECT_EQ(BuildSummaryText(row.counts, lines), row.text) << row.label;
    EXPECT_EQ(lines, row.lines) << row.label;
  }
}

TEST(NewProfileSetNote, QuotesThePathForTheShell) {
  EXPECT_EQ(NewProfileSetNote("/home/o'neil/Library/Thunderbird/Profiles/default.frl"),
            "Thunderbird has a new profile for the converted data; to open it:\n"
            "  thunderbird --profile '/home/o'\\''neil/Library/Thunderbird/Profiles/default.frl'\n");
}

}  // namespace
