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

// a * c / 255, rounded: what the colour contributes at that coverage.
uint32_t Scale(uint32_t colour, uint32_t alpha) { return (colour * alpha + 127) / 255; }

}  // namespace

void PixelBuffer::Free::operator()(uint32_t* pixels) const { stbi_image_free(pixels); }

bool DecodePng(const uint8_t* data, size_t size, int maxSide, PngPixels& pixels) {
  pixels = PngPixels();
  if (!data || size == 0 || size > static_cast<size_t>(INT_MAX)) return false;
  const int length = static_cast<int>(size);
  int width = 0, height = 0, channels = 0;
  if (!stbi_info_from_memory(data, length, &width, &height, &channels)) return false;
  if (width <= 0 || height <= 0 || width > maxSide || height > maxSide) return false;

  // stb_image's buffer comes from malloc, so it is aligned for 32-bit values; each RGBA pixel
  // is read whole before its BGRA value overwrites it.
  stbi_uc* rgba = stbi_load_from_memory(data, length, &width, &height, &channels, 4);
  if (!rgba) return false;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  PixelBuffer buffer(reinterpret_cast<uint32_t*>(rgba), count);
  if (width <= 0 || height <= 0 || width > maxSide || height > maxSide) return false;

  uint32_t* target = buffer.data();
  const stbi_uc* source = rgba;
  for (size_t i = 0; i < count; ++i, source += 4) {
    const uint32_t alpha = source[3];
    target[i] = (alpha << 24) | (Scale(source[0], alpha) << 16) | (Scale(source[1], alpha) << 8) |
                Scale(source[2], alpha);
  }
  pixels.bgra = std::move(buffer);
  pixels.width = width;
  pixels.height = height;
  return true;
}
