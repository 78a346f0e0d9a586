// descmap.pce and Eudora.ini readers on any bytes: every entry must come out with both names
// and a one-character type, and each display name must make a usable file name or none.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "discovery/descmap.h"
#include "discovery/eudora_ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const discovery::DescmapEntry& entry : discovery::ParseDescmap(bytes)) {
    if (entry.displayName.empty() || entry.fileName.empty()) std::abort();
    if (auto name = discovery::DisplayNameAsFileName(entry.displayName)) {
      if (name->empty() || *name == "." || *name == ".." || name->find('/') != std::string::npos) std::abort();
    }
  }
  discovery::EudoraIniAttachDir(bytes);
  return 0;
}
