// Message boundaries in a Eudora mailbox: every message begins with an mbox-style
// separator line, "From ", the sender (or Eudora's "???@???"), a blank and a date in the
// fixed layout "Tue Jan 01 12:34:56 2002".
#pragma once

#include <cstddef>
#include <string_view>

namespace mailboxes {

// How many bytes of the input after a line IsNewMessageStart looks at.
inline constexpr size_t kSeparatorLookahead = 255;

// True when line (without its line end) is a message separator.
//
// relaxed: the mailbox has a usable table of contents, which already says where messages
// start: any line of 18 bytes or more that begins with "From " (any case) is accepted.
// Strict (no usable table): the text alone decides, so the sender must be followed by a
// date in one of the two layouts "Www Mmm dd" / "Www Mmm  d" or "Www, dd"; a body line such
// as "From the beginning, we knew" is refused.
//
// In both strengths a short line is a separator only when it is exactly "From  " (an
// empty sender, as old Eudora versions wrote it) and the next line looks like a header
// line. following holds the input's bytes after the line's end (the driver passes at least
// the next kSeparatorLookahead bytes, or all that remain); only the text up to its first
// LF, and at most kSeparatorLookahead bytes, is looked at. On a Mac mailbox (CR line ends)
// that text may span several lines.
bool IsNewMessageStart(std::string_view line, bool relaxed, std::string_view following = {});

}  // namespace mailboxes
