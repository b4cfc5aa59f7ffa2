// Skin pictures to pixels without Windows' imaging components: their first use costs more
// under Wine than the rest of a window's first paint. A PNG's bytes become premultiplied
// BGRA pixels, top row first, one 32-bit value each (the layout GDI+ names 32bppPARGB).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct PngPixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> bgra;  // width * height values: alpha in the top byte, colours scaled by it
};

// False for bytes that are no PNG, a PNG that cannot be decoded, or a side longer than maxSide
// (checked before anything is allocated).
bool DecodePng(const uint8_t* data, size_t size, int maxSide, PngPixels& pixels);
