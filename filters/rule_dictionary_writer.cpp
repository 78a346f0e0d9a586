#include "filters/rule_dictionary_writer.h"

#include "text/escaping.h"

namespace filters {

namespace {

std::string Xml(std::string_view text) { return text::CleanUpXMLString(std::string(text)); }

bool IsAddressBookTest(std::string_view qualifier) {
  return qualifier == "SenderIsInAddressBook" || qualifier == "SenderIsNotInAddressBook";
}

// A key and its string value at the given indentation.
void Pair(std::string& out, std::string_view indent, std::string_view key, std::string_view escapedValue) {
  out.append(indent).append("<key>").append(key).append("</key>\n");
  out.append(indent).append("<string>").append(escapedValue).append("</string>\n");
}

// The rule's own criterion (the form before criteria arrays). Address-book tests name
// themselves as the header.
void MainCriterion(std::string& out, const FilterCriterion& c) {
  if (IsAddressBookTest(c.qualifier)) {
    Pair(out, "\t\t", "Header", c.qualifier);
    return;
  }
  Pair(out, "\t\t", "Header", Xml(c.header));
  Pair(out, "\t\t", "Expression", Xml(c.expression));
  if (!c.qualifier.empty()) Pair(out, "\t\t", "Qualifier", c.qualifier);
}

// One element of the Criteria array; a criterion without header or text has none, and
// leaves the array without it (an empty text matches every message anyway).
void CriteriaElement(std::string& out, const FilterCriterion& c) {
  if (IsAddressBookTest(c.qualifier)) {
    out += "\t\t\t<dict>\n";
    Pair(out, "\t\t\t\t", "Header", c.qualifier);
    out += "\t\t\t</dict>\n";
    return;
  }
  if (c.header.empty() || c.expression.empty()) return;
  out += "\t\t\t<dict>\n";
  Pair(out, "\t\t\t\t", "Expression", Xml(c.expression));
  Pair(out, "\t\t\t\t", "Header", Xml(c.header));
  if (!c.qualifier.empty()) Pair(out, "\t\t\t\t", "Qualifier", c.qualifier);
  out += "\t\t\t</dict>\n";
}

std::string MailboxPath(std::string_view importFolder, std::string_view path) {
  return "~/Library/Mail/Mailboxes/" + Xml(importFolder) + "/" + Xml(path) + ".mbox";
}

// Recipients as the strings of an array: one per comma-separated part, blanks kept.
std::string Recipients(std::string_view list) {
  std::string out;
  size_t start = 0;
  for (;;) {
    const size_t comma = list.find(',', start);
    out += Xml(list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) return out;
    out += "</string>\n\t\t\t<string>";
    start = comma + 1;
  }
}

}  // namespace

bool RuleIsWritten(const FilterRule& rule) {
  if (rule.name.empty()) return false;
  return rule.first.usable || (rule.second.usable && (rule.anyCriterion || rule.allCriteria));
}

std::string WriteRuleDictionary(const FilterRule& rule, std::string_view importFolder, uint32_t systemVersion) {
  std::string out = "\t<dict>\n";
  Pair(out, "\t\t", "RuleName", "(imported) " + Xml(rule.name));

  if (rule.first.usable) {
    MainCriterion(out, rule.first);
  } else if (rule.second.usable && !rule.second.header.empty() && !rule.second.expression.empty()) {
    MainCriterion(out, rule.second);
  }

  if (rule.first.usable && rule.second.usable && (rule.anyCriterion || rule.allCriteria || rule.negateSecond)) {
    out += "\t\t<key>AllCriteriaMustBeSatisfied</key>\n";
    out += rule.anyCriterion ? "\t\t<string>NO</string>\n" : "\t\t<string>YES</string>\n";
    out += "\t\t<key>Criteria</key>\n\t\t<array>\n";
    CriteriaElement(out, rule.first);
    CriteriaElement(out, rule.second);
    out += "\t\t</array>\n";
  }

  if (!rule.transferMailbox.empty()) {
    Pair(out, "\t\t", "ShouldTransferMessage", "YES");
    Pair(out, "\t\t", "Mailbox", MailboxPath(importFolder, rule.transferMailbox));
  }
  // Apple Mail copies messages from 10.3 on.
  if (!rule.copyMailbox.empty() && IsSystem103OrLater(systemVersion)) {
    Pair(out, "\t\t", "ShouldCopyMessage", "YES");
    Pair(out, "\t\t", "CopyToMailbox", MailboxPath(importFolder, rule.copyMailbox));
  }
  if (!rule.sound.empty()) Pair(out, "\t\t", "Sound", "/System/Library/Sounds/" + Xml(rule.sound) + ".aiff");
  if (!rule.forwardRecipients.empty()) {
    out += "\t\t<key>AutoResponseType</key>\n\t\t<integer>1</integer>\n";
    out += "\t\t<key>ForwardRecipients</key>\n\t\t<array>\n\t\t\t<string>" + Recipients(rule.forwardRecipients) +
           "</string>\n\t\t</array>\n";
  }
  if (!rule.redirectRecipients.empty()) {
    out += "\t\t<key>AutoResponseType</key>\n\t\t<integer>3</integer>\n";
    out += "\t\t<key>RedirectRecipients</key>\n\t\t<array>\n\t\t\t<string>" + Recipients(rule.redirectRecipients) +
           "</string>\n\t\t</array>\n";
  }
  if (rule.reply) out += "\t\t<key>AutoResponseType</key>\n\t\t<integer>2</integer>\n";
  if (rule.deleteMessage) Pair(out, "\t\t", "Deletes", "YES");
  if (rule.moveToJunk) Pair(out, "\t\t", "Mailbox", "Junk");
  if (!rule.colour.empty()) {
    out += "\t\t<key>Color</key>\n\t\t<integer>" + rule.colour + "</integer>\n";
    if (IsSystem103OrLater(systemVersion)) Pair(out, "\t\t", "HighlightTextUsingColor", "YES");
  }
  if (rule.stopRules) Pair(out, "\t\t", "StopEvaluatingRules", "YES");
  if (rule.markRead) Pair(out, "\t\t", "MarkRead", "YES");
  out += "\t</dict>\n";
  return out;
}

}  // namespace filters
