#include "mailboxes/embedded_content.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace mailboxes {
namespace {

TEST(ContentIdReferences, FoundAfterAngleBracketSrcOrHref) {
  struct Case {
    std::string line;
    std::vector<std::string> ids;
  } cases[] = {
      {"<img src=\"cid:part1.abc@example.com\" alt=\"one\">", {"part1.abc@example.com"}},
      {"See <cid:part2@x> and <IMG SRC=\"cid:p3\">", {"part2@x", "p3"}},
      {"<a HREF=\"cid:doc\">", {"doc"}},
      {"<cid:to the end", {"to the end"}},
      {"cid:at the start <cid:never>", {}},  // an occurrence at position 0 ends the search
      {"mailto:cid:x and background=\"cid:y\"", {}},
      {"<cid:" + std::string(300, 'z') + ">", {std::string(255, 'z')}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> ids;
    for (size_t at = FindContentIdReference(c.line, 0); at != std::string::npos;
         at = FindContentIdReference(c.line, at + 1))
      ids.push_back(ContentIdAt(c.line, at));
    EXPECT_EQ(ids, c.ids) << c.line;
  }
}

TEST(ContentIdList, MatchesByNameRetryAndReferenceOrder) {
  ContentIdList ids;
  for (const char* id : {"photo@x", "image1.gif", "third@x", "logo7", "photo@x"}) ids.Add(id);
  EXPECT_EQ(ids.Match("image12.gif"), "image1.gif");  // tried once more without the digit before '.'
  EXPECT_EQ(ids.Match("logo78"), "logo7");            // without the last digit
  EXPECT_EQ(ids.Match("pic.png"), "photo@x");         // the oldest reference still open
  EXPECT_EQ(ids.Match("third@x"), "third@x");
  EXPECT_TRUE(ids.Empty());
  EXPECT_EQ(ids.Match("more.gif"), "");

  // What a first pass took is given back for the second.
  ids.Add("a");
  ids.Add("b");
  ids.Checkpoint();
  EXPECT_EQ(ids.Match("x"), "a");
  ids.Add("c");
  ids.TakeBack();
  EXPECT_TRUE(ids.Contains("a"));
  EXPECT_FALSE(ids.Contains("c"));
  EXPECT_EQ(ids.Match("y"), "a");
  EXPECT_EQ(ids.Match("y"), "b");
}

TEST(EmbeddedContentLine, FormsAndNames) {
  const std::string number = ": 00000001,4a7b2c3d,00000000,00000000";
  struct Case {
    std::string line;
    bool mac;
    bool embedded;
    std::string name;
  } cases[] = {
      {"Embedded Content: image1.gif" + number, true, true, "image1.gif"},
      {"Related: :Macintosh HD:Untitled:0022466B:586425E8:00000000:00000000", true, true, "Untitled"},
      {"Contenu int\xE9gr\xE9: image.gif" + number, false, true, " image.gif"},
      {"Contenu int\x8Egr\x8E: image.gif" + number, true, true, " image.gif"},
      {"Contenu int\x8Egr\x8E: image.gif" + number, false, false, ""},
      {"EINGEBETTETER INHALT: bild.png" + number, true, true, " bild.png"},
      {"Embedded Content: short", true, true, "short"},
      {"Embedded content is nice", true, false, ""},
  };
  for (const Case& c : cases) {
    std::string name;
    EXPECT_EQ(ParseEmbeddedContentLine(c.line, c.mac, name), c.embedded) << c.line;
    if (c.embedded) {
      EXPECT_EQ(name, c.name) << c.line;
    }
  }
  EXPECT_EQ(EmbeddedFileName("Caf\x8E%20photo.jpg", false), "Caf\xC3\xA9 photo.jpg");
  EXPECT_EQ(EmbeddedFileName("Caf\xE9 100%.jpg", true), "Caf\xC3\xA9 100%.jpg");
}

// A mailbox converted into memory, with the files put back from folders on disk.
class MemorySink final : public MessageSink {
 public:
  platform::OutputStream& Output() override { return out; }
  bool OneFilePerMessage() const override { return true; }
  bool IsMboxFile() const override { return false; }
  bool Splits() const override { return false; }
  bool FinishMessage(const FinishedMessage& m) override {
    messages.push_back(out.Data().substr(m.outputStart));
    numbers.push_back(m.number);
    attachments.push_back(m.attachmentCount);
    return true;
  }
  bool Close(int32_t) override { return true; }
  const std::string& FailedPath() const override { return path_; }
  int Error() const override { return 0; }

  platform::MemoryOutput out;
  std::vector<std::string> messages;
  std::vector<int> numbers, attachments;

 private:
  std::string path_;
};

TEST(RelatedMessage, ConvertedTwiceCountedAndLoggedOnce) {
  testing_support::ScratchFolder scratch;
  testing_support::WriteFile(scratch / "Attachments Folder/report.pdf", "%PDF");
  testing_support::WriteFile(scratch / "Parts Folder/pic.gif", "GIF89a");
  auto message = [](const std::string& subject, const std::string& extra, const std::string& body) {
    return "From ???@??? Tue Jan 01 12:34:56 2002\rFrom: a@example.com\rSubject: " + subject + "\r" + extra + "\r" +
           body;
  };
  const std::string mailbox =
      message("One", "", "Plain\r") +
      message("Two", "MIME-Version: 1.0\rContent-Type: multipart/alternative; boundary=\"alt\"\r",
              "<x-html>\r<p>Hi</p>\r</x-html>\r"
              "Attachment converted: Disk:Attachments Folder:report.pdf (PDF /CARO) (00000001)\r"
              "<x-html><img src=\"cid:pic@x\">\r</x-html>\r"
              "Embedded Content: pic.gif: 00000001,4a7b2c3d,00000000,00000000\r") +
      message("Three", "", "Plain\r");

  std::string log;
  int counted = 0;
  ReattachSetup setup;
  setup.attachments = std::make_shared<DiskAttachmentFolder>(platform::FileSpecFromPath(scratch / "Attachments Folder"));
  setup.parts = std::make_shared<DiskAttachmentFolder>(platform::FileSpecFromPath(scratch / "Parts Folder"));
  setup.log = [&log](const std::string& text) { log += text; };
  setup.countAttachment = [&counted] { ++counted; };
  MailboxSettings settings;
  InstallReattachHooks(settings, std::make_shared<Reattacher>(setup));

  platform::MemoryStream input(mailbox);
  const TableOfContents noToc;
  MailboxConverter converter(settings, noToc, MailboxHooks{});
  MemorySink sink;
  MailboxCounters counters;
  int64_t resume = 0;
  int32_t converted = 0;
  converter.Convert(input, DetectLineEnds(input), sink, resume, converted, counters);

  EXPECT_EQ(converted, 3);
  EXPECT_EQ(sink.numbers, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(counters.htmlMessages, 1);
  EXPECT_EQ(counters.badDates, 3);
  EXPECT_EQ(counted, 2);
  EXPECT_EQ(log, "  Recovering attachment \"report.pdf\"\n  Recovering embedded file \"pic.gif\"\n");
  ASSERT_EQ(sink.messages.size(), 3u);
  const std::string& related = sink.messages[1];
  EXPECT_NE(related.find("Content-Type: multipart/related; boundary=\"alt_Frln\""), std::string::npos) << related;
  // Nothing of the first pass is left.
  EXPECT_EQ(related.find("Subject: Two"), related.rfind("Subject: Two"));
  EXPECT_EQ(related.find("<p>Hi</p>"), related.rfind("<p>Hi</p>"));
  EXPECT_NE(related.find("filename=\"report.pdf\""), std::string::npos);
  EXPECT_NE(related.find("--alt--\n--alt_Frln\nContent-Transfer-Encoding: base64\nContent-Type: image/gif;\n"
                         "\tname=\"pic.gif\"\nContent-ID: <pic@x>\n"),
            std::string::npos)
      << related;
  EXPECT_EQ(sink.attachments, (std::vector<int>{0, 1, 0}));
  EXPECT_NE(sink.messages[2].find("Subject: Three"), std::string::npos);
}

}  // namespace
}  // namespace mailboxes
