#include "mailboxes/header_pass.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/line_reader.h"

namespace mailboxes {
namespace {

constexpr std::time_t kNow = 1010682496;  // Thu, 10 Jan 2002 17:08:16 UTC
constexpr int32_t kTOCDate = 1010682496;
constexpr const char* kSeparator = "From ???@??? Tue Jan 01 12:34:56 2002";
constexpr int32_t kSeparatorInstant = 1009884896;  // 2002-01-01 11:34:56 UTC
const std::string kDate = "Date: Tue, 01 Jan 2002 12:34:56 +0100";
const std::string kPlain = "Content-Type: text/plain; charset=\"ISO-8859-1\"\n";
const std::string kPreamble = "\nThis is a multi-part message in MIME format.\n";

// A mailbox text: every line followed by eol.
std::string Mailbox(std::initializer_list<std::string_view> lines, std::string_view eol = "\r") {
  std::string out;
  for (std::string_view line : lines) {
    out += line;
    out += eol;
  }
  return out;
}

struct Options {
  int32_t target = 1;
  int32_t flavour = 1;
  bool emlx = true;
  bool haveTOC = false;
  TOCF_Message_Header entry{};
  bool related = false;
  bool crlf = false;
  char delimiter = '\r';
};

struct Pass {
  std::string output;
  int64_t consumed = 0;
  uint64_t position = 0;
  Frln_MessageInfo info;
  std::string from, to, subject;
  std::string boundary = "old";
  bool crlf = false;
  char delimiter = '\r';
};

class HeaderPass : public ::testing::Test {
 protected:
  // A machine one hour east of UTC, without daylight-saving time.
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) saved_ = tz;
    setenv("TZ", "UTC-1", 1);
    tzset();
  }
  void TearDown() override {
    if (saved_) setenv("TZ", saved_->c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }

  static Pass Run(std::string_view mailbox, const Options& options = {}) {
    platform::MemoryStream input(mailbox);
    platform::MemoryOutput output;
    Pass pass;
    pass.info.tocEntry = options.entry;
    pass.info.isRelated = options.related;
    pass.crlf = options.crlf;
    pass.delimiter = options.delimiter;
    pass.consumed = ProcessMessageHeaders(input, output, options.haveTOC, pass.crlf, pass.from, pass.to, pass.subject,
                                          pass.boundary, pass.info, options.target, options.flavour, options.emlx,
                                          pass.delimiter, kNow);
    pass.output = output.Data();
    pass.position = input.Tell();
    return pass;
  }

 private:
  std::optional<std::string> saved_;
};

TEST_F(HeaderPass, MultipartMessageWithoutDate) {
  const std::string box = Mailbox({kSeparator, "From: Anna <anna@example.com>", "To: bob@example.com", "Subject: Hello",
                                   "MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=\"=b=\"", "",
                                   "Body line", ""});
  const Pass pass = Run(box);
  EXPECT_EQ(pass.output,
            "From: Anna <anna@example.com>\nTo: bob@example.com\nSubject: Hello\n" + kDate +
                "\nMIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=\"=b=\"\n" + kPreamble + "\n--=b=\n" +
                kPlain + "\n");
  EXPECT_EQ(pass.boundary, "=b=");
  EXPECT_EQ(pass.consumed, static_cast<int64_t>(box.find("Body line")));
  EXPECT_EQ(pass.position, box.find("Body line"));
  EXPECT_TRUE(pass.info.isMultipart);
  EXPECT_TRUE(pass.info.dateSynthesized);
  EXPECT_FALSE(pass.info.isSigned);
  EXPECT_EQ(pass.info.dateSent, kSeparatorInstant);
  EXPECT_EQ(pass.info.dateKey, 2002 * 512 + 1 * 32 + 1);
  EXPECT_EQ(pass.from, "Anna <anna@example.com>");
  EXPECT_EQ(pass.to, "bob@example.com");
  EXPECT_EQ(pass.subject, "Hello");
  EXPECT_EQ(pass.info.subject, "Hello");
  EXPECT_EQ(pass.info.priority, 120);
}

TEST_F(HeaderPass, EightBitHeadersAreEncodedAndDisplayedDecoded) {
  const Pass pass = Run(Mailbox({kSeparator, kDate, "From: Ren\x8E <r@example.com>", "To: J\x9Arg <j@example.com>",
                                 "Cc: \"Caf\x8E\"", "Subject: Caf\x8E", "X-Note: \x8E", "", "Body"}));
  EXPECT_EQ(pass.output, kDate +
                             "\nFrom: Ren=?ISO-8859-1?Q?=E9?= <r@example.com>\n"
                             "To: J=?ISO-8859-1?Q?=F6?=rg <j@example.com>\n"
                             "Cc: Caf=?ISO-8859-1?Q?=E9?=\n"
                             "Subject: Caf=?ISO-8859-1?Q?=E9?=\n"
                             "X-Note: =?ISO-8859-1?Q?=E9?=\n" +
                             kPlain + "\n");
  EXPECT_EQ(pass.from, "Ren\xE9 <r@example.com>");
  EXPECT_EQ(pass.to, "J\xF6rg <j@example.com>");
  EXPECT_EQ(pass.subject, "Caf\xE9");
  EXPECT_EQ(pass.info.subject, "Caf\x8E");  // as the mailbox holds it
}

TEST_F(HeaderPass, SeparatorAndStatusLinesFollowTheTarget) {
  struct Case {
    int32_t target;
    bool emlx;
    std::optional<std::pair<int8_t, int16_t>> stateAndLabel;  // a table-of-contents entry
    std::string first;                                         // the separator's replacement
    std::string status;                                        // the X-Mozilla-Status pair
    std::string keys = "";                                     // the label's keyword line
  };
  const std::string pair = "X-Mozilla-Status: 0000\nX-Mozilla-Status2: 00000000\n";
  const Case cases[] = {
      {1, true, std::nullopt, "", ""},
      {1, false, std::nullopt, std::string(kSeparator) + "\n", ""},
      {1, true, std::pair<int8_t, int16_t>{3, 2}, "", ""},
      {2, false, std::nullopt, "From - Tue Jan 01 12:34:56 2002\n", pair},
      {2, false, std::pair<int8_t, int16_t>{1, 0}, "From - Tue Jan 01 12:34:56 2002\n", pair},
      {2, false, std::pair<int8_t, int16_t>{3, 2}, "From - Tue Jan 01 12:34:56 2002\n",
       "X-Mozilla-Status: 0003\nX-Mozilla-Status2: 04000000\n", "X-Mozilla-Keys: eudoralabel2\n"},
      {2, false, std::pair<int8_t, int16_t>{8, 7}, "From - Tue Jan 01 12:34:56 2002\n",
       "X-Mozilla-Status: 1001\nX-Mozilla-Status2: 0A000000\n", "X-Mozilla-Keys: eudoralabel7\n"},
      {2, false, std::pair<int8_t, int16_t>{9, 15}, "From - Tue Jan 01 12:34:56 2002\n",
       "X-Mozilla-Status: 0001\nX-Mozilla-Status2: 0A000000\n", "X-Mozilla-Keys: eudoralabel15\n"},
      // Windows tables of contents allow more labels than have a colour: those get no tag.
      {2, false, std::pair<int8_t, int16_t>{9, 16}, "From - Tue Jan 01 12:34:56 2002\n",
       "X-Mozilla-Status: 0001\nX-Mozilla-Status2: 0A000000\n"},
      {2, false, std::pair<int8_t, int16_t>{9, -3}, "From - Tue Jan 01 12:34:56 2002\n",
       "X-Mozilla-Status: 0001\nX-Mozilla-Status2: 00000000\n"},
  };
  for (const Case& c : cases) {
    Options options;
    options.target = c.target;
    options.emlx = c.emlx;
    if (c.stateAndLabel) {
      options.haveTOC = true;
      options.entry.subject = "S";
      options.entry.state = c.stateAndLabel->first;
      options.entry.label = c.stateAndLabel->second;
    }
    const Pass pass = Run(Mailbox({kSeparator, kDate, "Subject: S", "", "Body"}), options);
    EXPECT_EQ(pass.output, c.first + kDate + "\nSubject: S\n" + c.status + c.keys + kPlain + "\n")
        << c.first << c.status;
    if (c.target == 2) {
      EXPECT_EQ(pass.output.substr(pass.info.status2Offset, 9), c.status.substr(c.status.size() - 9));
    }
  }
}

TEST_F(HeaderPass, ContentTypeIsCompletedWithACharset) {
  struct Case {
    const char* what;
    int32_t flavour;
    std::vector<std::string_view> headers;
    std::string_view body;
    std::string tail;  // what follows the Subject line
    bool Frln_MessageInfo::*flag = nullptr;
  };
  const Case cases[] = {
      {"none", 1, {}, "Body", kPlain},
      {"none, Japanese", 2, {}, "Body", "Content-Type: text/plain; charset=\"ISO-2022-JP\"\n"},
      {"none, Eudora's charset tag", 1, {}, "<x-charset windows-1252>Body",
       "Content-Type: text/plain; charset=windows-1252\n"},
      {"type without subtype", 1, {"Content-Type: TEXT"}, "Body", kPlain},
      {"type without subtype, with charset", 1, {"Content-Type: text; charset=iso-8859-1"}, "Body",
       "Content-Type: text/plain; charset=iso-8859-1\n"},
      {"exactly 24 characters", 1, {"Content-Type: text/plain"}, "Body", kPlain},
      {"another parameter", 1, {"Content-Type: text/plain; format=flowed"}, "Body",
       "Content-Type: text/plain; format=flowed; charset=\"ISO-8859-1\"\n"},
      {"trailing blank", 1, {"Content-Type: text/plain; "}, "Body", kPlain},
      {"application body", 1, {"MIME-Version: 1.0", "Content-Type: application/pdf; name=\"a.pdf\""}, "Body",
       "MIME-Version: 1.0\nContent-Type: application/pdf; name=\"a.pdf\"\nContent-Transfer-Encoding: base64\n",
       &Frln_MessageInfo::isApplication},
      {"digest", 1, {"Content-Type: multipart/digest; boundary=d"}, "Body",
       "Content-Type: multipart/digest; boundary=d\n", &Frln_MessageInfo::isDigest},
      {"HTML", 1, {"MIME-Version: 1.0"}, "<x-html>", "Content-Type: text/html; charset=\"ISO-8859-1\"\n",
       &Frln_MessageInfo::isHTML},
      // The body of such a message stays in the charset Eudora's tag names.
      {"HTML with Eudora's charset", 1, {}, "<x-html><!x-stuff-for-pete base=\"\" charset=\"utf-8\">",
       "Content-Type: text/html; charset=\"utf-8\"\n", &Frln_MessageInfo::isHTML},
      {"HTML with Eudora's Mac charset", 1, {}, "<x-html><!x-stuff-for-pete charset=iso-8859-1/macintosh>",
       "Content-Type: text/html; charset=\"macintosh\"\n", &Frln_MessageInfo::isHTML},
      {"HTML, Japanese", 2, {"Content-Type: text/plain"}, "<html><body>",
       "Content-Type: text/html; charset=\"ISO-2022-JP\"\n", &Frln_MessageInfo::isHTML},
      {"enriched", 1, {"MIME-Version: 1.0"}, "<x-rich>", "Content-Type: text/enriched; charset=\"ISO-8859-1\"\n",
       &Frln_MessageInfo::isRichText},
      {"Mozilla: left as it is", 3, {"MIME-Version: 1.0", "Content-Type: text/plain"}, "<x-html>",
       "Content-Type: text/plain\nMIME-Version: 1.0\n"},
      {"lengths that no longer hold are dropped", 1,
       {"Content-Length: 120", "lines: 3", "Content-Length:\r 77", "Lines-Of-Code: 5"}, "Body",
       "Lines-Of-Code: 5\n" + kPlain},
  };
  for (const Case& c : cases) {
    std::string box = Mailbox({kSeparator, kDate, "Subject: S"});
    for (std::string_view header : c.headers) box += Mailbox({header});
    box += Mailbox({"", c.body});
    const Pass pass = Run(box, Options{.flavour = c.flavour});
    EXPECT_EQ(pass.output, kDate + "\nSubject: S\n" + c.tail + "\n") << c.what;
    if (c.flag) {
      EXPECT_TRUE(pass.info.*c.flag) << c.what;
    }
    EXPECT_FALSE(pass.info.isMultipart) << c.what;
    EXPECT_TRUE(pass.info.recodeBody) << c.what;
  }
}

TEST_F(HeaderPass, MultipartStructureBeginsWithTheFirstRealPart) {
  struct Case {
    const char* what;
    bool related;
    std::string_view contentType;
    std::string_view body;
    std::string block;  // after the MIME-Version line
    std::string boundary;
    bool isSigned = false;
  };
  const Case cases[] = {
      // The body conversion writes the HTML part's delimiter with its part header.
      {"HTML first", false, "Content-Type: multipart/alternative; boundary=\"alt\"", "<x-html>",
       "Content-Type: multipart/alternative; boundary=\"alt\"\n" + kPreamble, "alt"},
      {"related wrapper, HTML first", true, "Content-Type: multipart/alternative; boundary=\"alt\"", "<x-html>",
       "Content-Type: multipart/related; boundary=\"alt_Frln\"\n" + kPreamble +
           "\n--alt_Frln\nContent-Type: multipart/alternative; boundary=\"alt\"\n",
       "alt_Frln"},
      // "part" occurs in "multipart" too: the tag goes after the parameter.
      {"related wrapper, plain first", true, "Content-Type: multipart/mixed; boundary=part", "Text",
       "Content-Type: multipart/related; boundary=part_Frln\n" + kPreamble +
           "\n--part_Frln\nContent-Type: multipart/mixed; boundary=part\n\n--part\n" + kPlain,
       "part_Frln"},
      {"related wrapper, type without parameters", true, "Content-Type: multipart/mixed boundary=m", "<x-html>",
       "Content-Type: multipart/related; boundary=\"m_Frln\"\n" + kPreamble +
           "\n--m_Frln\nContent-Type: multipart/mixed boundary=m\n",
       "m_Frln"},
      {"signed", false, "Content-Type: multipart/signed; protocol=\"application/pkcs7-signature\"; boundary=\"sig\"",
       "Text",
       "Content-Type: multipart/signed; protocol=\"application/pkcs7-signature\"; boundary=\"sig\"\n" + kPreamble +
           "\n--sig\nContent-Type: multipart/mixed; boundary=\"sig_pkcs7\"\n\n--sig_pkcs7\n" + kPlain,
       "sig_pkcs7", true},
      {"signed, HTML first", false, "Content-Type: multipart/signed; boundary=sig", "<html>",
       "Content-Type: multipart/signed; boundary=sig\n" + kPreamble +
           "\n--sig\nContent-Type: multipart/mixed; boundary=\"sig_pkcs7\"\n",
       "sig_pkcs7", true},
      {"Eudora's charset tag names the first part's charset", false, "Content-Type: multipart/mixed; boundary=b",
       "<x-charset utf-8>", "Content-Type: multipart/mixed; boundary=b\n" + kPreamble +
           "\n--b\nContent-Type: text/plain; charset=utf-8\n",
       "b"},
  };
  for (const Case& c : cases) {
    const std::string box = Mailbox({kSeparator, kDate, "MIME-Version: 1.0", c.contentType, "", c.body});
    const Pass pass = Run(box, Options{.related = c.related});
    EXPECT_EQ(pass.output, kDate + "\nMIME-Version: 1.0\n" + c.block + "\n") << c.what;
    EXPECT_EQ(pass.boundary, c.boundary) << c.what;
    EXPECT_TRUE(pass.info.isMultipart) << c.what;
    EXPECT_EQ(pass.info.isSigned, c.isSigned) << c.what;
  }

  const Pass related = Run(Mailbox({kSeparator, kDate, "Content-Type: multipart/related; boundary=r", "", "x"}));
  EXPECT_TRUE(related.info.isRelated);
}

TEST_F(HeaderPass, BoundaryIsFoundInTheUnfoldedLine) {
  struct Case {
    std::string_view contentType;  // folded with CR and a blank or tab
    std::string boundary;          // "old": not multipart
  };
  const Case cases[] = {
      {"Content-Type: multipart/mixed; boundary = \"abc\"", "abc"},
      {"Content-Type: multipart/mixed; charset=x; boundary=abc; type=y", "abc"},
      {"Content-Type: multipart/mixed;\r\tboundary=\"abc\"", "abc"},
      {"Content-Type: multipart/mixed; boundary=abc\r\ttype=x", "abc"},
      {"Content-Type: multipart/mixed; BOUNDARY=\"a;b\"", "a"},
      {"Content-Type: multipart/mixed; type=\"a=b\"; boundary=\"=_c\"", "=_c"},
      {"Content-Type: multipart/mixed; boundary=\"\"", "old"},
      {"Content-Type: multipart/mixed", "old"},
  };
  for (const Case& c : cases) {
    const Pass pass = Run(Mailbox({kSeparator, kDate, c.contentType, "", "Text"}));
    EXPECT_EQ(pass.boundary, c.boundary) << c.contentType;
    EXPECT_EQ(pass.info.isMultipart, c.boundary != "old") << c.contentType;
  }
}

TEST_F(HeaderPass, DateLineIsKeptFixedOrSupplied) {
  struct Case {
    std::optional<std::string_view> date;
    bool haveTOC;
    std::string before;  // written before the Subject line
    std::string after;   // written after it
    bool synthesized;
    int32_t sent;
  };
  const Case cases[] = {
      {"Tue, 01 Jan 2002 12:34:56+0100", false, "", kDate + "\n", true, kSeparatorInstant},
      // A Date header that does not parse is kept; the date comes from the separator line.
      {"Tue, 1 Jan 2002 12:34", false, "Date: Tue, 1 Jan 2002 12:34\n", "", false, kSeparatorInstant},
      {std::nullopt, true, "", "Date: Thu, 10 Jan 2002 18:08:16 +0100\n", true, kTOCDate},
      // Without an entry a date left in the record from an earlier message does not count.
      {std::nullopt, false, "", kDate + "\n", true, kSeparatorInstant},
  };
  for (const Case& c : cases) {
    std::string box = Mailbox({kSeparator});
    if (c.date) box += Mailbox({"Date: " + std::string(*c.date)});
    box += Mailbox({"Subject: S", "", "Body"});
    Options options{.haveTOC = c.haveTOC};
    options.entry.subject = "S";
    options.entry.date = kTOCDate;
    const Pass pass = Run(box, options);
    EXPECT_EQ(pass.output, c.before + "Subject: S\n" + c.after + kPlain + "\n") << box;
    EXPECT_EQ(pass.info.dateSynthesized, c.synthesized) << box;
    EXPECT_EQ(pass.info.dateSent, c.sent) << box;
    if (!c.haveTOC) {
      EXPECT_EQ(pass.info.tocEntry.date, 0);
    }
  }
}

TEST_F(HeaderPass, PriorityComesFromTheHeaderOrTheTableOfContents) {
  struct Case {
    std::optional<std::string_view> header;
    uint8_t tocPriority;
    std::string added;
    uint8_t priority;
  };
  const Case cases[] = {
      {"X-Priority: 1", 120, "", 40},
      {"X-Priority: 0x2 (High)", 200, "", 80},  // the header wins, and no line is added
      {"X-Priority: high", 160, "", 160},       // no number: the entry's priority stays
      {std::nullopt, 80, "X-Priority: 2\n", 80},
      {std::nullopt, 120, "", 120},
  };
  for (const Case& c : cases) {
    std::string box = Mailbox({kSeparator, kDate, "Subject: S"});
    if (c.header) box += Mailbox({*c.header});
    box += Mailbox({"", "Body"});
    Options options{.haveTOC = true};
    options.entry.subject = "S";
    options.entry.priority = c.tocPriority;
    const Pass pass = Run(box, options);
    const std::string header = c.header ? std::string(*c.header) + "\n" : "";
    EXPECT_EQ(pass.output, kDate + "\nSubject: S\n" + header + c.added + kPlain + "\n") << box;
    EXPECT_EQ(pass.info.priority, c.priority) << box;
  }
}

TEST_F(HeaderPass, SubjectFromTheTableOfContents) {
  const std::string longSubject = "Minutes of the meeting of the committee on long subjects, held in March";
  struct Case {
    const char* what;
    std::string header;  // folded with CR and a blank
    std::string toc;
    bool utf8;
    std::string written;
  };
  const Case cases[] = {
      {"same", "Subject: Hello", "Hello", false, "Subject: Hello"},
      {"edited", "Subject: Hello", "Edited\r\r", false, "Subject: Edited"},
      {"edited to a shorter start", "Subject: Meeting notes (draft)", "Meeting notes", false,
       "Subject: Meeting notes"},
      {"folded, joined without a blank", "Subject: one\r two", "onetwo", false, "Subject: onetwo"},
      {"folded, the entry differs", "Subject: one\r two", "one two", false, "Subject: one two"},
      {"UTF-8 entry", "Subject: Caf\x8E", "Caf\xC3\xA9", true, "Subject: Caf=?ISO-8859-1?Q?=E9?="},
      {"line break inside the entry", "Subject: a", "b\rc", false, "Subject: b c"},
      // The table keeps only the start of a long subject: the header keeps all of it.
      {"cut copy", "Subject: " + longSubject, longSubject.substr(0, 59), false, "Subject: " + longSubject},
      {"cut copy of a folded subject", "Subject: " + longSubject.substr(0, 39) + "\r " + longSubject.substr(40),
       longSubject.substr(0, 59), false, "Subject: " + longSubject.substr(0, 39) + "\n " + longSubject.substr(40)},
  };
  for (const Case& c : cases) {
    Options options{.haveTOC = true};
    options.entry.subject = c.toc;
    options.entry.utf8Subject = c.utf8;
    const Pass pass = Run(Mailbox({kSeparator, kDate, c.header, "", "Body"}), options);
    EXPECT_EQ(pass.output, kDate + "\n" + c.written + "\n" + kPlain + "\n") << c.what;
  }
}

TEST_F(HeaderPass, SubjectIsCutWithoutSplittingACharacter) {
  struct Case {
    int32_t flavour;
    std::string subject;
    std::string kept;
  };
  const std::string a254(254, 'a');
  const Case cases[] = {
      {1, std::string(300, 'a'), std::string(255, 'a')},
      {1, a254 + "\x93\xFA", a254 + "\x93"},  // one byte a character
      {2, a254 + "\x93\xFA", a254},           // Mac Japanese
      {2, a254 + "a\x93\xFA", a254 + "a"},
      {3, a254 + "\xC3\xA9", a254},           // UTF-8
  };
  for (const Case& c : cases) {
    const Pass pass = Run(Mailbox({kSeparator, kDate, "Subject: " + c.subject, "", "Body"}), Options{.flavour = c.flavour});
    EXPECT_EQ(pass.info.subject, c.kept) << c.flavour;
  }
}

TEST_F(HeaderPass, MozillaStatusOfAMozillaSource) {
  const std::string box = "From - Sat Mar 15 08:00:00 2003\nX-Mozilla-Status: 0001\nX-Mozilla-Status2: 00000000\n"
                          "Date: Sat, 15 Mar 2003 08:00:00 +0100\nSubject: Greetings\nContent-Length: 9\n\nBody\n";
  // The reader finds the mailbox's LF line ends itself.
  const Pass pass = Run(box, Options{.target = 2, .flavour = 3});
  EXPECT_EQ(pass.output,
            "From - Sat Mar 15 08:00:00 2003\nX-Mozilla-Status: 0001\nX-Mozilla-Status2: 00000000\n"
            "Date: Sat, 15 Mar 2003 08:00:00 +0100\nSubject: Greetings\n"
            "X-Mozilla-Status: 0000\nX-Mozilla-Status2: 00000000\n\n");
  EXPECT_EQ(pass.delimiter, '\n');
  EXPECT_EQ(pass.position, box.find("Body"));
  EXPECT_TRUE(pass.info.mozStatusSeen);
  EXPECT_EQ(pass.info.mozState, 9);

  struct Case {
    std::string_view status;
    bool haveTOC;
    uint8_t state;
    bool deleted;
    int32_t attachments;
  };
  const Case cases[] = {
      {"X-Mozilla-Status: 0002", false, 3, false, -1},
      {"X-Mozilla-Status: 1003", false, 8, false, -1},
      {"X-Mozilla-Status: 0009", false, 1, true, -1},
      {"X-Mozilla-Status2: 10000000", false, 1, false, 0},
      {"X-Mozilla-Status: 0001", true, 1, false, -1},  // an entry's state wins
  };
  for (const Case& c : cases) {
    const Pass one = Run(Mailbox({"From - Sat Mar 15 08:00:00 2003", c.status, "", "Body"}, "\n"),
                         Options{.flavour = 3, .haveTOC = c.haveTOC, .delimiter = '\n'});
    EXPECT_EQ(one.info.mozStatusSeen, !c.haveTOC) << c.status;
    EXPECT_EQ(one.info.mozState, c.state) << c.status;
    EXPECT_EQ(one.info.mozDeleted, c.deleted) << c.status;
    EXPECT_EQ(one.info.mozAttachments, c.attachments) << c.status;
  }
}

TEST_F(HeaderPass, InputIsLeftOnTheFirstBodyLine) {
  struct Case {
    const char* what;
    std::string box;
    bool crlf;
    int32_t flavour;
    std::string_view body;  // "" : the input ends with the header
  };
  const std::string sep = kSeparator;
  const Case cases[] = {
      {"CR", sep + "\rSubject: a\r\rBody\r", false, 1, "Body"},
      {"CR LF", sep + "\r\nSubject: a\r\n\r\nBody\r\n", true, 1, "Body"},
      {"CR LF, stray CR in a header line", sep + "\r\nSubject: a\rb\r\n\r\nBody\r\n", true, 1, "Body"},
      {"blank lines before the body", sep + "\rSubject: a\r\r\r\rBody\r", false, 1, "Body"},
      {"a line that is no header line", sep + "\rSubject: a\rJust text\r", false, 1, "Just text"},
      {"no header at all", sep + "\rHello there\r", false, 1, "Hello there"},
      {"header up to the end", sep + "\rSubject: a", false, 1, ""},
      {"header and blank lines up to the end", sep + "\r\nSubject: a\r\n\r\n\r\n", true, 1, ""},
      {"LF", "From - x\nSubject: a\n\nBody\n", false, 3, "Body"},
  };
  for (const Case& c : cases) {
    const Pass pass = Run(c.box, Options{.flavour = c.flavour, .crlf = c.crlf});
    const size_t body = c.body.empty() ? c.box.size() : c.box.find(c.body);
    EXPECT_EQ(pass.consumed, static_cast<int64_t>(body)) << c.what;
    EXPECT_EQ(pass.position, body) << c.what;
    if (c.flavour != 3) {
      EXPECT_TRUE(pass.output.ends_with(kPlain + "\n")) << c.what;
    }
  }
  EXPECT_EQ(Run(sep + "\r\nSubject: a\rb\r\n\r\nBody", Options{.crlf = true}).subject, "ab");
}

TEST_F(HeaderPass, OverlongHeadersAreCut) {
  const std::string longLine = "X-Long: " + std::string(kMaxHeaderBytes + 1000, 'x');
  std::string folded = "X-Folded: a";
  while (folded.size() < kMaxHeaderBytes + 1000) folded += "\r continued line of a header that never ends";
  const std::string box = Mailbox({kSeparator, kDate, longLine, folded, "Subject: after", "", "Body"});
  const Pass pass = Run(box);
  EXPECT_EQ(pass.position, box.find("Body"));
  EXPECT_EQ(pass.subject, "after");
  const size_t longAt = pass.output.find("X-Long: ");
  const size_t foldedAt = pass.output.find("X-Folded: ");
  ASSERT_NE(foldedAt, std::string::npos);
  EXPECT_EQ(foldedAt - longAt, kMaxHeaderBytes + 1);
  EXPECT_LE(pass.output.find("Subject: after") - foldedAt, kMaxHeaderBytes + 1);
}

TEST(ReadLineBounded, ReadsAsTheLineReaderDoes) {
  const std::string inputs[] = {
      "one\rtwo\r\rthree",
      "one\r\ntwo\r\n\r\nthree\r\n",
      "one\r\ntw\ro\r\nthree\r",
      "one\ntwo\n\nthree\n",
      "mixed\r\nends\nhere\rand\r\n",
      "no line end at all",
      "",
  };
  for (const std::string& input : inputs) {
    for (const bool fixed : {true, false}) {
      for (const size_t limit : {size_t{2}, size_t{1} << 20}) {
        platform::MemoryStream a(input), b(input);
        char delimiterA = '\r', delimiterB = '\r';
        bool crlfA = input.find("\r\n") != std::string::npos && fixed, crlfB = crlfA;
        std::string lineA, lineB;
        for (int n = 0; n < 20; ++n) {
          const bool gotA = text::SmartGetLine(a, lineA, delimiterA, crlfA, fixed);
          const bool gotB = ReadLineBounded(b, lineB, delimiterB, crlfB, fixed, limit);
          ASSERT_EQ(gotA, gotB) << input;
          EXPECT_EQ(lineB, lineA.substr(0, limit)) << input;
          EXPECT_EQ(a.Tell(), b.Tell()) << input;
          EXPECT_EQ(delimiterA, delimiterB) << input;
          EXPECT_EQ(crlfA, crlfB) << input;
          if (!gotA) break;
          if (crlfA && a.Peek() == '\n') a.Get(), b.Get();
        }
      }
    }
  }
}

}  // namespace
}  // namespace mailboxes
