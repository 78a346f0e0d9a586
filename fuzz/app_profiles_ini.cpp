// Reads arbitrary bytes as profiles.ini: the default profile found never names a folder that
// could lead out of its base ("..", empty names, NUL bytes).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/thunderbird_profiles_ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view ini(reinterpret_cast<const char*>(data), size);
  const DefaultProfileLocation location = FindDefaultProfile(ini);
  if (location.base == DefaultProfileLocation::Base::kNone) {
    if (!location.folders.empty()) __builtin_trap();
    return 0;
  }
  if (location.folders.empty()) __builtin_trap();
  for (const std::string& name : location.folders) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos)
      __builtin_trap();
  }
  const std::string path = AbsoluteProfilePath(location);
  if (!PathLiesWithin(path, "/")) __builtin_trap();
  return 0;
}
