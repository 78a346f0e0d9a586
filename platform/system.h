// System services: the version of the target system (what Gestalt 'sysv' reports on a
// Mac), the tick counter and the calendar.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace platform {

// The target system's version in Gestalt form (10.4 is 0x1040). Set once from the command
// line; 10.4 when never set.
uint32_t SystemVersion();
void SetSystemVersion(uint32_t version);
// Parses "X.Y" or "X.Y.Z" (each part below 16 after the first) into Gestalt form;
// false when the text is not a version.
bool ParseSystemVersion(std::string_view text, uint32_t& out);

// Ticks (1/60 s) of a monotonic clock.
uint32_t TickCount();

// The current time as ctime() writes it: 24 characters and a line feed.
std::string CurrentTimeText();

// A random UUID (version 4) in lower-case hexadecimal groups of 8-4-4-4-12, as Thunderbird
// names its cards and lists.
std::string RandomUUID();

}  // namespace platform
