// Draws a window's soft drop shadow into 32-bit premultiplied pixels, from the outline of the
// window's region; the shadow window shows the result as a layered window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct ShadowParams {
  uint8_t darkness = 150;   // alpha of the full shadow colour
  uint8_t sharpness = 5;    // width of the soft edge, pixels
  int8_t size = 0;          // how far the shadow reaches past the window on every side
  int8_t xOffset = 5;       // shift of the shadow against the window
  int8_t yOffset = 5;
  uint32_t color = 0;       // COLORREF 0x00BBGGRR
};

// One row of the window's region: first x inside and one past the last x inside.
// A row with no point inside has first = the window's width and end = 0.
struct ShadowRowSpan {
  int first = 0;
  int end = 0;
};

struct ShadowBitmap {
  int width = 0;
  int height = 0;
  // Bottom-up like a DIB section: row y from the top is line height - 1 - y.
  std::vector<uint32_t> pixels;  // 0xAARRGGBB, premultiplied
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(height - 1 - y) * width + x]; }
};

// The premultiplied shadow colour at the given alpha.
uint32_t PremultipliedShadowColor(uint32_t colorRef, int alpha);

// False (and an empty bitmap) when the shadow would have no pixels. rows holds one span per
// row of the window (parentHeight entries).
bool RenderShadow(const ShadowParams& params, int parentWidth, int parentHeight,
                  const std::vector<ShadowRowSpan>& rows, ShadowBitmap& bitmap);
