#include "ui/shadow_render.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// COLORREF layout, 0x00BBGGRR.
constexpr uint32_t RgbLike(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

std::vector<ShadowRowSpan> Rectangle(int width, int height) {
  return std::vector<ShadowRowSpan>(height, ShadowRowSpan{0, width});
}

ShadowParams Params(int size, int sharpness, int xOffset, int yOffset, int darkness, uint32_t color = 0) {
  ShadowParams params;
  params.size = static_cast<int8_t>(size);
  params.sharpness = static_cast<uint8_t>(sharpness);
  params.xOffset = static_cast<int8_t>(xOffset);
  params.yOffset = static_cast<int8_t>(yOffset);
  params.darkness = static_cast<uint8_t>(darkness);
  params.color = color;
  return params;
}

int KernelAlpha(const ShadowParams& params, double distance) {
  const int outer = std::max<int>(params.sharpness, params.size);
  const int inner = params.size > params.sharpness ? params.size - params.sharpness : 0;
  if (distance < inner) return params.darkness;
  if (distance <= outer) return static_cast<int>((1.0 - (distance - inner) / (params.sharpness + 1)) * params.darkness);
  return 0;
}

// The shadow of a rectangular window worked out from its geometry: the kernel is stamped
// along the outline of the shrunk rectangle [R, W - R) x [R, H - R), then the solid colour
// fills the outline's inside except where the window lies.
uint32_t Expected(const ShadowParams& p, int w, int h, int x, int y) {
  const int size = p.size, outer = std::max<int>(p.sharpness, p.size);
  const int width = w + 2 * size, height = h + 2 * size;
  const int left = outer, right = width - outer, top = outer, bottom = height - outer;
  const uint32_t full = PremultipliedShadowColor(p.color, p.darkness);

  const int firstRow = std::min(outer, std::max(size - p.yOffset, 0));
  const int endRow = std::max(height - outer, std::min(h + size - p.yOffset, h + 2 * size));
  if (y >= firstRow && y < endRow) {
    const bool outline = y >= top && y < bottom;
    const int row = y - size + p.yOffset;
    if (row < 0 || row >= h) {
      if (outline && x >= left && x < right) return full;
    } else {
      const int windowLeft = size - p.xOffset, windowRight = w + size - p.xOffset;
      if (x >= windowLeft && x < windowRight) return 0;
      if (outline && x >= left && x < right) return full;
    }
  }
  uint32_t best = 0;
  for (int cy = top; cy < bottom; ++cy) {
    for (int cx = left; cx < right; ++cx) {
      const bool onOutline = cy == top || cy == bottom - 1 || cx == left || cx == right - 1;
      if (!onOutline || std::abs(cx - x) > outer || std::abs(cy - y) > outer) continue;
      const double d = std::sqrt(static_cast<double>((cx - x) * (cx - x) + (cy - y) * (cy - y)));
      best = std::max(best, PremultipliedShadowColor(p.color, KernelAlpha(p, d)));
    }
  }
  return best;
}

void ExpectMatchesGeometry(const ShadowParams& params, int w, int h) {
  ShadowBitmap bitmap;
  ASSERT_TRUE(RenderShadow(params, w, h, Rectangle(w, h), bitmap));
  ASSERT_EQ(bitmap.width, w + 2 * params.size);
  ASSERT_EQ(bitmap.height, h + 2 * params.size);
  int mismatches = 0;
  for (int y = 0; y < bitmap.height; ++y) {
    for (int x = 0; x < bitmap.width; ++x) {
      const uint32_t expected = Expected(params, w, h, x, y);
      if (bitmap.At(x, y) != expected && ++mismatches <= 5) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << std::hex << bitmap.At(x, y) << " expected " << expected;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace

TEST(ShadowRender, PremultipliesTheColour) {
  EXPECT_EQ(PremultipliedShadowColor(RgbLike(255, 128, 0), 100), 0x64643200u);
  EXPECT_EQ(PremultipliedShadowColor(0, 50), 0x32000000u);
}

TEST(ShadowRender, InstallerShadowMatchesItsGeometryPixelByPixel) {
  ExpectMatchesGeometry(Params(5, 5, 0, 0, 50), 60, 40);
}

TEST(ShadowRender, DefaultShadowMatchesItsGeometryPixelByPixel) {
  ExpectMatchesGeometry(Params(0, 5, 5, 5, 150), 60, 40);
}

TEST(ShadowRender, WideShadowWithSolidBandMatchesItsGeometryPixelByPixel) {
  ExpectMatchesGeometry(Params(10, 2, 5, 5, 200, RgbLike(10, 20, 30)), 50, 30);
  ExpectMatchesGeometry(Params(8, 3, -4, 6, 90), 40, 50);
}

TEST(ShadowRender, NothingUnderTheWindow) {
  for (const ShadowParams& params : {Params(5, 5, 0, 0, 50), Params(0, 5, 5, 5, 150), Params(10, 2, 5, 5, 200)}) {
    const int w = 60, h = 40;
    ShadowBitmap bitmap;
    ASSERT_TRUE(RenderShadow(params, w, h, Rectangle(w, h), bitmap));
    // The shadow window lies at the window's corner + offset - size.
    for (int py = 0; py < h; ++py) {
      for (int px = 0; px < w; ++px) {
        const int x = px - params.xOffset + params.size, y = py - params.yOffset + params.size;
        if (x < 0 || y < 0 || x >= bitmap.width || y >= bitmap.height) continue;
        ASSERT_EQ(bitmap.At(x, y), 0u) << "window pixel (" << px << ", " << py << ")";
      }
    }
  }
}

TEST(ShadowRender, SolidColourFillsTheBandBetweenWindowAndSoftEdge) {
  const ShadowParams params = Params(10, 2, 5, 5, 200);
  const int w = 50, h = 30;
  ShadowBitmap bitmap;
  ASSERT_TRUE(RenderShadow(params, w, h, Rectangle(w, h), bitmap));
  const uint32_t full = PremultipliedShadowColor(0, 200);
  // Right of the window (which ends at x = w + 5) and below it (ends at y = h + 5).
  for (int x = w + 5; x < w + 10; ++x) EXPECT_EQ(bitmap.At(x, h / 2), full) << x;
  for (int y = h + 5; y < h + 10; ++y) EXPECT_EQ(bitmap.At(w / 2, y), full) << y;
  // Bottom-up storage: the band below the window is near the start of the pixel memory.
  EXPECT_EQ(bitmap.pixels[static_cast<size_t>(bitmap.height - 1 - (h + 7)) * bitmap.width + w / 2], full);
}

TEST(ShadowRender, SoftEdgeFadesWithDistance) {
  // The installer's shadow: size 5, sharpness 5, darkness 50, no offset.
  const ShadowParams params = Params(5, 5, 0, 0, 50);
  ShadowBitmap bitmap;
  ASSERT_TRUE(RenderShadow(params, 60, 40, Rectangle(60, 40), bitmap));
  const int y = bitmap.height / 2;
  // The window starts at x = 5; alpha = (1 - d / 6) * 50 at distance d from it.
  const int alphas[] = {41, 33, 25, 16, 8};
  for (int d = 1; d <= 5; ++d) {
    EXPECT_EQ(bitmap.At(5 - d, y), PremultipliedShadowColor(0, alphas[d - 1])) << "distance " << d;
  }
  // Corners are round: (2, 2) is 4.24 from the outline's corner, (1, 1) beyond reach.
  EXPECT_EQ(bitmap.At(2, 2), PremultipliedShadowColor(0, 14));
  EXPECT_EQ(bitmap.At(1, 1), 0u);
  EXPECT_EQ(bitmap.At(0, 0), 0u);
}

TEST(ShadowRender, SizeZeroWithoutOffsetShowsNothingOutsideTheWindow) {
  const ShadowParams params = Params(0, 5, 0, 0, 150);
  ShadowBitmap bitmap;
  ASSERT_TRUE(RenderShadow(params, 60, 40, Rectangle(60, 40), bitmap));
  EXPECT_EQ(bitmap.width, 60);
  EXPECT_EQ(bitmap.height, 40);
  EXPECT_TRUE(std::all_of(bitmap.pixels.begin(), bitmap.pixels.end(), [](uint32_t pixel) { return pixel == 0; }));
}

TEST(ShadowRender, WindowRegionShapesTheShadow) {
  // A window whose top 10 rows are empty: the shadow starts lower.
  const int w = 40, h = 40;
  std::vector<ShadowRowSpan> rows = Rectangle(w, h);
  for (int y = 0; y < 10; ++y) rows[y] = {w, 0};
  ShadowBitmap bitmap;
  ASSERT_TRUE(RenderShadow(Params(5, 5, 0, 0, 50), w, h, rows, bitmap));
  EXPECT_EQ(bitmap.At(2, 7), 0u) << "beside the empty rows";
  EXPECT_NE(bitmap.At(2, 25), 0u) << "beside the window's rows";
}

TEST(ShadowRender, EmptyWindowGivesNoBitmap) {
  ShadowBitmap bitmap;
  EXPECT_FALSE(RenderShadow(Params(5, 5, 0, 0, 50), 0, 10, {}, bitmap));
  EXPECT_FALSE(RenderShadow(Params(-10, 5, 0, 0, 50), 10, 10, Rectangle(10, 10), bitmap));
  EXPECT_TRUE(bitmap.pixels.empty());
}
