// INI files as Windows programs and Mozilla write them: "[Section]" lines, then "Key=Value"
// lines. Lines end at CR, LF or CR LF; blanks around section names, keys and values do not
// count; lines starting with ";" or "#" are comments.
#pragma once

#include <functional>
#include <string_view>

namespace text {

// Calls visit for every section line, with the section's name and an empty key and value (a
// "[" line without "]" starts a section without a name), and for every "Key=Value" line with
// its section, key and value (lines without "=" or with an empty key are passed over). The
// views point into bytes. visit returns false to stop the reading.
void ForEachIniLine(std::string_view bytes,
                    const std::function<bool(std::string_view section, std::string_view key, std::string_view value)>& visit);

}  // namespace text
