#include "discovery/eudora_ini.h"

#include "platform/encodings.h"
#include "text/ascii.h"
#include "text/ini.h"
#include "text/recode.h"

namespace discovery {

std::string EudoraIniValue(std::string_view bytes, std::string_view section, std::string_view key) {
  std::string value;
  text::ForEachIniLine(bytes, [&](std::string_view inSection, std::string_view name, std::string_view found) {
    if (name.empty() || !text::EqualsNoCase(inSection, section) || !text::EqualsNoCase(name, key)) return true;
    value = platform::IsValidUTF8(found) ? std::string(found) : text::MakeUTF8(std::string(found), platform::kWindowsLatin1);
    return false;
  });
  return value;
}

}  // namespace discovery
