#include "mailboxes/mailbox_converter.h"

#include <algorithm>

#include "mailboxes/body_conversion.h"
#include "mailboxes/header_pass.h"
#include "mailboxes/message_separator.h"
#include "platform/encodings.h"
#include "text/line_reader.h"
#include "text/recode.h"
#include "text/ascii.h"

namespace mailboxes {

namespace {

std::string SkipLine(const TOCF_Message_Header& entry, int64_t entryNumber) {
  std::string subject = entry.subject;
  while (!subject.empty() && subject.back() == '\r') subject.pop_back();
  if (entry.utf8Subject) text::RecodeString(subject, platform::kUTF8, platform::kMacRoman);
  return "  Skipped corrupt message \"" + subject + "\" (message " + std::to_string(entryNumber) +
         " in TOC) - message start according to TOC does not correspond to the beginning of a message.\n";
}

}  // namespace

LineEnds DetectLineEnds(platform::ByteStream& input) {
  const uint64_t start = input.Tell();
  std::string line;
  input.ReadUntil('\r', line, kMaxLineLength);
  LineEnds ends;
  // Mozilla mailboxes end their lines in LF; Eudora's in CR (Mac) or CR LF (Windows). A Eudora
  // mailbox whose first line already holds an LF before any CR has been through a Unix tool
  // (or is a server's mbox file): read up to the CR it would be one single message, so its
  // lines are read up to the LF as well.
  if (line.find('\n') != std::string::npos) ends.delimiter = '\n';
  ends.crlf = ends.delimiter == '\r' && input.Peek() == '\n';
  input.Seek(start);
  return ends;
}

bool MailboxConverter::ReadLine(platform::ByteStream& input, std::string& line, int64_t* consumed) {
  const uint64_t before = input.Tell();
  line.clear();
  bool ok;
  if (settings_.flavour == 3) {
    ok = text::SmartGetLine(input, line, ends_.delimiter, ends_.crlf, false);
  } else {
    ok = input.ReadUntil(ends_.delimiter, line, kMaxLineLength);
  }
  if (ok && ends_.crlf && input.Peek() == '\n') input.Get();
  if (consumed) *consumed += static_cast<int64_t>(input.Tell() - before);
  return ok;
}

bool MailboxConverter::IsSeparator(platform::ByteStream& input, const std::string& line, bool relaxed) {
  if (!text::StartsWithNoCase(line, "From ")) return false;
  // The test may look at what follows the line (the header after a bare "From  ").
  const uint64_t at = input.Tell();
  std::string following;
  input.Read(following, kSeparatorLookahead);
  input.Seek(at);
  return IsNewMessageStart(line, relaxed, following);
}

bool MailboxConverter::Convert(platform::ByteStream& input, LineEnds ends, MessageSink& sink, int64_t& resumePosition,
                               int32_t& converted, MailboxCounters& counters) {
  ends_ = ends;
  info_ = Frln_MessageInfo{};
  const bool usable = toc_.Usable();
  const int64_t entryCount = toc_.entryCount;
  const int32_t flavour = settings_.flavour;
  const bool emlx = settings_.target == 1 && sink.OneFilePerMessage();
  platform::OutputStream& out = sink.Output();

  BodyContext body;
  body.flavour = flavour;
  body.crlf = ends_.crlf;
  body.delimiter = ends_.delimiter;
  body.mboxOutput = sink.IsMboxFile();
  body.convertAttachment = settings_.convertAttachment;
  body.embeddedContent = settings_.embeddedContent;
  body.contentIds = settings_.contentIds;

  bool callAgain = false, stop = false;
  int32_t skipped = 0, number = 0;
  int unfinishedPasses = 0;
  converted = 0;
  std::string line, sender, recipients, subject, boundary;

  // Where the first message starts.
  uint64_t lineStart = 0;
  bool lastReadOk;
  if (usable) {
    GetTOCEntry(toc_.bytes, toc_.layout, resumePosition + 1, info_.tocEntry);
    lineStart = info_.tocEntry.offset;
    input.Seek(lineStart);
    lastReadOk = ReadLine(input, line, nullptr);
  } else {
    lineStart = static_cast<uint64_t>(resumePosition);
    input.Seek(lineStart);
    lastReadOk = ReadLine(input, line, nullptr);
  }

  while (lastReadOk && !stop && !(hooks_.cancelled && hooks_.cancelled())) {
    int64_t index = resumePosition + converted + skipped;
    if (usable) {
      // Entries whose offset is not the start of a message are passed over.
      while (!IsSeparator(input, line, true) && index < entryCount) {
        ++skipped;
        index = resumePosition + converted + skipped;
        if (hooks_.log) hooks_.log(SkipLine(info_.tocEntry, index));
        if (index < entryCount) {
          GetTOCEntry(toc_.bytes, toc_.layout, index + 1, info_.tocEntry);
          lineStart = info_.tocEntry.offset;
          input.Seek(lineStart);
          lastReadOk = ReadLine(input, line, nullptr);
        }
      }
      if (!lastReadOk) break;
      if (index >= entryCount) {
        stop = true;
        break;
      }
    } else {
      info_.tocEntry = NeutralTOCEntry();
      info_.tocEntry.length = static_cast<uint32_t>(std::min<uint64_t>(input.SourceSize(), UINT32_MAX));
    }

    ++converted;
    ++number;
    index = resumePosition + converted + skipped;
    input.Seek(lineStart);
    const uint64_t messageStart = lineStart;
    if (settings_.messageBegins) settings_.messageBegins(info_.isRelated);
    if (sink.OneFilePerMessage()) out.Truncate(0);
    const uint64_t outputStart = out.Position();
    info_.status2Offset = 0;
    if (sink.Splits() && outputStart > settings_.splitLimit) {
      // This message begins the next output.
      callAgain = stop = true;
      --converted;
      --number;
      continue;
    }

    info_.subject.clear();
    sender.clear();
    recipients.clear();
    subject.clear();
    int64_t consumed = ProcessMessageHeaders(input, out, usable, ends_.crlf, sender, recipients, subject, boundary,
                                             info_, settings_.target, flavour, emlx, ends_.delimiter, settings_.now);
    if (hooks_.progress) {
      platform::TextEncoding encoding = flavour == 2 || subject.find('\x1B') != std::string::npos
                                            ? platform::kISO2022JP
                                            : platform::kISOLatin1;
      hooks_.progress(text::MakeUTF8("Subject: " + subject, encoding),
                      usable ? index : static_cast<int64_t>(input.Tell()));
    }
    int8_t state = info_.tocEntry.state;
    if (state == 1 && info_.mozStatusSeen) state = static_cast<int8_t>(info_.mozState);
    if (info_.dateSynthesized) ++counters.badDates;
    if (info_.isHTML) ++counters.htmlMessages;
    if (info_.isRichText) ++counters.richTextMessages;

    BodyState bodyState;
    bodyState.Reset(boundary);
    const int64_t entryLength = info_.tocEntry.length;
    // Within a usable entry's length no line is taken for the next separator.
    auto endsBody = [&]() {
      if (!usable || consumed > entryLength || out.Position() == outputStart) return IsSeparator(input, line, usable);
      return false;
    };
    const bool relatedBeforeBody = info_.isRelated;
    lineStart = input.Tell();
    lastReadOk = ReadLine(input, line, &consumed);
    bool ended = !lastReadOk || endsBody();
    bool rewound = false;
    while (!ended) {
      if (!(info_.mozStatusSeen && info_.mozDeleted))
        ConvertBodyLine(line, bodyState, info_, boundary, body, input, consumed, out);
      // The first "cid:" reference of an HTML message: it is converted once more from its
      // separator line, as a related message; the first pass is taken back whole.
      if ((rewound = info_.isRelated && !relatedBeforeBody)) break;
      lineStart = input.Tell();
      lastReadOk = ReadLine(input, line, &consumed);
      ended = !lastReadOk || endsBody();
    }
    if (rewound) {
      out.Truncate(outputStart);
      --converted;
      --number;
      if (info_.dateSynthesized) --counters.badDates;
      if (info_.isHTML) --counters.htmlMessages;
      if (info_.isRichText) --counters.richTextMessages;
      lineStart = messageStart;
      input.Seek(lineStart);
      lastReadOk = ReadLine(input, line, nullptr);
      continue;
    }

    if (out.Position() == outputStart) {
      // Nothing written: the message was rewound to be converted once more (as a related
      // message). A second empty pass, or a failed output, ends the mailbox instead of looping.
      if (out.Failed() || ++unfinishedPasses > 1) break;
      continue;
    }
    unfinishedPasses = 0;

    if (info_.mozStatusSeen && info_.mozDeleted) {
      // A message deleted in a Mozilla mailbox leaves nothing behind.
      out.Truncate(outputStart);
      --converted;
      ++skipped;
      continue;
    }

    if (flavour != 3 && info_.isMultipart) {
      // A signed message's inner part that no signature line closed is closed here, so
      // that the message stays well-formed.
      const std::string kSigned = "_pkcs7";
      if (info_.isSigned && boundary.size() > kSigned.size() &&
          boundary.compare(boundary.size() - kSigned.size(), kSigned.size(), kSigned) == 0) {
        out.Write("--" + boundary + "--\n");
        boundary.resize(boundary.size() - kSigned.size());
        info_.isSigned = false;
      }
      out.Write("--" + boundary + "--\n");
    }

    int32_t attachments = bodyState.attachmentCount;
    if (attachments == 0 && info_.mozStatusSeen) attachments = info_.mozAttachments;

    FinishedMessage message;
    message.number = number;
    message.convertedCount = converted;
    message.outputStart = outputStart;
    message.state = state;
    message.attachmentCount = attachments;
    message.tocUsable = usable;
    message.info = &info_;
    message.sender = &sender;
    message.recipients = &recipients;
    message.subject = &subject;
    if (!sink.FinishMessage(message)) {
      // The output cannot be written: nothing further of this mailbox would get through.
      --converted;
      break;
    }

    if (usable) {
      index = resumePosition + converted + skipped;
      if (index >= entryCount) {
        stop = true;
      } else {
        GetTOCEntry(toc_.bytes, toc_.layout, index + 1, info_.tocEntry);
        lineStart = info_.tocEntry.offset;
        input.Seek(lineStart);
        lastReadOk = ReadLine(input, line, nullptr);
      }
    }
    info_.isRelated = false;
  }

  if (callAgain) {
    if (usable)
      resumePosition += converted + skipped;
    else
      resumePosition = static_cast<int64_t>(lineStart);
  }
  return callAgain;
}

}  // namespace mailboxes
