#include "filters/filter_translation.h"

#include "filters/eudora_filter_reader.h"
#include "filters/rule_dictionary_writer.h"

namespace filters {

std::string CutUTF8(std::string text, size_t max) {
  if (text.size() <= max) return text;
  size_t cut = max;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
  return text;
}

bool ProcessSingleFilterItem(platform::ByteStream& in, platform::OutputStream& out, std::string& ruleName,
                             const FilterOptions& options) {
  FilterRule rule;
  const bool more = ReadEudoraFilter(in, options, rule);
  ruleName = CutUTF8(rule.name, 255);
  MergeSameTextCriteria(rule);
  if (RuleIsWritten(rule)) out.Write(WriteRuleDictionary(rule, options.importFolder, options.systemVersion));
  return more;
}

}  // namespace filters
