// Parses arbitrary bytes as a resource fork and reads every resource it lists, whole and
// in part, so that the address sanitizer sees each read.
#include <cstddef>
#include <cstdint>
#include <string_view>

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
  std::string_view fork(reinterpret_cast<const char*>(data), size);
  platform::ResourceFile file;
  if (!file.Parse(fork)) return 0;
  for (const platform::ResourceEntry& e : file.Entries()) {
    if (auto whole = file.Get(e.type, e.id)) {
      // (Get finds the first of resources that share a type and id.)
      if (file.Find(e.type, e.id) == &e && whole->size() != e.length) __builtin_trap();
      Touch(*whole);
    }
    // A partial read from the middle, and one that runs past the end.
    if (auto part = file.GetPartial(e.type, e.id, e.length / 2, 202)) Touch(*part);
    if (auto part = file.GetPartial(e.type, e.id, 48, 2)) Touch(*part);
  }
  return 0;
}
