// Apple Mail's accounts, as its preferences (com.apple.mail.plist) list them: a filter's
// «Personality» criterion becomes a test of the account that received the message.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace filters {

// The AccountPath of the first account whose AccountName is name (UTF-8), or nothing when
// the preferences are not an XML property list or name no such account.
std::optional<std::string> FindMailAccountPath(std::string_view preferences, std::string_view name);

}  // namespace filters
