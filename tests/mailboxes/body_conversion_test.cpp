#include "mailboxes/body_conversion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mailboxes {
namespace {

struct Setup {
  int32_t flavour = 1;
  bool crlf = false;
  bool mbox = false;
  bool multipart = false;
  bool html = false;
  bool application = false;
  bool isSigned = false;
  std::string boundary = "b";
};

struct Result {
  std::string output;
  Frln_MessageInfo info;
  BodyState state;
  std::string boundary;
};

// Feeds a body to the conversion line by line, as the mailbox driver does, and checks that
// every byte of the body is counted once, whether the driver or the conversion read it.
Result Convert(const Setup& setup, const std::string& body, BodyContext context = {}) {
  context.flavour = setup.flavour;
  context.crlf = setup.crlf;
  context.delimiter = setup.flavour == 3 ? '\n' : '\r';
  context.mboxOutput = setup.mbox;
  Result r;
  r.info.isMultipart = setup.multipart;
  r.info.isHTML = setup.html;
  r.info.isApplication = setup.application;
  r.info.isSigned = setup.isSigned;
  r.boundary = setup.boundary;
  r.state.Reset(r.boundary);
  platform::MemoryStream input(body);
  platform::MemoryOutput out;
  int64_t consumed = 0;
  std::string line;
  for (;;) {
    const uint64_t start = input.Tell();
    line.clear();
    if (!input.ReadUntil(context.delimiter, line)) break;
    if (setup.crlf && input.Peek() == '\n') input.Get();
    consumed += static_cast<int64_t>(input.Tell() - start);
    ConvertBodyLine(line, r.state, r.info, r.boundary, context, input, consumed, out);
  }
  EXPECT_EQ(consumed, static_cast<int64_t>(body.size())) << body;
  r.output = out.Data();
  return r;
}

struct Case {
  const char* name;
  Setup setup;
  std::string body;
  std::string expected;
};

TEST(ConvertBodyLine, TagsPartHeadersAndText) {
  const std::string pete = "<!x-stuff-for-pete base=\"\" src=\"\" id=\"1\" charset=\"iso-8859-1/macintosh\">";
  const std::vector<Case> cases = {
      {"HTML part named macintosh by Eudora stays Mac Roman", {.multipart = true},
       "<x-html>" + pete + "<html>\r<p>Caf\x8e</p>\r</x-html>\r",
       "--b\nContent-Type: text/html;charset=\"macintosh\"\n\n<html>\n<p>Caf\x8e</p>\n"},
      {"HTML part without charset tag is recoded and says so", {.multipart = true},
       "<x-html>\r<p>Caf\x8e</p>\r</x-html>\rAfter\r",
       "--b\nContent-Type: text/html;charset=\"ISO-8859-1\"\n\n<p>Caf\xe9</p>\nAfter\n"},
      {"HTML part in Japanese mail", {.flavour = 2, .multipart = true},
       "<x-html>\r\x82\xa0\r", "--b\nContent-Type: text/html;charset=\"ISO-2022-JP\"\n\n\x1b$B$\"\x1b(B\n"},
      {"<html> opens the part and is written", {.multipart = true}, "<html>\r",
       "--b\nContent-Type: text/html;charset=\"ISO-8859-1\"\n\n<html>\n"},
      {"single-part HTML: tags only removed", {.html = true}, "<x-html>\r<p>x</p>\r</x-html>\r</html>\r",
       "<p>x</p>\n</html>\n"},
      {"enriched part", {.multipart = true}, "<x-rich>Some <bold>rich</bold>\r</x-rich>\r",
       "--b\nContent-Type: text/enriched;charset=\"ISO-8859-1\"\n\nSome <bold>rich</bold>\n"},
      {"tags at line starts go, tags inside stay", {},
       "<x-flowed>Flowed text\rPlain line\r</x-flowed>\r<nofill>\rKeep <x-rich> inside\r</nofill>\r<x-flowed open\r",
       "Flowed text\nPlain line\nKeep <x-rich> inside\n<x-flowed open\n"},
      {"text in a charset of its own is not recoded", {},
       "<x-charset utf-8>\xc3\xa9\r</x-charset>\x8e\r<x-flowed iso-8859-1>\xe9\r</x-flowed>\r",
       "\xc3\xa9\n\xe9\n\xe9\n"},
      {"charset tag turns recoding off for single-part HTML", {.html = true},
       "<x-html><!x-stuff-for-pete charset=\"UTF-8\">\xc3\xa9\r", "\xc3\xa9\n"},
      {"text/plain header left in the text gets the charset", {.multipart = true},
       "Content-Type: text/plain;\rText \x8e\r",
       "--b\nContent-Type: text/plain; charset=\"ISO-8859-1\"\n\nText \xe9\n"},
      {"header naming Eudora's Mac charset", {.multipart = true},
       "Content-Type: text/plain; charset=\"iso-8859-1/macintosh\"\r\rCaf\x8e\r",
       "--b\nContent-Type: text/plain; charset=\"macintosh\"\n\nCaf\x8e\n"},
      {"unrecoded HTML part takes the charset of its text", {.multipart = true},
       "Content-Type: text/plain; charset=utf-8\r\rplain\r<x-html>\r<p>\xc3\xa9</p>\r",
       "--b\nContent-Type: text/plain; charset=utf-8\n\nplain\n"
       "--b\nContent-Type: text/html;charset=\"utf-8\"\n\n<p>\xc3\xa9</p>\n"},
      {"non-text part header is dropped up to its empty line", {.multipart = true},
       "Content-Type: image/gif; name=\"a.gif\"\rContent-Transfer-Encoding: base64\rContent-ID: <x>\r\rR0lG\r",
       "\nR0lG\n"},
      {"dropped part header in a CR LF mailbox", {.crlf = true, .multipart = true},
       "Content-Type: image/gif\r\nX-A: 1\r2\r\n\r\nafter\r\n", "\nafter\n"},
      {"dropped part header running to the end of the input", {.multipart = true},
       "Content-Type: image/gif\rContent-ID: <x>", "\n"},
      {"dropping stops at the next message", {.multipart = true},
       "Content-Type: image/gif\rFrom ???@??? Tue Jan 01 12:34:56 2002\rSubject: next\r",
       "\nFrom ???@??? Tue Jan 01 12:34:56 2002\nSubject: next\n"},
      {"From lines in an mbox file", {.mbox = true}, "From the start\rfrom here\r<x-flowed>From a tag\r",
       " From the start\nfrom here\n From a tag\n"},
      {"From lines in a message file", {}, "From the start\r", "From the start\n"},
      {"zero bytes", {}, std::string("\0\0\0\rA\0B\x8e\r", 9), "\nAB\xe9\n"},
      {"Mac Roman text", {}, "5\x80 Caf\x8e \xa5\r", "5\xc4 Caf\xe9  \n"},
      {"Windows Latin 1 text", {.crlf = true}, "costs 5\x80 Caf\xe9\r\n", "costs 5  Caf\xe9\n"},
      {"Japanese part headers for attachments are dropped", {.flavour = 2, .multipart = true},
       "Content-Disposition: attachment\rtext\r", "text\n"},
      {"Mozilla text is taken as it is", {.flavour = 3, .mbox = true}, "<x-html>\x8e\nFrom x\n",
       "<x-html>\x8e\n From x\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Convert(c.setup, c.body).output, c.expected) << c.name;
}

TEST(ConvertBodyLine, AttachmentLines) {
  struct Call {
    std::string line, boundary;
    bool application;
  };
  std::vector<Call> calls;
  bool found = true;
  BodyContext context;
  context.convertAttachment = [&](platform::OutputStream& out, const std::string& line, const std::string& boundary,
                                  bool application) {
    calls.push_back({line, boundary, application});
    if (found) out.Write("[part]\n");
    return found;
  };
  const std::string line = "Attachment converted: Disk:R\x8esum\x8e.pdf (PDF /CARO) (0012AB34)";
  const std::string utf8 = "Attachment converted: Disk:R\xc3\xa9sum\xc3\xa9.pdf (PDF /CARO) (0012AB34)";

  Result r = Convert({.multipart = true}, "Text\r" + line + "\r", context);
  EXPECT_EQ(r.output, "Text\n[part]\n");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].line, utf8);
  EXPECT_EQ(calls[0].boundary, "b");
  EXPECT_EQ(r.state.attachmentCount, 1);

  // Outside a multipart message the line is text.
  calls.clear();
  r = Convert({}, line + "\r", context);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(r.output, "Attachment converted: Disk:R\xe9sum\xe9.pdf (PDF /CARO) (0012AB34)\n");

  // No file name in the line: written as text from its own bytes, recoded once.
  found = false;
  r = Convert({.multipart = true}, line + "\r", context);
  EXPECT_EQ(r.output, "Attachment converted: Disk:R\xe9sum\xe9.pdf (PDF /CARO) (0012AB34)\n");
  EXPECT_EQ(r.state.attachmentCount, 0);

  // The whole body is the attachment.
  found = true;
  calls.clear();
  r = Convert({.application = true, .boundary = ""}, line + "\r", context);
  EXPECT_EQ(r.output, "[part]\n");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_TRUE(calls[0].application);
  EXPECT_EQ(calls[0].boundary, "");

  // The signature of a signed message closes the signed content first.
  calls.clear();
  r = Convert({.multipart = true, .isSigned = true, .boundary = "sig_pkcs7"},
              "Signed\rAttachment converted: Disk:smime.p7s (pkcs/SMIM) (00001234)\r", context);
  EXPECT_EQ(r.output, "Signed\n\n--sig_pkcs7--\n\n[part]\n");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].boundary, "sig");
  EXPECT_EQ(r.boundary, "sig");
  EXPECT_EQ(r.state.boundary, "sig");
  EXPECT_FALSE(r.info.isSigned);
  EXPECT_EQ(r.state.attachmentCount, 0);
}

TEST(ConvertBodyLine, EmbeddedContentAndRelatedRewind) {
  BodyContext context;
  std::vector<std::string> embedded;
  context.embeddedContent = [&](platform::OutputStream&, const std::string& line, BodyState& state,
                                std::string& messageBoundary) {
    if (!line.starts_with("Embedded Content: ")) return false;
    embedded.push_back(line);
    state.boundary = messageBoundary;
    return true;
  };
  int rewinds = 0;
  context.contentIds = [&](const std::string& line, BodyState&, Frln_MessageInfo& info) {
    if (info.isRelated || line.find("cid:") == std::string::npos) return false;
    info.isRelated = true;
    ++rewinds;
    return true;
  };

  const std::string body = "<x-html>\r<img src=\"cid:a\">\r</x-html>\rEmbedded Content: a.gif: 1\rtext\r";
  Result r = Convert({.multipart = true, .boundary = "b_Frln"}, body, context);
  EXPECT_EQ(rewinds, 1);
  EXPECT_EQ(embedded, std::vector<std::string>{"Embedded Content: a.gif: 1"});
  // The related part's boundary is used without its tag until the embedded file closes it.
  EXPECT_EQ(r.output, "--b\nContent-Type: text/html;charset=\"ISO-8859-1\"\n\ntext\n");
  EXPECT_EQ(r.state.boundary, "b_Frln");

  // Not multipart: neither step runs, the lines are text.
  embedded.clear();
  r = Convert({.html = true}, body, context);
  EXPECT_TRUE(embedded.empty());
  EXPECT_EQ(r.output, "<img src=\"cid:a\">\nEmbedded Content: a.gif: 1\ntext\n");
}

TEST(ConvertBodyLine, MozillaAttachmentsCountedFromPartHeaders) {
  struct MozCase {
    bool statusSeen;
    int32_t statusAttachments;
    std::string body;
    bool seen;
    int32_t attachments;
  };
  const std::vector<MozCase> cases = {
      {false, -1, "Content-Disposition: attachment; a\nContent-ID: <abcdefghij>\n", true, 2},
      // The AppleDouble wrapper and its two halves are one attachment.
      {false, -1,
       "Content-Type: multipart/appledouble; boundary=x\nContent-Disposition: attachment; a\n"
       "Content-Disposition: attachment; b\n",
       true, 1},
      {true, 0, "Content-Disposition: attachment; a\n", true, 1},
      // The status header said there are none.
      {true, -1, "Content-Disposition: attachment; a\n", true, -1},
      {false, -1, "Content-ID: <x>\n", false, -1},  // too short to count
  };
  for (const MozCase& c : cases) {
    BodyContext context;
    context.flavour = 3;
    context.delimiter = '\n';
    Frln_MessageInfo info;
    info.mozStatusSeen = c.statusSeen;
    info.mozAttachments = c.statusAttachments;
    BodyState state;
    std::string boundary;
    state.Reset(boundary);
    platform::MemoryStream input(c.body);
    platform::MemoryOutput out;
    int64_t consumed = 0;
    std::string line;
    while (input.ReadUntil('\n', line)) {
      ConvertBodyLine(line, state, info, boundary, context, input, consumed, out);
      line.clear();
    }
    EXPECT_EQ(info.mozStatusSeen, c.seen) << c.body;
    EXPECT_EQ(info.mozAttachments, c.attachments) << c.body;
    EXPECT_EQ(out.Data(), c.body);
  }
}

}  // namespace
}  // namespace mailboxes
