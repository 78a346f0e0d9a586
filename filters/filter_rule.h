// One Eudora filter as Apple Mail sees it: the rule that the filter reader fills in and
// the rule dictionary writer writes. Texts are UTF-8, not yet escaped for XML.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace filters {

struct FilterCriterion {
  std::string header;      // Apple Mail header name ("From", "To or Cc", "Account", …)
  std::string qualifier;   // empty: contains
  std::string expression;  // the text tested for
  bool usable = true;      // cleared by a header or verb Apple Mail cannot express
};

struct FilterRule {
  std::string name;  // empty: the filter has no name and gives no rule
  FilterCriterion first;
  FilterCriterion second;
  bool anyCriterion = false;  // "or", "ignore": one criterion must match
  bool allCriteria = false;   // "and", "unless": both must match
  bool negateSecond = false;  // "unless": the second criterion's verb is reversed
  std::string transferMailbox;  // mailbox path below the import folder ("Work/Project"), empty: none
  std::string copyMailbox;
  std::string sound;               // sound name
  std::string forwardRecipients;   // as in the filter: separated by commas
  std::string redirectRecipients;
  bool reply = false;
  bool deleteMessage = false;
  bool moveToJunk = false;
  bool stopRules = false;
  bool markRead = false;
  std::string colour;  // Apple Mail colour number, empty: none
};

// How a filter file is read and its rules written.
using MailboxDisplayName = std::function<std::optional<std::string>(const std::vector<std::string>& fileNames)>;

struct FilterOptions {
  bool crlf = false;      // CR LF line ends: a Windows filter file
  bool japanese = false;  // the source flavour is Eudora (Japanese)
  uint32_t systemVersion = 0x1040;  // of the target system, as Gestalt 'sysv' gives it
  std::string importFolder = "Import";  // the folder below Library/Mail/Mailboxes holding the mailboxes
  // Gives the path of the Apple Mail account of that name (UTF-8), or nothing. Unset: no account is known.
  std::function<std::optional<std::string>(const std::string& accountName)> lookUpAccount;
  // The name Eudora showed for a mailbox or folder of a transfer path, given the path's file
  // names from the mail folder down to it; nothing when none is known. Unset: file names only.
  MailboxDisplayName mailboxDisplayName;
};

inline bool IsSystem103OrLater(uint32_t systemVersion) { return systemVersion >= 0x1030; }

}  // namespace filters
