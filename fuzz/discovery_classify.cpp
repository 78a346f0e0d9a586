// Classification of a file's first lines and of a table of contents' size, on any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "discovery/classify.h"
#include "platform/byte_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  platform::MemoryStream in(bytes);
  ClassifyFirstLines(in);
  ClassifyTableOfContents(size, bytes.substr(0, kTocCountBytes));
  return 0;
}
