#include "filters/xml_property_list.h"

#include <gtest/gtest.h>

#include <string>

#include "filters/mail_accounts.h"

namespace filters {
namespace {

std::string Plist(const std::string& value) { return "<plist version=\"1.0\">" + value + "</plist>"; }

TEST(ParseXMLPropertyList, WellFormedDocuments) {
  struct Case {
    std::string document, text;  // text: of the root element
  } cases[] = {
      {"<?xml version=\"1.0\" encoding=\"utf-8\" standalone='yes'?>\n<!DOCTYPE plist PUBLIC \"-//A//B\" \"x.dtd\">"
       "\n<plist version=\"1.0\">\n<string>a</string>\n</plist>\n",
       "a"},
      {"\xEF\xBB\xBF<!-- c --><?pi x?>" + Plist("<string>a&amp;b&lt;&gt;&quot;&apos;&#233;&#x20AC;</string>"),
       "a&b<>\"'\xC3\xA9\xE2\x82\xAC"},
      {Plist("<string><![CDATA[<&>]]><!-- x -->z</string>"), "<&>z"},
      {Plist("<string/>"), ""},
      {Plist("<integer> -0x1F </integer>"), " -0x1F "},
      {Plist("<real>1.5e3</real>"), "1.5e3"},
      {Plist("<date>2004-05-06T07:08:09Z</date>"), "2004-05-06T07:08:09Z"},
      {Plist("<data>QUJD\n RA==</data>"), "QUJD\n RA=="},
      {Plist("<dict><key>a</key><true/><key/><false></false><key>c</key><array><dict/></array></dict>"), ""},
  };
  for (const Case& c : cases) {
    PlistElement root;
    std::string error;
    EXPECT_TRUE(ParseXMLPropertyList(c.document, root, &error)) << c.document << ": " << error;
    EXPECT_EQ(root.text, c.text) << c.document;
  }
  PlistElement dict;
  ASSERT_TRUE(ParseXMLPropertyList(cases[8].document, dict));
  EXPECT_EQ(dict.keys, (std::vector<std::string>{"a", "", "c"}));
  EXPECT_EQ(dict.values[1].type, PlistElement::Type::kFalse);
  EXPECT_EQ(dict.Find("c")->values[0].type, PlistElement::Type::kDict);
  EXPECT_EQ(dict.Find("missing"), nullptr);
}

TEST(ParseXMLPropertyList, WhereElementsLie) {
  const std::string doc = Plist("<array>\n\t<string>x</string>\n\t<array/>\n</array>");
  PlistElement root;
  ASSERT_TRUE(ParseXMLPropertyList(doc, root));
  EXPECT_EQ(doc.substr(root.begin, 7), "<array>");
  EXPECT_EQ(doc.substr(root.endTag, root.end - root.endTag), "</array>");
  const PlistElement& inner = root.values[1];
  EXPECT_TRUE(inner.emptyTag);
  EXPECT_EQ(doc.substr(inner.begin, inner.end - inner.begin), "<array/>");
}

TEST(ParseXMLPropertyList, RefusesWhatIsNotAPropertyList) {
  std::string deep;
  for (int i = 0; i <= kMaxPlistDepth; ++i) deep += "<array>";
  for (int i = 0; i <= kMaxPlistDepth; ++i) deep += "</array>";
  const std::string cases[] = {
      "",
      "bplist00",
      "<plist/>",
      Plist(""),
      Plist("<string>a</string><string>b</string>"),
      Plist("<string>Caf\xE9</string>"),                // not UTF-8
      Plist("<string>\xC0\xAF</string>"),                // overlong
      Plist("<string>\xED\xA0\x80</string>"),            // surrogate
      Plist(std::string("<string>a\x01</string>")),     // control character
      Plist(std::string("<string>a\0</string>", 12)),
      Plist("<string>&#1;</string>"),
      Plist("<string>&nbsp;</string>"),
      Plist("<string>a & b</string>"),
      Plist("<string>a < b</string>"),
      Plist("<string>]]></string>"),
      Plist("<string>a</strin>"),
      Plist("<string><b>x</b></string>"),
      Plist("<dict><key>a</key></dict>"),
      Plist("<dict><string>a</string></dict>"),
      Plist("<dict>text<key>a</key><true/></dict>"),
      Plist("<key>a</key>"),
      Plist("<integer>12a</integer>"),
      Plist("<integer/>"),
      Plist("<real>x</real>"),
      Plist("<date>2004-05-06</date>"),
      Plist("<data>@@</data>"),
      Plist("<unknown/>"),
      Plist("<array>") ,
      Plist("<string a=\"1\" a=\"2\">x</string>"),
      Plist("<string a=1>x</string>"),
      Plist("<!-- a -- b --><true/>"),
      "<!DOCTYPE plist [<!ENTITY x \"y\">]>" + Plist("<string>&x;</string>"),
      "<!DOCTYPE plist PUBLIC \"[x]\" \"y.dtd\">" + Plist("<true/>"),
      "<!DOCTYPE plist \"y.dtd\">" + Plist("<true/>"),
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + Plist("<true/>"),
      " <?xml version=\"1.0\"?>" + Plist("<true/>"),
      Plist("<true/>") + "x",
      "<dict/>",
      Plist(deep),
  };
  for (const std::string& c : cases) {
    PlistElement root;
    std::string error;
    EXPECT_FALSE(ParseXMLPropertyList(c, root, &error)) << c;
    EXPECT_FALSE(error.empty()) << c;
  }
}

TEST(FindMailAccountPath, AccountsOfApplesPreferences) {
  const std::string preferences =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
      "\t<key>DeliveryAccounts</key>\n\t<array>\n\t\t<dict>\n"
      "\t\t\t<key>AccountName</key>\n\t\t\t<string>Work</string>\n"
      "\t\t\t<key>Hostname</key>\n\t\t\t<string>smtp.example.com</string>\n"
      "\t\t</dict>\n\t</array>\n"
      "\t<key>MailAccounts</key>\n\t<array>\n"
      "\t\t<dict>\n\t\t\t<key>AccountName</key>\n\t\t\t<string>Caf\xC3\xA9 &amp; Co</string>\n"
      "\t\t\t<key>AccountPath</key>\n\t\t\t<string>~/Library/Mail/POP-a@x</string>\n\t\t</dict>\n"
      "\t\t<dict>\n\t\t\t<key>AccountPath</key>\n\t\t\t<string>~/Library/Mail/IMAP-w@x</string>\n"
      "\t\t\t<key>AccountName</key>\n\t\t\t<string>Work</string>\n\t\t</dict>\n"
      "\t\t<dict>\n\t\t\t<key>AccountName</key>\n\t\t\t<string>Work</string>\n"
      "\t\t\t<key>AccountPath</key>\n\t\t\t<string>~/Library/Mail/second</string>\n\t\t</dict>\n"
      "\t</array>\n</dict>\n</plist>\n";
  EXPECT_EQ(FindMailAccountPath(preferences, "Caf\xC3\xA9 & Co"), "~/Library/Mail/POP-a@x");
  // The outgoing server of that name has no path; the first account with one wins.
  EXPECT_EQ(FindMailAccountPath(preferences, "Work"), "~/Library/Mail/IMAP-w@x");
  EXPECT_EQ(FindMailAccountPath(preferences, "work"), std::nullopt);
  EXPECT_EQ(FindMailAccountPath(preferences, "Caf\xC3\xA9 &amp; Co"), std::nullopt);
  EXPECT_EQ(FindMailAccountPath("", "Work"), std::nullopt);
  EXPECT_EQ(FindMailAccountPath(preferences.substr(0, 300), "Caf\xC3\xA9 & Co"), std::nullopt);
}

}  // namespace
}  // namespace filters
