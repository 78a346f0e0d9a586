// Parses arbitrary bytes as AppleSingle/AppleDouble, reads every entry it returns, and
// parses the resource fork it holds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/apple_double.h"
#include "platform/resource_file.h"

namespace {

volatile unsigned char sink;

void Touch(std::string_view bytes) {
  unsigned char x = 0;
  for (char c : bytes) x ^= static_cast<unsigned char>(c);
  sink = x;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  platform::AppleDoubleContents contents;
  if (!platform::ParseAppleDouble(bytes, contents)) return 0;
  Touch(contents.data_fork);
  Touch(contents.finder_info);
  Touch(contents.resource_fork);
  if (contents.finder_info.size() > 32) __builtin_trap();
  platform::ResourceFile file;
  if (file.Parse(contents.resource_fork)) {
    for (const platform::ResourceEntry& e : file.Entries()) {
      if (auto whole = file.Get(e.type, e.id)) Touch(*whole);
    }
  }
  return 0;
}
