// Feeds arbitrary bytes as an existing rules file of both formats and as Apple Mail's
// preferences: a file that is taken keeps every byte, gains exactly the new rule at the end
// of its rules array and stays a property list.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "filters/mail_accounts.h"
#include "filters/rules_file.h"
#include "filters/xml_property_list.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

const std::string kRule = "\t<dict>\n\t\t<key>RuleName</key>\n\t\t<string>(imported) New</string>\n\t</dict>\n";

const filters::PlistElement* RulesOf(const filters::PlistElement& root, filters::RulesFileFormat format) {
  if (format == filters::RulesFileFormat::kSorting) return &root;
  return root.Find("rules");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  filters::PlistElement before;
  const bool parsed = filters::ParseXMLPropertyList(bytes, before);
  if (parsed) Check(before.end <= size && before.begin <= before.endTag && before.endTag <= before.end);

  for (filters::RulesFileFormat format : {filters::RulesFileFormat::kVersion21, filters::RulesFileFormat::kSorting}) {
    std::string out;
    if (!filters::AddRulesToFile(bytes, format, kRule, out)) continue;
    Check(parsed);
    filters::PlistElement after;
    Check(filters::ParseXMLPropertyList(out, after));
    const filters::PlistElement* old = RulesOf(before, format);
    const filters::PlistElement* now = RulesOf(after, format);
    Check(old && now && now->values.size() == old->values.size() + 1);
    const filters::PlistElement* name = now->values.back().Find("RuleName");
    Check(name && name->text == "(imported) New");
    // Every old byte is kept, in order: what was added is one run of new bytes (an empty
    // "<array/>" is the one tag that is replaced).
    const size_t replaced = old->emptyTag ? old->end - old->begin : 0;
    size_t head = 0;
    while (head < bytes.size() && out[head] == bytes[head]) ++head;
    size_t tail = 0;
    while (tail < bytes.size() - head && out[out.size() - 1 - tail] == bytes[bytes.size() - 1 - tail]) ++tail;
    Check(head + tail + replaced >= bytes.size());
  }

  if (std::optional<std::string> path = filters::FindMailAccountPath(bytes, "Work")) Check(parsed);
  return 0;
}
