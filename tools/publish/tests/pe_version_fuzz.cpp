// Feeds arbitrary bytes to the PE version reader.
#include <cstddef>
#include <cstdint>

#include "pe_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PeVersion version;
  ReadPeVersion(data, size, version);
  return 0;
}
