#include "mailboxes/thunderbird_sink.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <string>
#include <vector>

#include "mailboxes/mailbox_converter.h"
#include "platform/byte_stream.h"
#include "platform/files.h"
#include "platform/output_stream.h"
#include "support/test_support.h"

namespace {

using mailboxes::MailboxSettings;
using mailboxes::PlaceMailbox;
using mailboxes::TableOfContents;
using mailboxes::ThunderbirdSink;
using testing_support::ReadFile;
using testing_support::ScratchFolder;
using testing_support::WriteFile;

// Converts mailbox for the Thunderbird target into sink; returns the converted count.
int32_t Convert(const std::string& mailbox, ThunderbirdSink& sink, MailboxSettings settings,
                const TableOfContents& toc = {}) {
  settings.target = 2;
  platform::MemoryStream in(mailbox);
  mailboxes::MailboxConverter converter(settings, toc, {});
  mailboxes::MailboxCounters counters;
  int64_t resume = 0;
  int32_t converted = 0;
  converter.Convert(in, mailboxes::DetectLineEnds(in), sink, resume, converted, counters);
  EXPECT_TRUE(sink.Close(converted));
  return converted;
}

// A Mac table of contents for the messages, with each one's state and label.
TableOfContents MacToc(const std::vector<std::string>& messages, const std::vector<std::pair<int, int>>& states) {
  std::string toc(278, '\0');
  uint32_t offset = 0;
  for (size_t n = 0; n < messages.size(); ++n) {
    std::string entry(220, '\0');
    for (int i = 0; i < 4; ++i) {
      entry[i] = static_cast<char>(offset >> (24 - 8 * i));
      entry[4 + i] = static_cast<char>(messages[n].size() >> (24 - 8 * i));
    }
    entry[12] = static_cast<char>(states[n].first);
    const uint32_t flags = static_cast<uint32_t>(states[n].second & 0xF) << 14;
    for (int i = 0; i < 4; ++i) entry[50 + i] = static_cast<char>(flags >> (24 - 8 * i));
    entry[62] = 120;
    toc += entry;
    offset += static_cast<uint32_t>(messages[n].size());
  }
  toc[263] = static_cast<char>(messages.size());
  TableOfContents out;
  out.kind = mailboxes::kTocResource;
  out.bytes = toc;
  out.entryCount = static_cast<int64_t>(messages.size());
  return out;
}

std::vector<std::string> Lines(const std::string& text, std::string_view prefix) {
  std::vector<std::string> found;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (line.starts_with(prefix)) found.push_back(line);
    start = end + 1;
  }
  return found;
}

TEST(ThunderbirdSink, StatusLinesFromTheTableAndTheAttachments) {
  // State 8 and label 7 with one attachment: 1001, then 0A000000 with the has-attachments
  // bit. State 3 and label 2 without attachments: 0003 and 04000000. Text that a pseudo-tag
  // left at the start of a line is guarded like any other "From " line.
  const std::string first =
      "From ???@??? Tue Jan 01 12:34:56 2002\rSubject: One\rMIME-Version: 1.0\r"
      "Content-Type: multipart/mixed; boundary=\"b\"\r\rText\rAttachment converted: Disk:a.txt (TEXT/ttxt) (0001)\r";
  const std::string second = "From ???@??? Tue Jan 01 12:34:56 2002\rSubject: Two\r\r<x-flowed>From the top\r";
  MailboxSettings settings;
  settings.convertAttachment = [](platform::OutputStream& out, const std::string&, const std::string& boundary, bool) {
    out.Write("--" + boundary + "\nContent-Type: text/plain\n\nattached\n");
    return true;
  };
  ScratchFolder scratch;
  platform::MemoryOutput mbox;
  ThunderbirdSink sink(mbox, "In", scratch.Path());
  EXPECT_EQ(Convert(first + second, sink, settings, MacToc({first, second}, {{8, 7}, {3, 2}})), 2);
  const std::string& out = mbox.Data();
  EXPECT_EQ(Lines(out, "X-Mozilla-"),
            (std::vector<std::string>{"X-Mozilla-Status: 1001", "X-Mozilla-Status2: 1A000000",
                                      "X-Mozilla-Keys: eudoralabel7", "X-Mozilla-Status: 0003",
                                      "X-Mozilla-Status2: 04000000", "X-Mozilla-Keys: eudoralabel2"}));
  EXPECT_EQ(sink.TaggedLabels(), (std::set<int32_t>{2, 7}));
  EXPECT_EQ(Lines(out, "From "), (std::vector<std::string>{"From - Tue Jan 01 12:34:56 2002",
                                                           "From - Tue Jan 01 12:34:56 2002"}));
  EXPECT_NE(out.find("\n From the top\n"), std::string::npos) << out;
}

TEST(ThunderbirdSink, MozillaSourceKeepsItsAttachmentBitAndDropsDeletedMessages) {
  // Without the has-attachments bit in X-Mozilla-Status2 the message has none, whatever its
  // body holds; with it, the body's attachment parts count. A deleted message leaves nothing.
  auto message = [](const std::string& subject, const std::string& status) {
    return "From - Sat Mar 15 08:00:00 2003\n" + status + "\nSubject: " + subject +
           "\n\nText\nContent-Disposition: attachment; filename=\"a.txt\"\n\n";
  };
  const std::string box = message("None", "X-Mozilla-Status2: 00000000") +
                          message("Gone", "X-Mozilla-Status: 0009") +
                          message("Some", "X-Mozilla-Status2: 10000000") + message("Unmarked", "X-Other: 1");
  MailboxSettings settings;
  settings.flavour = 3;
  ScratchFolder scratch;
  platform::MemoryOutput mbox;
  ThunderbirdSink sink(mbox, "Inbox", scratch.Path());
  EXPECT_EQ(Convert(box, sink, settings), 3);
  EXPECT_EQ(mbox.Data().find("Gone"), std::string::npos);
  // The converter's own pair follows the source's lines of each message.
  EXPECT_EQ(Lines(mbox.Data(), "X-Mozilla-Status2"),
            (std::vector<std::string>{"X-Mozilla-Status2: 00000000", "X-Mozilla-Status2: 00000000",
                                      "X-Mozilla-Status2: 10000000", "X-Mozilla-Status2: 10000000",
                                      "X-Mozilla-Status2: 10000000"}));
}

TEST(ThunderbirdSink, AppendsToAMailFolderFileThatExists) {
  ScratchFolder scratch;
  const std::string mail = scratch / "Mail Folder";
  const std::string box = "From ???@??? Tue Jan 01 12:34:56 2002\rSubject: New\r\rText\r";
  WriteFile(mail + "/Clients.fol/Work.mbx", box);
  WriteFile(mail + "/In", box);
  // Both mail folder files exist already: an Eudora folder's (empty) one and an old one
  // whose last line has no line end.
  WriteFile(scratch / "base/Clients", "");
  WriteFile(scratch / "base/In", "From - Mon Jan 01 00:00:00 2001\nSubject: old\n\nold text");
  const platform::FileSpec base = platform::FileSpecFromPath(scratch / "base");
  for (const char* name : {"/Clients.fol/Work.mbx", "/In"}) {
    const platform::FileSpec mailbox = platform::FileSpecFromPath(mail + name);
    std::string relativePath;
    int error = -1;
    auto sink = ThunderbirdSink::Create(PlaceMailbox(mailbox, name[1] == 'C' ? 1 : 0), base, relativePath, error);
    ASSERT_TRUE(sink) << error;
    EXPECT_EQ(Convert(box, *sink, {}), 1);
  }
  EXPECT_EQ(ReadFile(scratch / "base/Clients"), "");
  EXPECT_EQ(Lines(ReadFile(scratch / "base/Clients.sbd/Work"), "Subject"), std::vector<std::string>{"Subject: New"});
  const std::string in = ReadFile(scratch / "base/In");
  EXPECT_TRUE(in.starts_with("From - Mon Jan 01 00:00:00 2001\nSubject: old\n\nold text\nFrom - Tue")) << in;
  EXPECT_EQ(Lines(in, "Subject"), (std::vector<std::string>{"Subject: old", "Subject: New"}));

  // A folder where the mail folder file belongs cannot be written into.
  testing_support::WriteFile(scratch / "base/Out/x", "");
  WriteFile(mail + "/Out", box);
  std::string relativePath;
  int error = 0;
  EXPECT_FALSE(ThunderbirdSink::Create(PlaceMailbox(platform::FileSpecFromPath(mail + "/Out"), 0), base, relativePath, error));
  EXPECT_EQ(error, EISDIR);
}

}  // namespace
