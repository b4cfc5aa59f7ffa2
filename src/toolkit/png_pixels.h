// Skin pictures to pixels without Windows' imaging components: their first use costs more
// under Wine than the rest of a window's first paint. A PNG's bytes become premultiplied
// BGRA pixels, top row first, one 32-bit value each (the layout GDI+ names 32bppPARGB).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// The decoder's own output, converted where it lies: a picture is held in memory once, which
// under Wine saves a page fault per 4 KiB written.
class PixelBuffer {
 public:
  PixelBuffer() = default;
  PixelBuffer(uint32_t* pixels, size_t count) : m_pixels(pixels), m_count(count) {}

  size_t size() const { return m_count; }
  bool empty() const { return m_count == 0; }
  uint32_t* data() { return m_pixels.get(); }
  const uint32_t* data() const { return m_pixels.get(); }
  uint32_t operator[](size_t i) const { return m_pixels.get()[i]; }
  const uint32_t* begin() const { return m_pixels.get(); }
  const uint32_t* end() const { return m_pixels.get() + m_count; }

 private:
  struct Free {
    void operator()(uint32_t* pixels) const;
  };
  std::unique_ptr<uint32_t, Free> m_pixels;
  size_t m_count = 0;
};

struct PngPixels {
  int width = 0;
  int height = 0;
  PixelBuffer bgra;  // width * height values: alpha in the top byte, colours scaled by it
};

// False for bytes that are no PNG, a PNG that cannot be decoded, or a side longer than maxSide
// (checked before anything is allocated).
bool DecodePng(const uint8_t* data, size_t size, int maxSide, PngPixels& pixels);
