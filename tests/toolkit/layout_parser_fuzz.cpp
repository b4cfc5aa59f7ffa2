// Feeds arbitrary bytes to the layout reader: it must refuse or accept, never crash or hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "toolkit/layout_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LayoutDocument document;
  std::string error;
  ParseLayout(std::string(reinterpret_cast<const char*>(data), size), document, error);
  return 0;
}
