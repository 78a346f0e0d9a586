#include "mailboxes/message_separator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mailboxes {
namespace {

struct Case {
  std::string line;
  bool relaxed_result;
  bool strict_result;
};

TEST(IsNewMessageStart, SeparatorLinesInBothStrengths) {
  const std::vector<Case> cases = {
      // Eudora's separators, with and without a known sender
      {"From ???@??? Tue Jan 01 12:34:56 2002", true, true},
      {"From anna@example.com Tue Jan 01 12:34:56 2002", true, true},
      {"From S Tue Jan  1 12:34:56 2002", true, true},      // day padded with a blank
      {"From S Tue, 01 Jan 2002 12:34:56 +0100", true, true},
      {"from S Tue Jan 01 12:34:56 2002", true, true},      // "From " in any case
      {"FROM S Tue, 01 Jan 2002 12:34:56 +0100", true, true},
      {"From  Tue Jan 01 12:34:56 2002", true, true},       // empty sender
      {"From a@example.com  Sun Dec 12 23:42:56 2010", true, true},  // a mail server's two blanks
      // body lines that start like a separator
      {"From the beginning, we knew", true, false},
      {"From S Tue Jan x1 12:34:56 2002", true, false},     // no digit for the day
      {"From S Tue Jan  x 12:34:56 2002", true, false},     // padded, but no digit
      {"From S Tuesday Jan 01 12:34:56", true, false},
      {"From S Tue,01 Jan 2002 12:34:56", true, false},     // comma without blank
      {"From S Tue, Jan 01 2002 12:34:56", true, false},    // comma, then no digit
      {"From someone-without-a-blank-anywhere", true, false},
      // the line must be longer than the blank after the sender + 9
      {"From S123456789 Tue Jan ", true, false},            // ends right at p + 8
      {"From S123456789 Tue Jan  ", true, false},           // padded day, nothing after it
      {"From S123456789 Tue Jan  1", true, true},
      // not "From "
      {"Fromage S Tue Jan 01 12:34:56 2002", false, false},
      {"Subject: From S Tue Jan 01 12:34:56 2002", false, false},
      {" From S Tue Jan 01 12:34:56 2002", false, false},
      // short lines
      {"From x", false, false},
      {"From S Tue Jan 1", false, false},                   // 16 bytes
      {"", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsNewMessageStart(c.line, true), c.relaxed_result) << "relaxed: " << c.line;
    EXPECT_EQ(IsNewMessageStart(c.line, false), c.strict_result) << "strict: " << c.line;
  }
}

TEST(IsNewMessageStart, EmptySenderFormNeedsAHeaderLineAfterIt) {
  struct Following {
    std::string bytes;
    bool result;
  };
  const std::vector<Following> cases = {
      {"Date: Tue, 01 Jan 2002 12:34:56 +0100\r\n", true},
      {"Subject: Hello\rFrom: x\r", true},          // Mac mailbox: read up to an LF
      {"Subject:Hello there\r", false},             // first blank not right after the colon
      {"Re Subject: Hello\n", false},               // a blank before the first colon
      {"Just some words\r\n", false},               // no colon
      {" continued line\n", true},                  // no colon, starts with a blank
      {"Words\nDate: x\n", false},                  // only the text up to the LF counts
      {"", false},                                  // end of the mailbox
      // Only the first 255 bytes are looked at.
      {std::string(254, 'x') + ": y", false},
      {std::string(253, 'x') + ": y", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsNewMessageStart("From  ", true, c.bytes), c.result) << c.bytes;
    EXPECT_EQ(IsNewMessageStart("From  ", false, c.bytes), c.result) << c.bytes;
  }
  // Exactly "From" and two blanks, case counting.
  for (const std::string line : {"from  ", "From ", "From   ", "FROM  "})
    EXPECT_FALSE(IsNewMessageStart(line, true, "Date: x\n")) << line;
}

}  // namespace
}  // namespace mailboxes
