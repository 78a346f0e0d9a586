#include "filters/rules_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <string>

#include "filters/xml_property_list.h"

namespace filters {

namespace {

const std::string kRule1 = "\t<dict>\n\t\t<key>RuleName</key>\n\t\t<string>(imported) One</string>\n\t</dict>\n";
const std::string kRule2 = "\t<dict>\n\t\t<key>RuleName</key>\n\t\t<string>(imported) Two</string>\n\t</dict>\n";

// Apple Mail's own file, as it writes it.
const std::string kAppleMailRules =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n"
    "<dict>\n"
    "\t<key>rules</key>\n"
    "\t<array>\n"
    "\t\t<dict>\n"
    "\t\t\t<key>Active</key>\n\t\t\t<string>1</string>\n"
    "\t\t\t<key>Criteria</key>\n\t\t\t<array>\n\t\t\t\t<dict>\n"
    "\t\t\t\t\t<key>Expression</key>\n\t\t\t\t\t<string>news@example.com</string>\n"
    "\t\t\t\t\t<key>Header</key>\n\t\t\t\t\t<string>From</string>\n"
    "\t\t\t\t</dict>\n\t\t\t</array>\n"
    "\t\t\t<key>RuleName</key>\n\t\t\t<string>News &amp; Caf\xC3\xA9</string>\n"
    "\t\t</dict>\n"
    "\t</array>\n"
    "\t<key>version</key>\n"
    "\t<integer>21</integer>\n"
    "</dict>\n"
    "</plist>\n";

std::vector<std::string> RuleNames(const std::string& file, RulesFileFormat format) {
  PlistElement root;
  std::string error;
  EXPECT_TRUE(ParseXMLPropertyList(file, root, &error)) << error;
  const PlistElement* rules = format == RulesFileFormat::kSorting ? &root : root.Find("rules");
  std::vector<std::string> names;
  if (!rules) return names;
  for (const PlistElement& rule : rules->values)
    if (const PlistElement* name = rule.Find("RuleName")) names.push_back(name->text);
  return names;
}

TEST(RulesFile, NewFilesOfBothFormats) {
  EXPECT_EQ(RulesFileName(RulesFileFormatFor(true)), "MessageRules.plist");
  EXPECT_EQ(RulesFileName(RulesFileFormatFor(false)), "MessageSorting.plist");
  EXPECT_EQ(RulesFileHeader(RulesFileFormat::kVersion21).size(), 207u);
  EXPECT_EQ(RulesFileTrailer(RulesFileFormat::kVersion21).size(), 69u);
  EXPECT_EQ(RulesFileHeader(RulesFileFormat::kSorting).size(), 181u);
  EXPECT_EQ(RulesFileTrailer(RulesFileFormat::kSorting).size(), 18u);

  const std::string v21 = NewRulesFile(RulesFileFormat::kVersion21, kRule1);
  EXPECT_EQ(v21, RulesFileHeader(RulesFileFormat::kVersion21) + kRule1 + RulesFileTrailer(RulesFileFormat::kVersion21));
  EXPECT_EQ(RuleNames(v21, RulesFileFormat::kVersion21), std::vector<std::string>{"(imported) One"});
  PlistElement root;
  ASSERT_TRUE(ParseXMLPropertyList(v21, root));
  EXPECT_EQ(root.Find("version")->text, "21");
  EXPECT_EQ(RuleNames(NewRulesFile(RulesFileFormat::kSorting, ""), RulesFileFormat::kSorting).size(), 0u);
}

TEST(RulesFile, RulesAddedToOurOwnFileAreTheBytesOfOneWrite) {
  for (RulesFileFormat format : {RulesFileFormat::kVersion21, RulesFileFormat::kSorting}) {
    std::string out;
    ASSERT_TRUE(AddRulesToFile(NewRulesFile(format, kRule1), format, kRule2, out));
    EXPECT_EQ(out, NewRulesFile(format, kRule1 + kRule2));
    ASSERT_TRUE(AddRulesToFile(NewRulesFile(format, ""), format, kRule1, out));
    EXPECT_EQ(out, NewRulesFile(format, kRule1));
  }
}

TEST(RulesFile, RulesAddedToAppleMailsFileFollowItsRules) {
  std::string out;
  ASSERT_TRUE(AddRulesToFile(kAppleMailRules, RulesFileFormat::kVersion21, kRule1 + kRule2, out));
  const size_t close = kAppleMailRules.find("\t</array>\n\t<key>version");
  EXPECT_EQ(out, kAppleMailRules.substr(0, close) + kRule1 + kRule2 + kAppleMailRules.substr(close));
  EXPECT_EQ(RuleNames(out, RulesFileFormat::kVersion21),
            (std::vector<std::string>{"News & Caf\xC3\xA9", "(imported) One", "(imported) Two"}));

  // An empty array written as one tag; a file on one line.
  const std::string empty = "<?xml version=\"1.0\"?>\n<plist version=\"1.0\">\n<dict>\n\t<key>rules</key>\n"
                            "\t<array/>\n\t<key>version</key>\n\t<integer>21</integer>\n</dict>\n</plist>\n";
  ASSERT_TRUE(AddRulesToFile(empty, RulesFileFormat::kVersion21, kRule1, out));
  EXPECT_NE(out.find("\t<array>\n" + kRule1 + "\t</array>\n\t<key>version"), std::string::npos);
  EXPECT_EQ(RuleNames(out, RulesFileFormat::kVersion21), std::vector<std::string>{"(imported) One"});
  const std::string oneLine = "<plist><array><dict><key>RuleName</key><string>Old</string></dict></array></plist>";
  ASSERT_TRUE(AddRulesToFile(oneLine, RulesFileFormat::kSorting, kRule1, out));
  EXPECT_EQ(RuleNames(out, RulesFileFormat::kSorting), (std::vector<std::string>{"Old", "(imported) One"}));
}

TEST(RulesFile, FilesOfAnotherShapeAreRefused) {
  const std::string v21 = NewRulesFile(RulesFileFormat::kVersion21, kRule1);
  const std::string sorting = NewRulesFile(RulesFileFormat::kSorting, kRule1);
  struct Case {
    std::string file;
    RulesFileFormat format;
  } cases[] = {
      {"bplist00\xD1\x01\x02Urules", RulesFileFormat::kVersion21},
      {"", RulesFileFormat::kVersion21},
      {v21.substr(0, v21.size() - 20), RulesFileFormat::kVersion21},  // cut short
      {sorting, RulesFileFormat::kVersion21},                          // top level not a dict
      {v21, RulesFileFormat::kSorting},                                // top level not an array
      {"<plist><dict><key>version</key><integer>21</integer></dict></plist>", RulesFileFormat::kVersion21},
      {"<plist><dict><key>rules</key><string>x</string></dict></plist>", RulesFileFormat::kVersion21},
      {"<plist><dict><key>rules</key><array/><key>rules</key><array/></dict></plist>", RulesFileFormat::kVersion21},
      {"<plist><array><string>Caf\xE9</string></array></plist>", RulesFileFormat::kSorting},  // not UTF-8
      {"<?xml version=\"1.0\" encoding=\"UTF-16\"?><plist><array/></plist>", RulesFileFormat::kSorting},
  };
  for (const Case& c : cases) {
    std::string out = "untouched", reason;
    EXPECT_FALSE(AddRulesToFile(c.file, c.format, kRule1, out, &reason)) << c.file;
    EXPECT_EQ(out, "untouched");
    EXPECT_FALSE(reason.empty());
  }
}

TEST(RulesFile, PlanKeepsEveryExistingFile) {
  const std::string rules = kRule2;
  const std::string ours = NewRulesFile(RulesFileFormat::kVersion21, kRule1);
  struct Case {
    std::map<std::string, std::string> files;  // "!" + errno: cannot be read
    std::string name;
    bool created;
    size_t unusable;
  } cases[] = {
      {{}, "MessageRules.plist", true, 0},
      {{{"MessageRules.plist", ours}}, "MessageRules.plist", false, 0},
      {{{"MessageRules.plist", "junk"}}, "MessageRules-1.plist", true, 1},
      {{{"MessageRules.plist", "!13"}}, "MessageRules-1.plist", true, 1},
      {{{"MessageRules.plist", "junk"}, {"MessageRules-1.plist", ours}}, "MessageRules-1.plist", false, 1},
      {{{"MessageRules.plist", "junk"}, {"MessageRules-1.plist", "junk"}}, "MessageRules-2.plist", true, 2},
  };
  for (const Case& c : cases) {
    const RulesFileUpdate update =
        PlanRulesFileUpdate(RulesFileFormat::kVersion21, rules, [&](const std::string& name, std::string& bytes) {
          auto it = c.files.find(name);
          if (it == c.files.end()) return ENOENT;
          if (it->second[0] == '!') return std::stoi(it->second.substr(1));
          bytes = it->second;
          return 0;
        });
    EXPECT_EQ(update.name, c.name);
    EXPECT_EQ(update.created, c.created);
    ASSERT_EQ(update.unusable.size(), c.unusable);
    if (c.unusable) {
      EXPECT_EQ(update.unusable[0].name, "MessageRules.plist");
    }
    EXPECT_EQ(update.bytes, c.created ? NewRulesFile(RulesFileFormat::kVersion21, rules)
                                      : NewRulesFile(RulesFileFormat::kVersion21, kRule1 + rules));
  }
  const RulesFileUpdate old =
      PlanRulesFileUpdate(RulesFileFormat::kSorting, rules, [](const std::string& name, std::string& bytes) {
        if (name != "MessageSorting.plist") return ENOENT;
        bytes = "junk";
        return 0;
      });
  EXPECT_EQ(old.name, "MessageSorting-1.plist");
}

}  // namespace
}  // namespace filters
