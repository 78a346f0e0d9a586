#include "filters/filter_translation.h"

#include <gtest/gtest.h>

#include <string>

#include "filters/rules_file.h"
#include "filters/xml_property_list.h"

namespace filters {
namespace {

struct Converted {
  std::string rules;  // the rule dictionaries written
  int calls = 0;
  std::string lastName;
};

Converted Convert(const std::string& file, FilterOptions options = {}) {
  platform::MemoryStream in(file);
  platform::MemoryOutput out;
  Converted c;
  bool more = true;
  while (more && c.calls < 1000) {
    more = ProcessSingleFilterItem(in, out, c.lastName, options);
    ++c.calls;
  }
  c.rules = out.Data();
  return c;
}

// The written rules, in a rules file, read back: every output must be a property list.
PlistElement Parsed(const std::string& rules) {
  PlistElement root;
  std::string error;
  EXPECT_TRUE(ParseXMLPropertyList(NewRulesFile(RulesFileFormat::kSorting, rules), root, &error)) << error << rules;
  return root;
}

const std::string kBossRule =
    "\t<dict>\n"
    "\t\t<key>RuleName</key>\n\t\t<string>(imported) Boss</string>\n"
    "\t\t<key>Header</key>\n\t\t<string>From</string>\n"
    "\t\t<key>Expression</key>\n\t\t<string>boss</string>\n"
    "\t\t<key>ShouldTransferMessage</key>\n\t\t<string>YES</string>\n"
    "\t\t<key>Mailbox</key>\n\t\t<string>~/Library/Mail/Mailboxes/Import/Work.mbox</string>\n"
    "\t</dict>\n";

TEST(ProcessSingleFilterItem, TheBossFilterFromMacAndWindows) {
  Converted mac = Convert("rule Boss\rheader From:\rverb contains\rvalue boss\rtransfer :Work\r");
  EXPECT_EQ(mac.rules, kBossRule);
  EXPECT_EQ(mac.calls, 1);
  EXPECT_EQ(mac.lastName, "Boss");

  FilterOptions windows;
  windows.crlf = true;
  Converted win = Convert("3\r\nrule Boss\r\nheader From:\r\nverb contains\r\nvalue boss\r\ntransfer Work.mbx\r\n"
                          "rule Boss\r\nheader From:\r\nverb contains\r\nvalue boss\r\ntransfer Work.mbx\r\n",
                          windows);
  EXPECT_EQ(win.rules, kBossRule + kBossRule);
  EXPECT_EQ(win.calls, 2);
}

TEST(ProcessSingleFilterItem, TwoCriteria) {
  // "unless": both must hold, the second reversed.
  EXPECT_EQ(Convert("rule U\rheader From:\rverb contains\rvalue boss\rconjunction unless\rheader Subject:\r"
                    "verb starts\rvalue re\r")
                .rules,
            "\t<dict>\n"
            "\t\t<key>RuleName</key>\n\t\t<string>(imported) U</string>\n"
            "\t\t<key>Header</key>\n\t\t<string>From</string>\n"
            "\t\t<key>Expression</key>\n\t\t<string>boss</string>\n"
            "\t\t<key>AllCriteriaMustBeSatisfied</key>\n\t\t<string>YES</string>\n"
            "\t\t<key>Criteria</key>\n\t\t<array>\n"
            "\t\t\t<dict>\n"
            "\t\t\t\t<key>Expression</key>\n\t\t\t\t<string>boss</string>\n"
            "\t\t\t\t<key>Header</key>\n\t\t\t\t<string>From</string>\n"
            "\t\t\t</dict>\n"
            "\t\t\t<dict>\n"
            "\t\t\t\t<key>Expression</key>\n\t\t\t\t<string>re</string>\n"
            "\t\t\t\t<key>Header</key>\n\t\t\t\t<string>Subject</string>\n"
            "\t\t\t\t<key>Qualifier</key>\n\t\t\t\t<string>DoesNotContain</string>\n"
            "\t\t\t</dict>\n"
            "\t\t</array>\n"
            "\t</dict>\n");

  // The same text in two headers: one criterion, no array.
  const std::string merged =
      Convert("rule M\rheader To:\rverb contains\rvalue x\rconjunction or\rheader Cc:\rverb contains\rvalue x\r").rules;
  EXPECT_NE(merged.find("<key>Header</key>\n\t\t<string>To or Cc</string>\n"), std::string::npos);
  EXPECT_EQ(merged.find("Criteria"), std::string::npos);

  // An unsupported second criterion leaves only the first, without array.
  const std::string labelled = Convert("rule L\rheader From:\rvalue a\rconjunction and\rheader \xC7Label\xC8\r"
                                       "verb is\rvalue 3\r")
                                   .rules;
  EXPECT_NE(labelled.find("<string>From</string>"), std::string::npos);
  EXPECT_EQ(labelled.find("Criteria"), std::string::npos);

  // An unsupported first criterion: the second is the rule's criterion, when it is complete.
  const std::string second = Convert("rule S\rheader From:\rverb regex\rvalue a\rconjunction or\r"
                                     "header To:\rverb ends\rvalue b\r")
                                 .rules;
  EXPECT_NE(second.find("\t\t<key>Header</key>\n\t\t<string>To</string>\n\t\t<key>Expression</key>\n"
                        "\t\t<string>b</string>\n\t\t<key>Qualifier</key>\n\t\t<string>EndsWith</string>\n"),
            std::string::npos);
  EXPECT_EQ(second.find("Criteria"), std::string::npos);
  const std::string incomplete = Convert("rule I\rheader From:\rverb regex\rconjunction or\rheader To:\r").rules;
  EXPECT_NE(incomplete.find("(imported) I"), std::string::npos);
  EXPECT_EQ(incomplete.find("<key>Header</key>"), std::string::npos);
  Parsed(merged + labelled + second + incomplete);
}

TEST(ProcessSingleFilterItem, FiltersThatGiveNoRule) {
  const char* files[] = {
      "rule R\rheader From:\rverb regex\rvalue a.*\r",                                   // no usable criterion
      "rule R\rheader \xC7Junk Score\xC8\rverb is\rvalue 5\rconjunction ignore\rheader \r",  // neither
      "rule R\rheader From:\rverb regex\rvalue a\rheader To:\rvalue b\r",                // no conjunction
      "rule \rheader From:\rvalue a\r",                                                  // no name
      "header From:\rvalue a\rtransfer :Work\r",                                         // no rule line
  };
  for (const char* file : files) {
    const Converted c = Convert(file);
    EXPECT_EQ(c.rules, "") << file;
    EXPECT_EQ(c.calls, 1) << file;
  }
}

TEST(ProcessSingleFilterItem, AddressBookTests) {
  // The test names itself as the header, in the rule and in the criteria array.
  const std::string rules = Convert("rule A\rheader From:\rverb intersectsFile\rvalue Friends\rconjunction and\r"
                                    "header From:\rverb disjointFile\rvalue Foes\r")
                                .rules;
  EXPECT_NE(rules.find("\t\t<string>(imported) A</string>\n\t\t<key>Header</key>\n\t\t<string>SenderIsInAddressBook"
                       "</string>\n\t\t<key>AllCriteriaMustBeSatisfied</key>"),
            std::string::npos);
  EXPECT_NE(rules.find("\t\t<array>\n\t\t\t<dict>\n\t\t\t\t<key>Header</key>\n\t\t\t\t<string>SenderIsInAddressBook"
                       "</string>\n\t\t\t</dict>\n\t\t\t<dict>\n\t\t\t\t<key>Header</key>\n\t\t\t\t<string>"
                       "SenderIsNotInAddressBook</string>\n\t\t\t</dict>\n\t\t</array>\n"),
            std::string::npos);
  EXPECT_EQ(rules.find("Friends"), std::string::npos);
  Parsed(rules);
}

TEST(ProcessSingleFilterItem, AnEmptyFirstCriterionStaysOutOfTheArray) {
  const std::string rules = Convert("rule Odd\rheader Subject:\rverb contains\rvalue \rconjunction and\r"
                                    "header From:\rverb contains\rvalue boss\rrule After\rheader From:\rvalue x\r")
                                .rules;
  EXPECT_NE(rules.find("\t\t<key>Criteria</key>\n\t\t<array>\n\t\t\t<dict>\n\t\t\t\t<key>Expression</key>\n"
                       "\t\t\t\t<string>boss</string>\n\t\t\t\t<key>Header</key>\n\t\t\t\t<string>From</string>\n"
                       "\t\t\t</dict>\n\t\t</array>\n"),
            std::string::npos);
  const PlistElement root = Parsed(rules);
  ASSERT_EQ(root.values.size(), 2u);
  EXPECT_EQ(root.values[1].Find("RuleName")->text, "(imported) After");
  // Neither criterion complete: an empty array.
  const std::string empty = Convert("rule E\rconjunction and\r").rules;
  EXPECT_NE(empty.find("\t\t<key>Criteria</key>\n\t\t<array>\n\t\t</array>\n"), std::string::npos);
  Parsed(empty);
}

TEST(ProcessSingleFilterItem, ActionsInOrder) {
  FilterOptions options;
  options.systemVersion = 0x1040;
  options.importFolder = "Import-2";
  const std::string rules = Convert("rule All\rheader Subject:\rvalue t\rjunk\rstatus 9\rstop\rlabel 3\r"
                                    "transfer :Trash\rreply x\rredirect c@x\rforward a@x, b@x\rsound Glass\r"
                                    "copy :Old\rtransfer :Work\r",
                                    options)
                                .rules;
  EXPECT_EQ(rules,
            "\t<dict>\n"
            "\t\t<key>RuleName</key>\n\t\t<string>(imported) All</string>\n"
            "\t\t<key>Header</key>\n\t\t<string>Subject</string>\n"
            "\t\t<key>Expression</key>\n\t\t<string>t</string>\n"
            "\t\t<key>ShouldTransferMessage</key>\n\t\t<string>YES</string>\n"
            "\t\t<key>Mailbox</key>\n\t\t<string>~/Library/Mail/Mailboxes/Import-2/Work.mbox</string>\n"
            "\t\t<key>ShouldCopyMessage</key>\n\t\t<string>YES</string>\n"
            "\t\t<key>CopyToMailbox</key>\n\t\t<string>~/Library/Mail/Mailboxes/Import-2/Old.mbox</string>\n"
            "\t\t<key>Sound</key>\n\t\t<string>/System/Library/Sounds/Glass.aiff</string>\n"
            "\t\t<key>AutoResponseType</key>\n\t\t<integer>1</integer>\n"
            "\t\t<key>ForwardRecipients</key>\n\t\t<array>\n\t\t\t<string>a@x</string>\n\t\t\t<string> b@x"
            "</string>\n\t\t</array>\n"
            "\t\t<key>AutoResponseType</key>\n\t\t<integer>3</integer>\n"
            "\t\t<key>RedirectRecipients</key>\n\t\t<array>\n\t\t\t<string>c@x</string>\n\t\t</array>\n"
            "\t\t<key>AutoResponseType</key>\n\t\t<integer>2</integer>\n"
            "\t\t<key>Deletes</key>\n\t\t<string>YES</string>\n"
            "\t\t<key>Mailbox</key>\n\t\t<string>Junk</string>\n"
            "\t\t<key>Color</key>\n\t\t<integer>8674197</integer>\n"
            "\t\t<key>HighlightTextUsingColor</key>\n\t\t<string>YES</string>\n"
            "\t\t<key>StopEvaluatingRules</key>\n\t\t<string>YES</string>\n"
            "\t\t<key>MarkRead</key>\n\t\t<string>YES</string>\n"
            "\t</dict>\n");

  // Before 10.3: no copy, the old colours, no highlight.
  options.systemVersion = 0x1020;
  const std::string old = Convert("rule Old\rheader Subject:\rvalue t\rcopy :Old\rlabel 3\rlabel 9\r", options).rules;
  EXPECT_EQ(old.find("Copy"), std::string::npos);
  EXPECT_NE(old.find("\t\t<key>Color</key>\n\t\t<integer>3668479</integer>\n\t</dict>\n"), std::string::npos);
}

TEST(ProcessSingleFilterItem, TextIsUTF8AndEscaped) {
  FilterOptions options;
  const std::string rules =
      Convert("rule Caf\x8E <&>\rheader X-\x8E\"':\rvalue a<b&c\rsound S\x8E\rforward \x8E@x,<y>\r"
              "transfer :Caf\x8E & Co\r",
              options)
          .rules;
  EXPECT_NE(rules.find("(imported) Caf\xC3\xA9 &lt;&amp;&gt;</string>"), std::string::npos);
  EXPECT_NE(rules.find("<string>X-\xC3\xA9&quot;&apos;</string>"), std::string::npos);
  EXPECT_NE(rules.find("<string>a&lt;b&amp;c</string>"), std::string::npos);
  EXPECT_NE(rules.find("/System/Library/Sounds/S\xC3\xA9.aiff"), std::string::npos);
  EXPECT_NE(rules.find("<string>\xC3\xA9@x</string>\n\t\t\t<string>&lt;y&gt;</string>"), std::string::npos);
  EXPECT_NE(rules.find("Import/Caf\xC3\xA9 &amp; Co.mbox"), std::string::npos);
  Parsed(rules);

  // The name for the progress window is cut at a character boundary.
  const Converted long_name = Convert("rule " + std::string(254, 'a') + "\x8E\x8E\rvalue x\r");
  EXPECT_EQ(long_name.lastName, std::string(254, 'a'));
}

}  // namespace
}  // namespace filters
