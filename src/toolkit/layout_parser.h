// Reads a window layout (UTF-8 XML) into a plain description of the window and its controls;
// the paint manager builds the live controls from it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/layout_values.h"

struct LayoutFont {
  std::wstring name;
  int size = 12;  // pixels
  bool bold = false;
  bool italic = false;
};

enum class LayoutControlType { kVerticalLayout, kLabel, kButton, kOption };

struct LayoutControl {
  LayoutControlType type = LayoutControlType::kLabel;
  std::wstring name;
  std::wstring text;
  std::wstring tooltip;
  bool isFloat = false;
  LayoutRect pos;  // relative to the parent's top-left corner
  int width = 0;   // 0: not given
  int height = 0;
  std::optional<uint32_t> bkColor;  // 0xAARRGGBB, alpha used
  std::optional<uint32_t> textColor;  // 0xAARRGGBB as written; drawn opaque
  std::optional<uint32_t> disabledTextColor;
  int font = -1;  // index into the font table; -1: the toolkit's default font
  bool alignCenter = false;
  bool alignGiven = false;  // buttons centre their text unless the layout says otherwise
  bool showHtml = false;
  bool visible = true;
  // Image names inside the skin archive, as written (UTF-8).
  std::string bkImage, normalImage, hotImage, pushedImage, disabledImage, selectedImage;
  std::vector<LayoutControl> children;
};

struct LayoutDocument {
  LayoutSize size;         // initial client size
  LayoutRect caption;      // caption band: x in [left + l, right - r), y in [t, b)
  LayoutSize roundCorner;  // ellipse of the window's rounded corners; (0, 0): square
  std::vector<LayoutFont> fonts;
  LayoutControl root;
};

// Limits that keep a damaged or hostile layout from exhausting the stack or memory.
constexpr size_t kLayoutMaxBytes = 1 << 20;
constexpr int kLayoutMaxDepth = 32;
constexpr size_t kLayoutMaxControls = 2000;

// False with a one-line English reason for the log when the text is not a layout.
bool ParseLayout(const std::string& utf8Xml, LayoutDocument& document, std::string& error);
