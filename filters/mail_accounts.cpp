#include "filters/mail_accounts.h"

#include "filters/xml_property_list.h"

namespace filters {

namespace {

// Accounts are dictionaries (in the arrays MailAccounts, DeliveryAccounts, …); the first in
// document order with that name and a path wins. Outgoing servers share the names of the
// accounts but have no path.
const PlistElement* FindAccount(const PlistElement& e, std::string_view name) {
  if (e.type == PlistElement::Type::kDict) {
    const PlistElement* accountName = e.Find("AccountName");
    const PlistElement* accountPath = e.Find("AccountPath");
    if (accountName && accountPath && accountName->type == PlistElement::Type::kString &&
        accountPath->type == PlistElement::Type::kString && accountName->text == name)
      return accountPath;
  }
  for (const PlistElement& child : e.values)
    if (const PlistElement* found = FindAccount(child, name)) return found;
  return nullptr;
}

}  // namespace

std::optional<std::string> FindMailAccountPath(std::string_view preferences, std::string_view name) {
  PlistElement root;
  if (!ParseXMLPropertyList(preferences, root)) return std::nullopt;
  if (const PlistElement* path = FindAccount(root, name)) return path->text;
  return std::nullopt;
}

}  // namespace filters
