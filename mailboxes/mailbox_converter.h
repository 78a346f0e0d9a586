// Converting one Eudora (or Mozilla) mailbox text, message by message: positioning on each
// message through the table of contents or the separator lines, the header pass, the body
// conversion, and handing each finished message to the target's writer. The caller opens
// the files and supplies the writer; this class only reads its input stream.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "mailboxes/body_conversion.h"
#include "mailboxes/message_info.h"
#include "mailboxes/toc_search.h"
#include "platform/byte_stream.h"
#include "platform/output_stream.h"

namespace mailboxes {

// A message the converter has finished, as the writers need it.
struct FinishedMessage {
  int32_t number = 0;          // counts the messages of this call from 1 (names .emlx files)
  int32_t convertedCount = 0;  // messages finished so far in this call, this one included
  uint64_t outputStart = 0;    // where the message begins in the output
  int8_t state = 1;            // effective state (Mac numbering)
  int32_t attachmentCount = 0;
  bool tocUsable = false;
  const Frln_MessageInfo* info = nullptr;
  const std::string* sender = nullptr;
  const std::string* recipients = nullptr;
  const std::string* subject = nullptr;
};

// The target's writer as the converter sees it.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Where the header pass and the body conversion write the current message.
  virtual platform::OutputStream& Output() = 0;
  // One file per message: the output holds only the current message.
  virtual bool OneFilePerMessage() const = 0;
  // The output is an mbox file (lines starting "From " are guarded with a blank).
  virtual bool IsMboxFile() const = 0;
  // Whether this output is split into further ones past the size limit.
  virtual bool Splits() const = 0;
  // Records the finished message (its bytes are in Output() from outputStart on).
  // False when it could not be written.
  virtual bool FinishMessage(const FinishedMessage& message) = 0;
  // Completes and closes the output; false when anything could not be written.
  virtual bool Close(int32_t converted) = 0;
  // The file that failed first, and its errno.
  virtual const std::string& FailedPath() const = 0;
  virtual int Error() const = 0;
};

struct MailboxSettings {
  int32_t target = 1;   // 1 Apple Mail, 2 Thunderbird
  int32_t flavour = 1;  // 1 Eudora, 2 Eudora (Japanese), 3 Mozilla/Thunderbird
  std::time_t now = 0;  // the moment of the conversion, for generated dates
  // An Apple Mail mbox output continues in a further package once it passes this size.
  uint64_t splitLimit = 1000000000;
  // Re-attaching attachments and embedded content, handed to the body conversion (empty:
  // attachment lines stay text and content IDs are left alone).
  decltype(BodyContext::convertAttachment) convertAttachment;
  decltype(BodyContext::embeddedContent) embeddedContent;
  decltype(BodyContext::contentIds) contentIds;
  // Told before each message; again is true when the message is converted once more as a
  // related message (what the hooks logged and counted in the first pass stands).
  std::function<void(bool again)> messageBegins;
};

struct MailboxCounters {
  int32_t badDates = 0;
  int32_t htmlMessages = 0;
  int32_t richTextMessages = 0;
  int32_t attachments = 0;
};

struct MailboxHooks {
  std::function<void(const std::string&)> log;
  // Throttled progress: the subject (UTF-8) of the message being converted and the bar's value.
  std::function<void(const std::string& detail, int64_t value)> progress;
  std::function<bool()> cancelled;
};

// How the mailbox's lines end, judged from its first line: LF when an LF comes before the
// first CR, else CR, with crlf set when that CR is followed by an LF.
struct LineEnds {
  char delimiter = '\r';
  bool crlf = false;
};
LineEnds DetectLineEnds(platform::ByteStream& input);

class MailboxConverter {
 public:
  MailboxConverter(const MailboxSettings& settings, const TableOfContents& toc, MailboxHooks hooks)
      : settings_(settings), toc_(toc), hooks_(std::move(hooks)) {}

  // Converts messages from resumePosition (entries consumed with a usable table, else a byte
  // offset) until the input or the table ends, the user cancels, or the output passes the
  // split limit. Returns true when the mailbox must be continued in a further output; then
  // resumePosition says where. converted receives the number of messages finished.
  bool Convert(platform::ByteStream& input, LineEnds ends, MessageSink& sink, int64_t& resumePosition,
               int32_t& converted, MailboxCounters& counters);

 private:
  bool ReadLine(platform::ByteStream& input, std::string& line, int64_t* consumed);
  bool IsSeparator(platform::ByteStream& input, const std::string& line, bool relaxed);

  MailboxSettings settings_;
  const TableOfContents& toc_;
  MailboxHooks hooks_;
  LineEnds ends_;
  Frln_MessageInfo info_;
};

// Longest line held at once: a longer one is handed on in pieces of this size.
inline constexpr size_t kMaxLineLength = 4u << 20;

}  // namespace mailboxes
