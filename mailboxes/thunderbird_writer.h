// Thunderbird's local mail folders. A mail folder F is a file "F" holding its own messages
// in mbox form, a summary "F.msf" (which Thunderbird rebuilds when it is empty or missing),
// and, when F has subfolders, a directory "F.sbd" that holds them. Every Eudora mailbox
// becomes one such file inside folders that repeat the Eudora folders around it.
//
// A message in the mbox file begins with the line "From - " and a date; its state is kept
// in two header lines: "X-Mozilla-Status: %04X" (0x0001 read, 0x0002 replied, 0x1000
// forwarded, 0x0008 deleted) and "X-Mozilla-Status2: %08X" (the label in bits 25-27,
// 0x10000000 has attachments). No other line of a message may start with "From ", or mbox
// readers would take it for the start of another message. Tags are keywords, listed in an
// "X-Mozilla-Keys:" line; current Thunderbird shows a tag for a keyword only, not for the
// label bits, and only when prefs.js defines the keyword's tag ("mailnews.tags.<key>.tag").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "mailboxes/enclosing_folders.h"
#include "platform/files.h"
#include "platform/output_stream.h"

namespace mailboxes {

// The Thunderbird folder for a Eudora folder: its UTF-8 name without ".fol", ".FOL", ".sbd"
// and ".SBD" at either end. A name that would be left empty, "." or ".." keeps them.
std::string ThunderbirdFolderName(const std::string& unicodeName);

// The mail folder file for a mailbox: its UTF-8 name without ".mbx" and ".MBX" at either
// end. A name that would be left empty, "." or ".." keeps them.
std::string ThunderbirdMailboxName(const std::string& unicodeName);

// The mail folder file of a placed mailbox: the name Eudora showed, when known, else
// ThunderbirdMailboxName of its file name.
std::string ThunderbirdMailboxName(const MailboxPlacement& placement);

// Recreates the Eudora folders that enclose the mailbox (the placement's folders) inside
// baseFolder: for each folder F, outermost first, the empty files F and F.msf when they are
// missing, and the directory F.sbd, created or reused, which then holds the next one. Returns
// the relative path: each folder's name followed by "/". folder receives the directory that
// holds the mailbox file. On failure error is the errno value (folder is the directory that
// could not be made); otherwise 0.
std::string CreateFolderHierarchy(const MailboxPlacement& placement, const platform::FileSpec& baseFolder,
                                  platform::FileSpec& folder, int& error);

// The X-Mozilla-Status2 value of a message with attachments: 0x10000000 with the entry's label
// (capped at 5, none below 0) in bits 25-27 when the table of contents is usable.
uint32_t AttachmentStatus2(int32_t label, bool tocUsable);

// The keyword that stands for a Eudora label: "eudoralabelN" for labels 1-15 (the ones that
// have a colour), "" for any other.
std::string LabelTagKey(int32_t label);

// The line that gives a labelled message its tag: "X-Mozilla-Keys: eudoralabelN\n"; "" when
// the label has no tag.
std::string MozillaKeysLine(int32_t label);

// Copies messages into an mbox output. Within a message (from one Begin to the next), every
// line after the first that starts with "From " gets one blank in front of it. Lines may be
// cut anywhere between calls of Write. WriteAt and Truncate are not supported.
class FromLineGuard final : public platform::OutputStream {
 public:
  explicit FromLineGuard(platform::OutputStream& out) : out_(out) {}
  // The next byte written is the first of a message's separator line.
  void Begin();
  bool Write(std::string_view bytes) override;
  // Writes what is held back (the start of a last line without its LF).
  bool Finish();
  uint64_t Position() const override { return out_.Position() + held_.size(); }
  bool WriteAt(uint64_t, std::string_view) override { return false; }
  bool Truncate(uint64_t) override { return false; }
  int Error() const override { return out_.Error(); }

 private:
  platform::OutputStream& out_;
  bool firstLine_ = true;
  bool lineStart_ = true;
  std::string held_;  // the start of a line while it may still become "From "
};

}  // namespace mailboxes
