// "Eudora.ini": Windows Eudora's settings, an INI file ("[Section]" lines, then "Key=Value"
// lines; keys compared without regard to case, as Windows' profile functions do).
#pragma once

#include <string>
#include <string_view>

namespace discovery {

// The value of key in section (both without regard to case), blanks around it removed; ""
// when the file has none. The first occurrence counts. Values that are not valid UTF-8 are
// read as Windows Latin 1.
std::string EudoraIniValue(std::string_view bytes, std::string_view section, std::string_view key);

// Where Windows Eudora saves received attachments: "AttachDir" of "[Settings]" ("" when unset).
inline std::string EudoraIniAttachDir(std::string_view bytes) { return EudoraIniValue(bytes, "Settings", "AttachDir"); }

}  // namespace discovery
