// Lines added to a Thunderbird profile's prefs.js. What the profile already holds is kept
// byte for byte: the lines go after it, and the file is replaced whole through a temporary
// file, so that an interrupted run leaves either the old prefs.js or the new one, never a
// half-written line that Thunderbird would stop reading at.
#pragma once

#include <string>
#include <string_view>

#include "platform/files.h"

namespace app {

// Reads profile/prefs.js into text; a missing prefs.js reads as empty. Returns 0 or an errno
// value (EISDIR when prefs.js is no regular file, EFBIG when it is far bigger than any that
// Thunderbird writes).
int ReadThunderbirdPrefs(const platform::FileSpec& profile, std::string& text);

// Appends lines (each ending in "\n") to profile/prefs.js. A profile without prefs.js gets
// one holding just these lines. A prefs.js that does not end in a line break gets one before
// them. Returns 0 or an errno value (EISDIR when prefs.js is no regular file).
int AppendThunderbirdPrefs(const platform::FileSpec& profile, std::string_view lines);

}  // namespace app
