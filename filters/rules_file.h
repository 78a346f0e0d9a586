// Apple Mail's rules file: MessageRules.plist (from 10.4: a dictionary whose "rules" array
// is followed by "version" 21) or MessageSorting.plist (before: the array of rules itself).
// A new file is written whole; rules are added to an existing one at the end of its rules
// array, everything else kept byte for byte.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace filters {

enum class RulesFileFormat { kVersion21, kSorting };

RulesFileFormat RulesFileFormatFor(bool macOS104OrLater);
// "MessageRules.plist" or "MessageSorting.plist".
std::string RulesFileName(RulesFileFormat format);
// What a new file holds before and after its rules (207 and 69 bytes, or 181 and 18).
std::string RulesFileHeader(RulesFileFormat format);
std::string RulesFileTrailer(RulesFileFormat format);

// A new rules file holding rules (rule dictionaries).
std::string NewRulesFile(RulesFileFormat format, std::string_view rules);

// The existing file with rules added after the last rule of its rules array. Returns false
// (out untouched) when the file is not an XML property list of the format's shape; reason
// then says why.
bool AddRulesToFile(std::string_view existing, RulesFileFormat format, std::string_view rules, std::string& out,
                    std::string* reason = nullptr);

struct RulesFileUpdate {
  struct Unusable {
    std::string name;
    std::string reason;
  };
  std::string name;    // the file in the Mail folder that receives the rules; empty: none could
  std::string bytes;   // its new contents
  bool created = false;
  std::vector<Unusable> unusable;  // existing files left as they were, in the order tried
};

// Reads a file of the Mail folder: 0, ENOENT when there is none, or another errno value.
using ReadMailFolderFile = std::function<int(const std::string& name, std::string& bytes)>;

// Where rules go and what that file then holds: the rules file of the format when it is
// missing or of the expected shape; otherwise, so that nothing is overwritten, the first of
// "MessageRules-1.plist", "MessageRules-2.plist", … (or "MessageSorting-N.plist") that is
// missing or a rules file of the expected shape itself.
RulesFileUpdate PlanRulesFileUpdate(RulesFileFormat format, std::string_view rules, const ReadMailFolderFile& read);

}  // namespace filters
