// Nicknames into the Address Book: every single nickname becomes a person in a group named
// after its nickname file, every mailing list a group nested in that group, whose members
// are found among the people and groups already there (or become new people).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "nicknames/nickname_entry.h"
#include "platform/contacts_store.h"
#include "platform/encodings.h"

namespace nicknames {

// The file group's name for a nickname file of that (UTF-8) name.
std::string ABFileGroupName(std::string_view nicknameFileName);

// The text the Address Book receives for bytes in the source encoding: none when the bytes
// are not valid in it.
std::optional<std::string> ABText(std::string_view bytes, platform::TextEncoding encoding);

// One single nickname as a person in the file group.
void AddABPerson(platform::ContactsStore& book, const NicknameEntry& entry, platform::TextEncoding encoding,
                 std::string_view fileGroupName);

// One mailing list as a group in the file group. memberTaken is called after every member
// but the last, for the event loop.
void AddABMailingList(platform::ContactsStore& book, const NicknameEntry& entry, platform::TextEncoding encoding,
                      std::string_view fileGroupName, const std::function<void()>& memberTaken = {});

// Adds the person whose e-mail address (the group then uses that address) or nickname is
// member to group, or a new person with that address and name.
void AddMailingListMemberToGroup(platform::ContactsStore& book, platform::RecordId group, std::string_view member,
                                 std::string_view first, std::string_view last);

}  // namespace nicknames
