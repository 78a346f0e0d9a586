#include "filters/eudora_filter_reader.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace filters {
namespace {

constexpr uint32_t k102 = 0x1020, k103 = 0x1030, k104 = 0x1040;

TEST(TranslateFilterHeader, EudoraHeadersAndPseudoHeaders) {
  struct Case {
    std::string eudora;
    uint32_t system;
    std::string apple;
    bool supported, account;
  } cases[] = {
      {"To:", k104, "To", true, false},
      {"Cc:", k104, "Cc", true, false},
      {"From:", k104, "From", true, false},
      {"Subject:", k104, "Subject", true, false},
      {"Reply-To:", k104, "Reply-To", true, false},
      {"X-Mailer:", k104, "X-Mailer", true, false},
      {"X-Odd::", k104, "X-Odd:", true, false},  // one colon only
      {"Organization", k104, "Organization", true, false},
      {"\xC7" "Any Recipient\xC8", k104, "AnyRecipient", true, false},
      {"\xAB" "Any Recipient\xBB", k104, "AnyRecipient", true, false},
      {"\xC7" "Body\xC8", k104, "Body", true, false},
      {"\xAB" "Any Header\xBB", k104, "To or From or Cc or Bcc or Subject or Date or Reply-To", true, false},
      {"\xC7" "Personality\xC8", k103, "Account", true, true},
      {"\xAB" "Personality\xBB", k104, "Account", true, true},
      {"\xC7" "Personality\xC8", k102, "", false, false},
      {"\xC7" "Junk Score\xC8", k104, "", false, false},
      {"\xAB" "Label\xBB", k104, "", false, false},
      {"", k104, "", false, false},
      // Unterminated or mixed guillemets are ordinary header names.
      {"\xC7" "Body", k104, "\xC7" "Body", true, false},
      {"\xC7" "Body\xBB", k104, "\xC7" "Body\xBB", true, false},
  };
  for (const Case& c : cases) {
    const HeaderTranslation t = TranslateFilterHeader(c.eudora, c.system);
    EXPECT_EQ(t.header, c.apple) << c.eudora;
    EXPECT_EQ(t.supported, c.supported) << c.eudora;
    EXPECT_EQ(t.account, c.account) << c.eudora;
  }
}

TEST(TranslateFilterVerb, BothColumns) {
  struct Case {
    std::string verb, qualifier, negated;
    bool supported;
  } cases[] = {
      {"contains", "", "DoesNotContain", true},
      {"!contains", "DoesNotContain", "", true},
      {"starts", "BeginsWith", "DoesNotContain", true},
      {"ends", "EndsWith", "DoesNotContain", true},
      {"is", "IsEqualTo", "DoesNotContain", true},
      {"!is", "DoesNotContain", "", true},
      {"intersectsFile", "SenderIsInAddressBook", "SenderIsNotInAddressBook", true},
      {"disjointFile", "SenderIsNotInAddressBook", "SenderIsInAddressBook", true},
      {"appears", "", "", false},
      {"!appears", "", "", false},
      {"intersects", "", "", false},
      {"!intersects", "", "", false},
      {"regex", "", "", false},
      {"matches", "", "", true},
      {"", "", "", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TranslateFilterVerb(c.verb, false).qualifier, c.qualifier) << c.verb;
    EXPECT_EQ(TranslateFilterVerb(c.verb, true).qualifier, c.negated) << c.verb;
    EXPECT_EQ(TranslateFilterVerb(c.verb, false).supported, c.supported) << c.verb;
    EXPECT_EQ(TranslateFilterVerb(c.verb, true).supported, c.supported) << c.verb;
  }
}

TEST(TranslateFilterLabel, ColoursOfBothSystems) {
  const std::vector<std::string> labels = {"1", "2", "3", "4", "5", "6", "7"};
  const std::vector<std::string> recent = {"16680485", "14819865", "8674197", "14134016",
                                           "3503295",  "9485826",  "6977676"};
  const std::vector<std::string> older = {"15790335", "16768991", "15794160", "16777185",
                                          "16772310", "16771327", "15461355"};
  for (size_t i = 0; i < labels.size(); ++i) {
    EXPECT_EQ(TranslateFilterLabel(labels[i], k103), recent[i]);
    EXPECT_EQ(TranslateFilterLabel(labels[i], k102), older[i]);
  }
  for (std::string other : {"0", "8", "9", "10", "", "3 "}) {
    EXPECT_EQ(TranslateFilterLabel(other, k104), "3668479") << other;
    EXPECT_EQ(TranslateFilterLabel(other, k102), "3668479") << other;
  }
}

TEST(FilterMailboxPath, NamesTheConvertedPackages) {
  struct Case {
    std::string value;
    bool crlf;
    std::string path;
  } cases[] = {
      {":Work", false, "Work"},
      {":Work.fol:Project", false, "Work/Project"},
      {":Folder:Sub:Box", false, "Folder/Sub/Box"},
      {":Archive.mbx", false, "Archive"},
      {"Work", false, "Work"},  // no leading colon: still below the import folder
      {":Work:", false, "Work"},
      {"a\\b", false, "a\\b"},
      {"Work.mbx", true, "Work"},
      {"Work.MBX", true, "Work"},
      {"Personal.fol\\Family.mbx", true, "Personal/Family"},
      {"\\Box.mbx", true, "Box"},
      {"a:b.mbx", true, "a:b"},
      {":", false, ""},
      {"", true, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(FilterMailboxPath(c.value, c.crlf), c.path) << c.value;
}

TEST(FilterMailboxPath, TakesTheNamesEudoraShowed) {
  // The names a Windows data folder's descmap.pce files give, by the file names down to them.
  const MailboxDisplayName shown = [](const std::vector<std::string>& files) -> std::optional<std::string> {
    std::string key;
    for (const std::string& f : files) key += "/" + f;
    if (key == "/In.mbx") return "Inbox";
    if (key == "/Personal.fol") return "Home & Family";
    if (key == "/Personal.fol/FAMILY~1.MBX") return "Family";
    return std::nullopt;
  };
  EXPECT_EQ(FilterMailboxPath("In.mbx", true, shown), "Inbox");
  EXPECT_EQ(FilterMailboxPath("Personal.fol\\FAMILY~1.MBX", true, shown), "Home & Family/Family");
  EXPECT_EQ(FilterMailboxPath("Personal.fol\\Other.mbx", true, shown), "Home & Family/Other");
  EXPECT_EQ(FilterMailboxPath("Work.fol\\In.mbx", true, shown), "Work/In");
}

TEST(FilterTextToUTF8, RecodesAndBlanksControlCharacters) {
  EXPECT_EQ(FilterTextToUTF8("Caf\x8E", platform::kMacRoman), "Caf\xC3\xA9");
  EXPECT_EQ(FilterTextToUTF8("Caf\xE9", platform::kWindowsLatin1), "Caf\xC3\xA9");
  EXPECT_EQ(FilterTextToUTF8(std::string("a\0b\x01\tc\nd\x1F", 9), platform::kMacRoman), "a b \tc\nd ");
  // Invalid Shift-JIS is read as Mac Roman: still UTF-8.
  EXPECT_TRUE(platform::IsValidUTF8(FilterTextToUTF8("\x81\xFF\x82", platform::kMacJapanese)));
}

std::vector<FilterRule> ReadAll(const std::string& file, const FilterOptions& options, size_t* calls = nullptr) {
  platform::MemoryStream in(file);
  std::vector<FilterRule> rules;
  bool more = true;
  size_t n = 0;
  while (more && n < 1000) {
    FilterRule rule;
    more = ReadEudoraFilter(in, options, rule);
    rules.push_back(rule);
    ++n;
  }
  if (calls) *calls = n;
  return rules;
}

TEST(ReadEudoraFilter, FiltersOfMacAndWindowsFiles) {
  const std::string mac = "rule A\rheader From:\rverb is\rvalue a\rrule B\rheader To:\rvalue b";
  std::string windows = "3\r\nrule A\r\nheader From:\r\nverb is\r\nvalue a\r\nrule B\r\nheader To:\r\nvalue b\r\n";
  FilterOptions macOptions, windowsOptions;
  windowsOptions.crlf = true;
  for (const auto& [file, options] : {std::pair{mac, macOptions}, std::pair{windows, windowsOptions}}) {
    platform::MemoryStream in(file);
    FilterRule rule;
    ASSERT_TRUE(ReadEudoraFilter(in, options, rule));
    EXPECT_EQ(rule.name, "A");
    EXPECT_EQ(rule.first.header, "From");
    EXPECT_EQ(rule.first.qualifier, "IsEqualTo");
    EXPECT_EQ(rule.first.expression, "a");
    EXPECT_FALSE(ReadEudoraFilter(in, options, rule));
    EXPECT_EQ(rule.name, "B");
    EXPECT_EQ(rule.first.header, "To");
    EXPECT_EQ(rule.first.expression, "b");
  }
  platform::MemoryStream crlf(windows), cr(mac);
  EXPECT_TRUE(FilterFileUsesCRLF(crlf));
  EXPECT_EQ(crlf.Tell(), 0u);
  EXPECT_FALSE(FilterFileUsesCRLF(cr));
}

TEST(ReadEudoraFilter, ConjunctionsChooseTheCriterionAndUnsupportedPartsDropIt) {
  FilterOptions options;
  auto read = [&](const std::string& file) { return ReadAll(file, options).front(); };

  FilterRule r = read("rule R\rheader From:\rverb is\rvalue a\rconjunction unless\rheader To:\rverb starts\rvalue b\r");
  EXPECT_TRUE(r.allCriteria && r.negateSecond && !r.anyCriterion);
  EXPECT_EQ(r.first.qualifier, "IsEqualTo");
  EXPECT_EQ(r.second.header, "To");
  EXPECT_EQ(r.second.qualifier, "DoesNotContain");
  EXPECT_EQ(r.second.expression, "b");

  // Eudora's unused second criterion: "ignore" and an empty header.
  r = read("rule R\rheader Subject:\rverb contains\rvalue x\rconjunction ignore\rheader \rverb contains\rvalue \r");
  EXPECT_TRUE(r.anyCriterion && r.first.usable && !r.second.usable);

  r = read("rule R\rheader From:\rverb regex\rvalue a.*\rconjunction and\rheader \xC7Label\xC8\rvalue 3\r");
  EXPECT_FALSE(r.first.usable);
  EXPECT_FALSE(r.second.usable);

  // Flags once set stay set; unknown conjunctions change nothing.
  r = read("rule R\rconjunction maybe\rconjunction or\rconjunction and\r");
  EXPECT_TRUE(r.anyCriterion && r.allCriteria && !r.negateSecond);
}

TEST(ReadEudoraFilter, Actions) {
  FilterOptions options;
  options.systemVersion = k104;
  FilterRule r = ReadAll(
                     "rule R\rtransfer :Work\rcopy :Old:Box\rsound Eudora New Mail\rforward a, b\rredirect c\r"
                     "reply Thanks\rlabel 3\rstop\rstatus 2\rjunk\r",
                     options)
                     .front();
  EXPECT_EQ(r.transferMailbox, "Work");
  EXPECT_EQ(r.copyMailbox, "Old/Box");
  EXPECT_EQ(r.sound, "Ping");
  EXPECT_EQ(r.forwardRecipients, "a, b");
  EXPECT_EQ(r.redirectRecipients, "c");
  EXPECT_TRUE(r.reply && r.stopRules && r.markRead && r.moveToJunk && !r.deleteMessage);
  EXPECT_EQ(r.colour, "8674197");

  for (const char* trash : {"transfer :Trash", "copy :Trash", "transfer Trash.mbox"}) {
    r = ReadAll(std::string("rule R\r") + trash + "\r", options).front();
    EXPECT_TRUE(r.deleteMessage) << trash;
    EXPECT_TRUE(r.transferMailbox.empty() && r.copyMailbox.empty()) << trash;
  }
  r = ReadAll("rule R\rstatus 1\rsound Glass\rreply\r", options).front();
  EXPECT_FALSE(r.markRead || r.reply);
  EXPECT_EQ(r.sound, "Glass");
}

TEST(ReadEudoraFilter, AFilterIsItsRuleLineAndWhatFollows) {
  FilterOptions options;
  size_t calls = 0;
  // The nameless filter's delete and criterion stay with it; lines before the first rule
  // line belong to no filter.
  std::vector<FilterRule> rules = ReadAll(
      "transfer :Trash\rheader To:\rrule A\rvalue a\rrule\rheader From:\rconjunction or\rtransfer :Trash\r"
      "rule B\rheader Subject:\rvalue b\r",
      options, &calls);
  ASSERT_EQ(calls, 3u);
  EXPECT_EQ(rules[0].name, "A");
  EXPECT_FALSE(rules[0].deleteMessage);
  EXPECT_EQ(rules[0].first.header, "");
  EXPECT_EQ(rules[1].name, "");
  EXPECT_EQ(rules[2].name, "B");
  EXPECT_FALSE(rules[2].deleteMessage || rules[2].anyCriterion);
  EXPECT_EQ(rules[2].first.header, "Subject");

  // A file without a rule line is read in one call.
  ReadAll("3\r\n", options, &calls);
  EXPECT_EQ(calls, 1u);
  ReadAll("", options, &calls);
  EXPECT_EQ(calls, 1u);
}

TEST(ReadEudoraFilter, BadInputIsReadToTheEnd) {
  FilterOptions options;
  // A line of 10 MB keeps its first bytes; the next line is still found.
  std::string huge = "rule R\rvalue " + std::string(10 << 20, 'x') + "\rheader From:\rrule S\r";
  std::vector<FilterRule> rules = ReadAll(huge, options);
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_EQ(rules[0].first.expression.size(), kMaxFilterLineLength - 6);
  EXPECT_EQ(rules[0].first.header, "From");
  EXPECT_EQ(rules[1].name, "S");

  // Keywords without values, binary junk and invalid bytes: every text is UTF-8.
  std::string junk = "rule\rheader\rverb\rvalue\rtransfer\rforward\rlabel\rsound\r";
  for (int i = 0; i < 512; ++i) junk += static_cast<char>((i * 37) & 0xFF);
  junk += "\rrule \xFF\xFE\x80\rheader \xC7" "Any\rvalue \x81\x5C\r";
  options.japanese = true;
  for (const FilterRule& r : ReadAll(junk, options)) {
    for (const std::string* t : {&r.name, &r.first.header, &r.first.expression, &r.second.expression, &r.sound,
                                 &r.transferMailbox, &r.forwardRecipients})
      EXPECT_TRUE(platform::IsValidUTF8(*t));
  }
}

TEST(ReadEudoraFilter, JapaneseTextAndWindowsPaths) {
  FilterOptions options;
  options.japanese = true;
  options.crlf = true;
  // 0x95 0x5C is one Shift-JIS character whose second byte is a backslash.
  FilterRule r = ReadAll("rule \x8E\x64\x8E\x96\r\ntransfer \x95\x5C\\Box.mbx\r\n", options).front();
  EXPECT_EQ(r.name, "\xE4\xBB\x95\xE4\xBA\x8B");
  EXPECT_EQ(r.transferMailbox, "\xE8\xA1\xA8/Box");
}

TEST(ReadEudoraFilter, PersonalityNamesAnAccount) {
  FilterOptions options;
  options.systemVersion = k103;
  std::vector<std::string> asked;
  options.lookUpAccount = [&](const std::string& name) -> std::optional<std::string> {
    asked.push_back(name);
    if (name == "Caf\xC3\xA9") return "~/Library/Mail/POP-a@b";
    return std::nullopt;
  };
  const std::string file =
      "rule R\rheader \xC7Personality\xC8\rverb is\rvalue Caf\x8E\rconjunction or\r"
      "header \xC7Personality\xC8\rvalue Home\r";
  FilterRule r = ReadAll(file, options).front();
  EXPECT_EQ(r.first.header, "Account");
  EXPECT_EQ(r.first.expression, "~/Library/Mail/POP-a@b");
  EXPECT_EQ(r.second.expression, "Home");  // not found: the name stays
  EXPECT_EQ(asked, (std::vector<std::string>{"Caf\xC3\xA9", "Home"}));

  // Only the value after the personality header is looked up, and not before 10.3.
  asked.clear();
  ReadAll("rule R\rvalue Home\r", options);
  options.systemVersion = k102;
  r = ReadAll(file, options).front();
  EXPECT_TRUE(asked.empty());
  EXPECT_FALSE(r.first.usable);
}

TEST(MergeSameTextCriteria, OneCriterionForTheSameTextInTwoHeaders) {
  struct Case {
    FilterCriterion first, second;
    bool any;
    std::string header;
  } cases[] = {
      {{"To", "", "x"}, {"Cc", "", "x"}, true, "To or Cc"},
      {{"To", "", "x"}, {"Cc", "", "x"}, false, "To"},           // "and"
      {{"To", "", "x"}, {"Cc", "", "y"}, true, "To"},            // another text
      {{"To", "", "x"}, {"Cc", "IsEqualTo", "x"}, true, "To"},   // another test
      {{"AnyRecipient", "", "x"}, {"From", "", "x"}, true, "AnyRecipient"},
      {{"From", "", "x"}, {"AnyRecipient", "", "x"}, true, "From"},
      {{"To", "", "x"}, {"", "", "x", false}, true, "To"},       // second unusable
  };
  for (const Case& c : cases) {
    FilterRule r;
    r.first = c.first;
    r.second = c.second;
    r.anyCriterion = c.any;
    r.allCriteria = !c.any;
    MergeSameTextCriteria(r);
    EXPECT_EQ(r.first.header, c.header) << c.first.header << " " << c.second.header;
    EXPECT_EQ(r.anyCriterion, c.any && c.header == c.first.header);  // cleared by a merge
  }
}

}  // namespace
}  // namespace filters
