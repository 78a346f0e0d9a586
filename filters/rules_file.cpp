#include "filters/rules_file.h"

#include <cerrno>

#include "filters/xml_property_list.h"
#include "platform/files.h"

namespace filters {

namespace {

constexpr std::string_view kPlistHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";

// The white space before offset on its line, when nothing else stands there.
std::string_view IndentBefore(std::string_view s, size_t offset, bool& atLineStart) {
  size_t start = offset;
  while (start > 0 && (s[start - 1] == ' ' || s[start - 1] == '\t')) --start;
  atLineStart = start == 0 || s[start - 1] == '\n' || s[start - 1] == '\r';
  return atLineStart ? s.substr(start, offset - start) : std::string_view();
}

// The rules array of a parsed file of the format, or null.
const PlistElement* RulesArray(const PlistElement& root, RulesFileFormat format, std::string& reason) {
  if (format == RulesFileFormat::kSorting) {
    if (root.type == PlistElement::Type::kArray) return &root;
    reason = "its top level is not an array of rules";
    return nullptr;
  }
  if (root.type != PlistElement::Type::kDict) {
    reason = "its top level is not a dictionary";
    return nullptr;
  }
  if (root.CountKey("rules") != 1) {
    reason = "it has no single \"rules\" entry";
    return nullptr;
  }
  const PlistElement* rules = root.Find("rules");
  if (rules->type != PlistElement::Type::kArray) {
    reason = "its \"rules\" entry is not an array";
    return nullptr;
  }
  return rules;
}

}  // namespace

RulesFileFormat RulesFileFormatFor(bool macOS104OrLater) {
  return macOS104OrLater ? RulesFileFormat::kVersion21 : RulesFileFormat::kSorting;
}

std::string RulesFileName(RulesFileFormat format) {
  return format == RulesFileFormat::kVersion21 ? "MessageRules.plist" : "MessageSorting.plist";
}

std::string RulesFileHeader(RulesFileFormat format) {
  std::string header(kPlistHead);
  if (format == RulesFileFormat::kVersion21) header += "<dict>\n\t<key>rules</key>\n\t";
  return header + "<array>\n";
}

std::string RulesFileTrailer(RulesFileFormat format) {
  std::string trailer = "</array>\n";
  if (format == RulesFileFormat::kVersion21) trailer += "\t<key>version</key>\n\t<integer>21</integer>\n</dict>\n";
  return trailer + "</plist>\n";
}

std::string NewRulesFile(RulesFileFormat format, std::string_view rules) {
  std::string file = RulesFileHeader(format);
  file.append(rules);
  return file + RulesFileTrailer(format);
}

bool AddRulesToFile(std::string_view existing, RulesFileFormat format, std::string_view rules, std::string& out,
                    std::string* reason) {
  PlistElement root;
  std::string why;
  if (!ParseXMLPropertyList(existing, root, &why)) {
    // Later versions of Apple Mail may keep the file as a binary property list.
    if (reason)
      *reason = existing.substr(0, 6) == "bplist" ? "it is a binary property list"
                                                   : "it is not an XML property list (" + why + ")";
    return false;
  }
  const PlistElement* array = RulesArray(root, format, why);
  if (!array) {
    if (reason) *reason = why;
    return false;
  }
  bool atLineStart = false;
  if (array->emptyTag) {
    // "<array/>" opens up around the rules, its end tag indented as the start tag was.
    const std::string_view indent = IndentBefore(existing, array->begin, atLineStart);
    out.assign(existing.substr(0, array->begin));
    out += "<array>\n";
    out.append(rules);
    out.append(indent);
    out += "</array>";
    out.append(existing.substr(array->end));
    return true;
  }
  // The rules go in before the line of the array's end tag, which keeps its indentation.
  const size_t at = array->endTag - IndentBefore(existing, array->endTag, atLineStart).size();
  out.assign(existing.substr(0, at));
  if (!atLineStart) out += '\n';
  out.append(rules);
  out.append(existing.substr(at));
  return true;
}

RulesFileUpdate PlanRulesFileUpdate(RulesFileFormat format, std::string_view rules, const ReadMailFolderFile& read) {
  RulesFileUpdate update;
  const std::string base = RulesFileName(format);
  const std::string stem = base.substr(0, base.size() - 6);  // without ".plist"
  for (int n = 0; n < 1000; ++n) {
    const std::string name = n == 0 ? base : stem + "-" + std::to_string(n) + ".plist";
    std::string existing;
    const int error = read(name, existing);
    if (error == ENOENT) {
      update.name = name;
      update.bytes = NewRulesFile(format, rules);
      update.created = true;
      return update;
    }
    std::string reason;
    if (error != 0)
      reason = "it cannot be read (" + platform::ErrorText(error) + ")";
    else if (AddRulesToFile(existing, format, rules, update.bytes, &reason)) {
      update.name = name;
      return update;
    }
    update.unusable.push_back({name, reason});
  }
  return update;
}

}  // namespace filters
