// The lines of a Eudora nickname file and the text operations the two writers share.
//
// A nickname has an alias line, "alias NICK ADDRESSES", and optionally a note line,
// "note NICK BODY"; NICK is bare (up to the next blank) or in double quotes. ADDRESSES is one
// address, possibly with a full name ("Name <addr>", "addr (Name)", "\"Name\" <addr>"), or
// the comma-separated members of a mailing list. BODY is free text with fields
// "<label:value>"; a value may hold balanced angle brackets of its own, the byte 0x03 for a
// line break, and (Japanese Eudora) encoded words "=?ISO-2022-JP?B?...?=".
//
// Everything works on bytes in the file's source encoding. Searches that fail are
// std::string::npos, which every position compares below only where the format says so.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "nicknames/nickname_entry.h"

namespace nicknames {

// The nickname of an alias or note line (at least 7 bytes, beginning "alias " or "note "),
// else empty. quoted is set or cleared for those lines only.
std::string GetNickName(std::string_view line, bool& quoted);

// True when line is a line of kind ("alias" or "note") for exactly nickname.
bool FindNickNameLine(std::string_view line, std::string_view kind, std::string_view nickname);

// Reads the next field, or run of free text (label "note"), of a note line after position,
// the index of the last byte already consumed; moves position past it. False at the end of
// the line or at a field whose ':' or '>' is missing.
bool GetSingleNickNameEntry(std::string_view line, size_t& position, std::string& label, std::string& value);

// Reads every field of a note line into entry. doNotSync is called each time a "change"
// field sets entry.doNotSync.
void ReadNoteLine(std::string_view line, NicknameEntry& entry, const std::function<void()>& doNotSync = {});

// Fills isList, addresses, displayName and hasAddress from an alias line; entry.nickname
// and entry.quoted must be those of the line.
void ReadAliasLine(std::string_view line, NicknameEntry& entry);

// The Address Book takes a name beside a member in quotes or parentheses even when no comma
// stands inside them; Thunderbird only when one does.
enum class ListVariant { kAddressBook, kThunderbird };

// Splits the next member off remaining (a list's member text, consumed from the front) and
// returns it trimmed, with the full name found beside it in first and last. The last member
// (no comma left) empties remaining; "", "," and ";" then give no member (an empty result).
std::string GetNextListMember(std::string& remaining, ListVariant variant, std::string& first, std::string& last);

// Splits a full name: "Last, First", "First Rest", a single word as first name (last is then
// left as it was); quotes and parentheses around the name are dropped.
void ParseName(std::string name, std::string& first, std::string& last);

// The text without its leading and trailing blanks and, when it holds one, the address
// between '<' and '>'.
std::string StdTrim(std::string_view text);

// Every occurrence of the one-byte needle replaced; replacements are not searched again.
std::string ReplaceSubstring(std::string_view text, std::string_view needle, std::string_view replacement);

// A copy with the ASCII capitals lowered; every other byte stays.
std::string tolower(std::string_view text);

}  // namespace nicknames
