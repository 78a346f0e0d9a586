#include "mailboxes/header_charset.h"

#include <gtest/gtest.h>

#include <string>

namespace mailboxes {
namespace {

constexpr uint32_t kLatin1 = 0x201;
constexpr uint32_t kUTF8 = 0x08000100;
constexpr uint32_t kJIS = 0x820;
// "日本" and "語" in ISO-2022-JP, and their Base64 forms.
const std::string kNihon = "\x1B$BF|K\\\x1B(B";
const std::string kGo = "\x1B$B8l\x1B(B";

TEST(MIMEEncode, EncodesEachRunOfEightBitBytesAsOneWord) {
  struct Case {
    std::string text;
    uint32_t encoding;
    std::string encoded;
  };
  const Case cases[] = {
      {"J\xF6rg", kLatin1, "J=?ISO-8859-1?Q?=F6?=rg"},
      {"\xE9t\xE9", kLatin1, "=?ISO-8859-1?Q?=E9?=t=?ISO-8859-1?Q?=E9?="},
      {"Gr\xC3\xBC\xC3\x9F" "e", kUTF8, "Gr=?UTF-8?Q?=C3=BC=C3=9F?=e"},
      {"K\xC3\xA4se", 0, "K=?UTF-8?Q?=C3=A4?=se"},  // every other number is labelled UTF-8
      {"plain = text?", kLatin1, "plain = text?"},
      {"a" + kNihon + "b" + kGo, kJIS, "a=?ISO-2022-JP?B?GyRCRnxLXBsoQg==?=b=?ISO-2022-JP?B?GyRCOGwbKEI=?="},
      // A stretch that never returns to ASCII stays as it is; eight-bit bytes are no concern here.
      {"a\x1B$BF|K\\ \xE9", kJIS, "a\x1B$BF|K\\ \xE9"},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    MIMEEncode(text, c.encoding);
    EXPECT_EQ(text, c.encoded) << c.text;
  }
}

TEST(CleanUpHighBitChars, RewritesTheLineAndReturnsTheDisplayText) {
  struct Case {
    const char* what;
    std::string line;
    bool crlf;
    int32_t flavour;
    std::string written;
    std::string display;
  };
  const Case cases[] = {
      {"Mac Roman is recoded and encoded", "Subject: Caf\x8E", false, 1, "Subject: Caf=?ISO-8859-1?Q?=E9?=",
       "Caf\xE9"},
      {"Windows Latin 1 that ISO Latin 1 shares stays raw", "Subject:  Caf\xE9", true, 1, "Subject:  Caf\xE9",
       "Caf\xE9"},
      {"the euro sign has no ISO Latin 1 form", "Subject: 5\x80", true, 1, "Subject: 5 ", "5 "},
      {"an existing word is decoded and the line normalised", "Subject:   =?iso-8859-1?q?Caf=E9_au?= lait", false, 1,
       "Subject: =?iso-8859-1?q?Caf=E9_au?= lait", "Caf\xE9 au lait"},
      {"a Base64 ISO-8859-1 word is left alone", "Subject:  =?ISO-8859-1?B?Q2Fm?=", false, 1,
       "Subject:  =?ISO-8859-1?B?Q2Fm?=", "=?ISO-8859-1?B?Q2Fm?="},
      {"an open word is closed", "Subject: =?ISO-8859-1?Q?abc", false, 1, "Subject: =?ISO-8859-1?Q?abc?=", "abc"},
      {"hex digits are read up to the first that is none", "Subject: =?ISO-8859-1?Q?=4G=G4?=", false, 1,
       "Subject: =?ISO-8859-1?Q?=4G=G4?=", std::string("\x04\0", 2)},
      {"two words glued together", "Subject: =?ISO-8859-1?Q?a?=?ISO-8859-1?Q?b?=", false, 1,
       "Subject: =?ISO-8859-1?Q?a?=?ISO-8859-1?Q?b?=", "ab"},
      {"Mac Japanese becomes one ISO-2022-JP word", "Subject: \x93\xFA\x96{!", false, 2,
       "Subject: =?ISO-2022-JP?B?GyRCRnxLXBsoQg==?=!", kNihon + "!"},
      {"a Mozilla source in UTF-8 is labelled UTF-8", "Subject: Gr\xC3\xBC\xC3\x9F" "e", false, 3,
       "Subject: Gr=?UTF-8?Q?=C3=BC=C3=9F?=e", "Gr\xC3\xBC\xC3\x9F" "e"},
      {"other Mozilla bytes are labelled ISO Latin 1", "Subject:  K\xF6ln =?iso-8859-1?q?=E9?=", false, 3,
       "Subject: K=?ISO-8859-1?Q?=F6?=ln =?iso-8859-1?q?=E9?=", "K\xF6ln \xE9"},
      {"a Mozilla header in ASCII stays as it is", "Subject:  plain =?iso-8859-1?q?=E9?=", false, 3,
       "Subject: plain =?iso-8859-1?q?=E9?=", "plain \xE9"},
      {"folded lines lose their breaks and tabs", "Subject: one\n\ttwo", false, 1, "Subject: one\n\ttwo", "onetwo"},
      {"quotes around a whole item go when the line changes", "To: first, \"=?ISO-8859-1?Q?J=F6rg?=\"", false, 1,
       "To: first, =?ISO-8859-1?Q?J=F6rg?=", "first, \"J\xF6rg\""},
      {"quotes stay unless an item is wholly quoted", "To:  \"B\" <second>,third", false, 1,
       "To:  \"B\" <second>,third", "\"B\" <second>,third"},
      {"only address headers lose quotes", "Subject: \"=?ISO-8859-1?Q?J=F6rg?=\"", false, 1,
       "Subject: \"=?ISO-8859-1?Q?J=F6rg?=\"", "\"J\xF6rg\""},
      {"no colon: untouched", "Caf\x8E", false, 1, "Caf\x8E", ""},
  };
  for (const Case& c : cases) {
    std::string line = c.line;
    const std::string display = CleanUpHighBitChars(line, c.crlf, c.flavour);
    EXPECT_EQ(line, c.written) << c.what;
    EXPECT_EQ(display, c.display) << c.what;
    // Running it again over its own result changes nothing.
    std::string again = line;
    CleanUpHighBitChars(again, c.crlf, c.flavour);
    EXPECT_EQ(again, line) << c.what;
  }
}

}  // namespace
}  // namespace mailboxes
