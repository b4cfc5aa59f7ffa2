// The value rules of the layout files: colours, positions, sizes, numbers and booleans.
#pragma once

#include <cstdint>
#include <string>

struct LayoutRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const LayoutRect& other) const {
    return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
  }
};

struct LayoutSize {
  int cx = 0, cy = 0;
  bool operator==(const LayoutSize& other) const { return cx == other.cx && cy == other.cy; }
};

// Largest coordinate or size a layout may use; anything beyond is a typing error, and keeps
// the sums of positions and sizes far from overflowing.
constexpr int kLayoutCoordinateLimit = 100000;

// "#AARRGGBB", alpha first; exactly eight hexadecimal digits.
bool ParseLayoutColor(const std::string& text, uint32_t& argb);
// Text colours use only the RGB part: the layouts write alpha 00 for visible text.
inline uint32_t OpaqueTextColor(uint32_t argb) { return 0xFF000000u | (argb & 0x00FFFFFFu); }

// A decimal integer in [min, max], optionally signed; blanks around it are allowed.
bool ParseLayoutInt(const std::string& text, int min, int max, int& value);
// "l,t,r,b" (signed).
bool ParseLayoutRect(const std::string& text, LayoutRect& rect);
// "cx,cy" (not negative).
bool ParseLayoutSize(const std::string& text, LayoutSize& size);
// "true" or "false", in any letter case.
bool ParseLayoutBool(const std::string& text, bool& value);
