#include "mailboxes/mailbox_converter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/byte_stream.h"
#include "platform/output_stream.h"

namespace {

using mailboxes::FinishedMessage;
using mailboxes::MailboxConverter;
using mailboxes::MailboxCounters;
using mailboxes::MailboxSettings;
using mailboxes::TableOfContents;

// Collects the finished messages of a single output (mbox-like) or of one output per message.
class MemorySink : public mailboxes::MessageSink {
 public:
  explicit MemorySink(bool oneFilePerMessage, bool splits = false)
      : perMessage_(oneFilePerMessage), splits_(splits) {}
  platform::OutputStream& Output() override { return out; }
  bool OneFilePerMessage() const override { return perMessage_; }
  bool IsMboxFile() const override { return !perMessage_; }
  bool Splits() const override { return splits_; }
  bool FinishMessage(const FinishedMessage& m) override {
    if (failAt != 0 && static_cast<int>(messages.size()) + 1 == failAt) return false;
    messages.push_back(out.Data().substr(m.outputStart));
    states.push_back(m.state);
    numbers.push_back(m.number);
    return true;
  }
  bool Close(int32_t) override { return true; }
  const std::string& FailedPath() const override { return path_; }
  int Error() const override { return 0; }

  platform::MemoryOutput out;
  std::vector<std::string> messages;
  std::vector<int> states;
  std::vector<int> numbers;
  int failAt = 0;

 private:
  bool perMessage_;
  bool splits_;
  std::string path_;
};

std::string Message(const std::string& subject, const std::string& eol = "\r",
                    const std::string& extra = "") {
  return "From ???@??? Tue Jan 01 12:34:56 2002" + eol + "Date: Tue, 01 Jan 2002 12:34:56 +0100" + eol +
         "From: a@example.com" + eol + "Subject: " + subject + eol + extra + eol + "Body of " + subject + eol;
}

struct Outcome {
  bool callAgain = false;
  int32_t converted = 0;
  int64_t resume = 0;
};

Outcome Convert(const std::string& mailbox, MemorySink& sink, const TableOfContents& toc = {},
            MailboxSettings settings = {}, int64_t resume = 0, std::vector<std::string>* log = nullptr) {
  platform::MemoryStream in(mailbox);
  mailboxes::MailboxHooks hooks;
  if (log) hooks.log = [log](const std::string& text) { log->push_back(text); };
  MailboxConverter converter(settings, toc, hooks);
  MailboxCounters counters;
  Outcome run;
  run.resume = resume;
  run.callAgain = converter.Convert(in, mailboxes::DetectLineEnds(in), sink, run.resume,
                                    run.converted, counters);
  return run;
}

// A Mac table of contents pointing at the messages of mailbox, all read.
TableOfContents MacToc(const std::vector<std::string>& messages) {
  std::string toc(278, '\0');
  uint32_t offset = 0;
  for (const std::string& m : messages) {
    std::string entry(220, '\0');
    for (int i = 0; i < 4; ++i) {
      entry[i] = static_cast<char>(offset >> (24 - 8 * i));
      entry[4 + i] = static_cast<char>(m.size() >> (24 - 8 * i));
    }
    entry[12] = 2;      // read
    entry[62] = 120;    // normal priority
    toc += entry;
    offset += static_cast<uint32_t>(m.size());
  }
  toc[262] = static_cast<char>(messages.size() >> 8);
  toc[263] = static_cast<char>(messages.size() & 0xFF);
  TableOfContents out;
  out.kind = mailboxes::kTocResource;
  out.bytes = toc;
  out.entryCount = static_cast<int64_t>(messages.size());
  return out;
}

TEST(MailboxConverter, CutsAMailboxIntoMessages) {
  MemorySink sink(true);
  Outcome run = Convert(Message("One") + Message("Two") + Message("Three"), sink);
  EXPECT_FALSE(run.callAgain);
  EXPECT_EQ(run.converted, 3);
  ASSERT_EQ(sink.messages.size(), 3u);
  EXPECT_NE(sink.messages[2].find("Subject: Three\n"), std::string::npos);
  EXPECT_NE(sink.messages[2].find("\n\nBody of Three\n"), std::string::npos);
  EXPECT_EQ(sink.numbers, (std::vector<int>{1, 2, 3}));
}

TEST(MailboxConverter, EudoraMailboxWithUnixLineEndsIsCutIntoItsMessages) {
  MemorySink sink(true);
  const std::string crInBody = "Subject: a CR\rinside a line";
  Outcome run = Convert(Message("One", "\n") + Message("Two", "\n", crInBody + "\n"), sink);
  EXPECT_EQ(run.converted, 2);
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_NE(sink.messages[1].find("\n\nBody of Two\n"), std::string::npos);
}

TEST(MailboxConverter, ContinuesPastTheSplitLimitInAFurtherCall) {
  const std::vector<std::string> messages = {Message("One"), Message("Two"), Message("Three")};
  const std::string mailbox = messages[0] + messages[1] + messages[2];
  MailboxSettings settings;
  settings.splitLimit = 100;  // every message passes it
  for (bool withToc : {false, true}) {
    SCOPED_TRACE(withToc ? "with a table of contents" : "without");
    TableOfContents toc = withToc ? MacToc(messages) : TableOfContents{};
    std::vector<std::string> subjects;
    int64_t resume = 0;
    int calls = 0;
    bool again = true;
    while (again && calls < 10) {
      MemorySink sink(false, true);
      Outcome run = Convert(mailbox, sink, toc, settings, resume);
      ++calls;
      again = run.callAgain;
      resume = run.resume;
      for (const std::string& m : sink.messages) subjects.push_back(m.substr(m.find("Body of ") + 8, 3));
    }
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(subjects, (std::vector<std::string>{"One", "Two", "Thr"}));
  }
}

TEST(MailboxConverter, TocEntriesThatMissAMessageAreSkippedAndLogged) {
  std::vector<std::string> messages = {Message("One"), Message("Two"), Message("Three")};
  TableOfContents toc = MacToc(messages);
  toc.bytes[278 + 220 + 3] += 5;  // the second entry points into its message
  std::vector<std::string> log;
  MemorySink sink(true);
  Outcome run = Convert(messages[0] + messages[1] + messages[2], sink, toc, {}, 0, &log);
  EXPECT_EQ(run.converted, 2);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("(message 2 in TOC)"), std::string::npos);
  EXPECT_EQ(sink.states, (std::vector<int>{2, 2}));
}

TEST(MailboxConverter, DeletedMozillaMessagesLeaveNothingBehind) {
  MailboxSettings settings;
  settings.flavour = 3;
  std::string deleted = Message("Gone", "\n", "X-Mozilla-Status: 0009\n");
  MemorySink sink(false);
  Outcome run = Convert(Message("Kept", "\n") + deleted, sink, {}, settings);
  EXPECT_EQ(run.converted, 1);
  ASSERT_EQ(sink.messages.size(), 1u);
  // The last message was deleted: the output ends where the kept one ended.
  EXPECT_EQ(sink.out.Data(), sink.messages[0]);
  EXPECT_EQ(sink.out.Data().find("Gone"), std::string::npos);
}

TEST(MailboxConverter, SignedMessagesAreClosedEvenWithoutTheirSignature) {
  std::string signedMessage = Message("Signed", "\r",
                                      "MIME-Version: 1.0\rContent-Type: multipart/signed; boundary=\"b\"; "
                                      "protocol=\"application/pkcs7-signature\"\r");
  MemorySink sink(true);
  Convert(signedMessage, sink);
  ASSERT_EQ(sink.messages.size(), 1u);
  const std::string& m = sink.messages[0];
  size_t inner = m.find("--b_pkcs7--\n");
  ASSERT_NE(inner, std::string::npos) << m;
  EXPECT_NE(m.find("--b--\n", inner), std::string::npos) << m;
}

TEST(MailboxConverter, AnOutputThatFailsStopsTheMailbox) {
  MemorySink sink(true);
  sink.failAt = 2;
  Outcome run = Convert(Message("One") + Message("Two") + Message("Three"), sink);
  EXPECT_EQ(run.converted, 1);
  EXPECT_FALSE(run.callAgain);
}

TEST(MailboxConverter, JunkAndHugeLinesDoNotHang) {
  std::string junk;
  for (int i = 0; i < 5000; ++i) junk += static_cast<char>((i * 7919) & 0xFF);
  std::string huge = Message("Big") + std::string(9u << 20, 'x') + "\r" + Message("After");
  for (const std::string* input : {&junk, &huge}) {
    MemorySink sink(true);
    Outcome run = Convert(*input, sink);
    EXPECT_GE(run.converted, 1);
  }
}

}  // namespace
