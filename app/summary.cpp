#include "app/summary.h"

namespace {

// A count above 1 takes the plural ending.
std::string Counted(int32_t count, const char* noun, const char* plural_ending = "s") {
  return std::to_string(count) + " " + noun + (count > 1 ? plural_ending : "");
}

}  // namespace

std::string BuildSummaryText(const SummaryCounts& c, int& lines) {
  std::string text;
  lines = 0;
  if (c.convertMailboxes) {
    if (c.mailboxFiles != 0) {
      text = Counted(c.mailboxFiles, "mailbox", "es") + ":\r  " + Counted(c.messages, "message");
      lines = 2;
      const std::pair<int32_t, const char*> extras[] = {{c.badDates, "missing/malformed date"},
                                                        {c.htmlMessages, "HTML message"},
                                                        {c.richTextMessages, "rich-text message"},
                                                        {c.attachments, "attachment"}};
      for (const auto& [count, noun] : extras) {
        if (count == 0) continue;
        text += "\r  " + Counted(count, noun);
        ++lines;
      }
    } else {
      text = "No mailboxes found";
      lines = 1;
    }
  }
  if (c.convertNicknames) {
    if (lines != 0) {
      text += "\r\r";
      ++lines;
    }
    if (c.nicknameFiles != 0) {
      text += Counted(c.nicknameFiles, "nickname file") + ":\r  " + Counted(c.nicknames, "nickname");
      lines += 2;
      if (c.mailingLists != 0) {
        text += "\r  " + Counted(c.mailingLists, "mailing list");
        ++lines;
      }
    } else {
      text += "No nickname files found";
      ++lines;
    }
  }
  if (c.convertFilters) {
    if (lines != 0) {
      text += "\r\r";
      ++lines;
    }
    if (c.filterFiles != 0) {
      text += Counted(c.filterFiles, "filter file") + ":\r  " + Counted(c.rules, "rule");
      lines += 2;
    } else {
      text += "No filter files found";
      ++lines;
    }
  }
  // The window shows a short string.
  if (text.size() > 255) text.resize(255);
  return text;
}

std::string NewProfileSetNote(const std::string& profilePath) {
  // Single quotes keep every byte but the single quote itself, which is closed, escaped and
  // reopened.
  std::string quoted = "'";
  for (char c : profilePath) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  quoted += "'";
  return "Thunderbird has a new profile for the converted data; to open it:\n  thunderbird --profile " + quoted +
         "\n";
}
