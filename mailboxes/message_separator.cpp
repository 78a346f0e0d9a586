#include "mailboxes/message_separator.h"
#include "text/ascii.h"

namespace mailboxes {

namespace {

// Shorter lines cannot hold "From ", a sender and a date; they are separators only in the
// old form "From  " (see IsShortSeparator).
constexpr size_t kMinSeparatorLength = 18;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The date after the sender, in one of Eudora's layouts. p is the blank after the sender:
//   "Tue Jan 01 ..." / "Tue Jan  1 ..."  weekday, blank, month, blank, day (maybe blank-padded)
//   "Tue, 01 Jan ..."                    weekday, comma, blank, day
// Mail servers' mbox files put two blanks after the sender ("From a@b  Sun Dec 12 ..."); the
// date then starts after the last of them, or every message of such a file would run into
// the first.
bool HasSeparatorDate(std::string_view line) {
  size_t p = line.find(' ', 5);
  if (p == std::string_view::npos) return false;
  while (p + 1 < line.size() && line[p + 1] == ' ') ++p;
  if (line.size() <= p + 9) return false;
  if (line[p + 4] == ' ') {
    if (line[p + 8] != ' ') return false;
    if (IsDigit(line[p + 9])) return true;
    return line[p + 9] == ' ' && line.size() > p + 10 && IsDigit(line[p + 10]);
  }
  if (line[p + 4] == ',' && line[p + 5] == ' ') return IsDigit(line[p + 6]);
  return false;
}

// A line like "Subject: x" (its first blank directly after its first colon), or, without
// any colon, a folded continuation that starts with a blank.
bool LooksLikeHeaderLine(std::string_view following) {
  std::string_view text = following.substr(0, kSeparatorLookahead);
  text = text.substr(0, text.find('\n'));
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) return !text.empty() && text[0] == ' ';
  return text.find(' ') == colon + 1;
}

}  // namespace

bool IsNewMessageStart(std::string_view line, bool relaxed, std::string_view following) {
  if (line.size() >= kMinSeparatorLength) {
    if (!text::StartsWithNoCase(line, "From ")) return false;
    if (relaxed) return true;
    return HasSeparatorDate(line);
  }
  return line == "From  " && LooksLikeHeaderLine(following);
}

}  // namespace mailboxes
