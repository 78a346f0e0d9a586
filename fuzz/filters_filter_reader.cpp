// Feeds arbitrary bytes as a filter file (the first byte picks the line ends, the Japanese
// flavour and the system version) through the filter-by-filter conversion, and checks that
// the rules written make a property list of one rule dictionary per rule, and that adding
// them to a rules file again keeps it one.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "filters/filter_translation.h"
#include "filters/mail_accounts.h"
#include "filters/rules_file.h"
#include "filters/xml_property_list.h"
#include "platform/encodings.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

const std::string kPreferences =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n\t<key>MailAccounts</key>\n"
    "\t<array>\n\t\t<dict>\n\t\t\t<key>AccountName</key>\n\t\t\t<string>Work</string>\n"
    "\t\t\t<key>AccountPath</key>\n\t\t\t<string>~/Library/Mail/IMAP-a&amp;b@x</string>\n\t\t</dict>\n"
    "\t</array>\n</dict>\n</plist>\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  const std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1);

  filters::FilterOptions options;
  options.crlf = flags & 1;
  options.japanese = flags & 2;
  static constexpr uint32_t kVersions[] = {0x1020, 0x1030, 0x1040, 0x1050};
  options.systemVersion = kVersions[(flags >> 2) & 3];
  options.importFolder = (flags & 16) ? "Import-1" : "Imp<&>ort";
  options.lookUpAccount = [](const std::string& name) { return filters::FindMailAccountPath(kPreferences, name); };

  platform::MemoryStream in(file);
  platform::MemoryOutput out;
  size_t written = 0;
  uint64_t lastPosition = 0;
  bool more = true;
  for (int calls = 0; more; ++calls) {
    Check(calls <= static_cast<int>(file.size()) + 1);
    const size_t before = out.Data().size();
    std::string ruleName;
    more = filters::ProcessSingleFilterItem(in, out, ruleName, options);
    Check(ruleName.size() <= 255 && platform::IsValidUTF8(ruleName));
    // A filter that stops at the next one has moved on.
    if (more) Check(in.Tell() > lastPosition || calls == 0);
    lastPosition = in.Tell();
    if (out.Data().size() != before) ++written;
  }

  const filters::RulesFileFormat format =
      (flags & 32) ? filters::RulesFileFormat::kVersion21 : filters::RulesFileFormat::kSorting;
  const std::string rulesFile = filters::NewRulesFile(format, out.Data());
  filters::PlistElement root;
  Check(filters::ParseXMLPropertyList(rulesFile, root));
  const filters::PlistElement* rules = format == filters::RulesFileFormat::kSorting ? &root : root.Find("rules");
  Check(rules && rules->type == filters::PlistElement::Type::kArray && rules->values.size() == written);
  for (const filters::PlistElement& rule : rules->values) {
    const filters::PlistElement* name = rule.Find("RuleName");
    Check(name && name->text.rfind("(imported) ", 0) == 0);
  }

  std::string twice;
  Check(filters::AddRulesToFile(rulesFile, format, out.Data(), twice));
  Check(twice == filters::NewRulesFile(format, out.Data() + out.Data()));
  return 0;
}
