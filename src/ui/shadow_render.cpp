#include "ui/shadow_render.h"

#include <algorithm>
#include <cmath>

uint32_t PremultipliedShadowColor(uint32_t colorRef, int alpha) {
  const uint32_t red = colorRef & 0xFF, green = (colorRef >> 8) & 0xFF, blue = (colorRef >> 16) & 0xFF;
  const uint32_t a = static_cast<uint32_t>(alpha);
  return (a << 24) | ((red * a / 255) << 16) | ((green * a / 255) << 8) | (blue * a / 255);
}

bool RenderShadow(const ShadowParams& params, int parentWidth, int parentHeight,
                  const std::vector<ShadowRowSpan>& rows, ShadowBitmap& bitmap) {
  bitmap = ShadowBitmap();
  const int size = params.size, sharpness = params.sharpness;
  const int w = parentWidth, h = parentHeight;
  const int width = w + 2 * size, height = h + 2 * size;
  if (w <= 0 || h <= 0 || width <= 0 || height <= 0 || static_cast<int>(rows.size()) != h) return false;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.pixels.assign(static_cast<size_t>(width) * height, 0);

  // Anchors of the shadow's rows; a row outside the window's rows is empty (left w, right 0).
  std::vector<int> left(height, w), right(height, 0);
  for (int p = 0; p < h; ++p) {
    const int y = p + size;
    if (y < 0 || y >= height) continue;
    if (rows[p].first < rows[p].end) {
      left[y] = rows[p].first + size;
      right[y] = rows[p].end + size;
    }
  }
  auto leftAt = [&](const std::vector<int>& l, int y) { return (y < 0 || y >= height) ? w : l[y]; };
  auto rightAt = [&](const std::vector<int>& r, int y) { return (y < 0 || y >= height) ? 0 : r[y]; };

  // Shrink the outline by the part of the soft edge that the size does not cover.
  for (int pass = 0; pass < sharpness - size; ++pass) {
    std::vector<int> newLeft(height), newRight(height);
    for (int y = 0; y < height; ++y) {
      newLeft[y] = std::max({leftAt(left, y - 1), left[y], leftAt(left, y + 1)}) + 1;
      newRight[y] = std::min({rightAt(right, y - 1), right[y], rightAt(right, y + 1)}) - 1;
    }
    left.swap(newLeft);
    right.swap(newRight);
  }

  // The soft kernel: full darkness inside r, fading to the outer radius R.
  const int outer = std::max(sharpness, size);
  const int inner = size > sharpness ? size - sharpness : 0;
  const int span = 2 * outer + 1;
  std::vector<uint32_t> kernel(static_cast<size_t>(span) * span, 0);
  for (int j = -outer; j <= outer; ++j) {
    for (int i = -outer; i <= outer; ++i) {
      const double d = std::sqrt(static_cast<double>(i * i + j * j));
      int alpha = 0;
      if (d < inner) {
        alpha = params.darkness;
      } else if (d <= outer) {
        alpha = static_cast<int>((1.0 - (d - inner) / (sharpness + 1)) * params.darkness);
      }
      kernel[static_cast<size_t>(j + outer) * span + (i + outer)] = PremultipliedShadowColor(params.color, alpha);
    }
  }

  auto pixel = [&](int x, int y) -> uint32_t& {
    return bitmap.pixels[static_cast<size_t>(height - 1 - y) * width + x];
  };
  auto stamp = [&](int cx, int cy) {
    for (int j = -outer; j <= outer; ++j) {
      const int y = cy + j;
      if (y < 0 || y >= height) continue;
      for (int i = -outer; i <= outer; ++i) {
        const int x = cx + i;
        if (x < 0 || x >= width) continue;
        uint32_t& target = pixel(x, y);
        target = std::max(target, kernel[static_cast<size_t>(j + outer) * span + (i + outer)]);
      }
    }
  };

  // Stamp the kernel along the outline only: where the neighbour rows reach as far, the row's
  // inner part is covered by the solid fill below.
  for (int y = outer; y < height - outer; ++y) {
    if (left[y] >= right[y]) continue;
    const int leftEnd = std::min(std::max(leftAt(left, y - 1), leftAt(left, y + 1)) + 1, right[y]);
    int x = left[y];
    for (; x < leftEnd; ++x) stamp(x, y);
    x = std::max(x, std::min(rightAt(right, y - 1), rightAt(right, y + 1)) - 1);
    for (; x < right[y]; ++x) stamp(x, y);
  }

  // Solid shadow colour inside the outline, and nothing where the window itself lies.
  const uint32_t full = PremultipliedShadowColor(params.color, params.darkness);
  auto fill = [&](int y, int from, int to, uint32_t value) {
    from = std::max(from, 0);
    to = std::min(to, width);
    for (int x = from; x < to; ++x) pixel(x, y) = value;
  };
  const int firstRow = std::max(std::min(outer, std::max(size - params.yOffset, 0)), 0);
  const int endRow = std::min(std::max(height - outer, std::min(h + size - params.yOffset, h + 2 * size)), height);
  for (int y = firstRow; y < endRow; ++y) {
    const int p = y - size + params.yOffset;
    if (p < 0 || p >= h) {
      fill(y, left[y], right[y], full);
      continue;
    }
    const int shift = size - params.xOffset;
    const int windowFirst = rows[p].first + shift, windowEnd = rows[p].end + shift;
    fill(y, left[y], std::min(windowFirst, right[y]), full);
    fill(y, std::max(windowFirst, 0), std::min(windowEnd, width), 0);
    fill(y, std::max(windowEnd, left[y]), right[y], full);
  }
  return true;
}
