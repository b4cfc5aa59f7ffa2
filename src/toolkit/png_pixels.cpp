#include "toolkit/png_pixels.h"

#include <climits>
#include <memory>

// stb_image decodes from memory, PNG only: no file access, no other formats.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_FAILURE_STRINGS
#include <stb/stb_image.h>

namespace {

struct StbFree {
  void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

// a * c / 255, rounded: what the colour contributes at that coverage.
uint32_t Scale(uint32_t colour, uint32_t alpha) { return (colour * alpha + 127) / 255; }

}  // namespace

bool DecodePng(const uint8_t* data, size_t size, int maxSide, PngPixels& pixels) {
  pixels = PngPixels();
  if (!data || size == 0 || size > static_cast<size_t>(INT_MAX)) return false;
  const int length = static_cast<int>(size);
  int width = 0, height = 0, channels = 0;
  if (!stbi_info_from_memory(data, length, &width, &height, &channels)) return false;
  if (width <= 0 || height <= 0 || width > maxSide || height > maxSide) return false;

  std::unique_ptr<stbi_uc, StbFree> rgba(stbi_load_from_memory(data, length, &width, &height, &channels, 4));
  if (!rgba || width <= 0 || height <= 0 || width > maxSide || height > maxSide) return false;

  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  pixels.bgra.resize(count);
  const stbi_uc* source = rgba.get();
  for (size_t i = 0; i < count; ++i, source += 4) {
    const uint32_t alpha = source[3];
    pixels.bgra[i] = (alpha << 24) | (Scale(source[0], alpha) << 16) | (Scale(source[1], alpha) << 8) |
                     Scale(source[2], alpha);
  }
  pixels.width = width;
  pixels.height = height;
  return true;
}
