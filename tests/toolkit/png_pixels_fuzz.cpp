// Fuzzes the skin's PNG decoder with arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "toolkit/png_pixels.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PngPixels pixels;
  if (DecodePng(data, size, 1024, pixels) && pixels.bgra.size() != static_cast<size_t>(pixels.width) * pixels.height) {
    __builtin_trap();
  }
  return 0;
}
