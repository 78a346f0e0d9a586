// Writing one rule of Apple Mail's rules file: a dictionary of the rules array, tab-indented
// as Apple Mail writes its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "filters/filter_rule.h"

namespace filters {

// Whether the filter gives a rule: it has a name, and a criterion Apple Mail can test.
bool RuleIsWritten(const FilterRule& rule);

// The rule's dictionary ("\t<dict>\n" … "\t</dict>\n"); mailboxes are named below
// ~/Library/Mail/Mailboxes/<importFolder>/.
std::string WriteRuleDictionary(const FilterRule& rule, std::string_view importFolder, uint32_t systemVersion);

}  // namespace filters
