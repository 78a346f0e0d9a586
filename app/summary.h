// The summary a run ends with: counts of what was converted, lines separated by CR.
#pragma once

#include <cstdint>
#include <string>

struct SummaryCounts {
  bool convertMailboxes = false;
  bool convertNicknames = false;
  bool convertFilters = false;
  int32_t mailboxFiles = 0;
  int32_t messages = 0;
  int32_t badDates = 0;
  int32_t htmlMessages = 0;
  int32_t richTextMessages = 0;
  int32_t attachments = 0;
  int32_t nicknameFiles = 0;
  int32_t nicknames = 0;
  int32_t mailingLists = 0;
  int32_t filterFiles = 0;
  int32_t rules = 0;
};

// The summary text (at most 255 bytes) and its line count.
std::string BuildSummaryText(const SummaryCounts& counts, int& lines);

// What the user is told after a run that made a new profile set (profiles.ini included),
// which Thunderbird does not find by itself: the command that opens the profile, the path
// quoted for the shell. Ends in a line break.
std::string NewProfileSetNote(const std::string& profilePath);
