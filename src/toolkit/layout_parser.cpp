#include "toolkit/layout_parser.h"

#include <algorithm>
#include <exception>
#include <set>

#include <boost/property_tree/ptree.hpp>

#include "base/utf8_text.h"
#include "toolkit/xml_tree.h"

namespace pt = boost::property_tree;

namespace {

const char kAttributes[] = "<xmlattr>";

// Element nesting of the text, counted without parsing it, so that the XML reader (which
// descends recursively) never sees a nesting that could exhaust the stack. Comments, CDATA,
// declarations and quoted attribute values are skipped; for malformed text the count is an
// overestimate, never an underestimate of what the reader would descend.
int MaxElementDepth(const std::string& text) {
  int depth = 0, maxDepth = 0;
  size_t i = 0;
  const size_t n = text.size();
  auto skipPast = [&](const char* end, size_t from) {
    const size_t found = text.find(end, from);
    return found == std::string::npos ? n : found + std::char_traits<char>::length(end);
  };
  while (i < n) {
    if (text[i] != '<') {
      ++i;
      continue;
    }
    if (text.compare(i, 4, "<!--") == 0) {
      i = skipPast("-->", i + 4);
    } else if (text.compare(i, 9, "<![CDATA[") == 0) {
      i = skipPast("]]>", i + 9);
    } else if (i + 1 < n && (text[i + 1] == '?' || text[i + 1] == '!')) {
      i = skipPast(">", i + 2);
    } else if (i + 1 < n && text[i + 1] == '/') {
      --depth;
      i = skipPast(">", i + 2);
    } else {
      size_t j = i + 1;
      char quote = 0;
      for (; j < n; ++j) {
        const char c = text[j];
        if (quote) {
          if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
          quote = c;
        } else if (c == '>') {
          break;
        }
      }
      const bool selfClosing = j < n && text[j - 1] == '/';
      if (!selfClosing) maxDepth = std::max(maxDepth, ++depth);
      i = j + 1;
    }
  }
  return maxDepth;
}

class Reader {
 public:
  explicit Reader(std::string& error) : m_error(error) {}

  bool ReadWindow(const pt::ptree& window, LayoutDocument& document) {
    bool haveSize = false;
    if (auto attributes = window.get_child_optional(kAttributes)) {
      for (const auto& attribute : *attributes) {
        const std::string& key = attribute.first;
        const std::string& value = attribute.second.data();
        bool ok = true;
        if (key == "size") {
          ok = ParseLayoutSize(value, document.size) && document.size.cx > 0 && document.size.cy > 0;
          haveSize = ok;
        } else if (key == "caption") {
          ok = ParseLayoutRect(value, document.caption);
        } else if (key == "roundcorner") {
          ok = ParseLayoutSize(value, document.roundCorner);
        } else {
          return Fail("Window: unknown attribute \"" + key + "\"");
        }
        if (!ok) return Fail("Window: bad value \"" + value + "\" of \"" + key + "\"");
      }
    }
    if (!haveSize) return Fail("Window: no size");

    bool haveRoot = false;
    for (const auto& child : window) {
      const std::string& key = child.first;
      if (key == kAttributes) continue;
      if (key == "Font") {
        if (haveRoot) return Fail("Font after the controls");
        LayoutFont font;
        if (!ReadFont(child.second, font)) return false;
        document.fonts.push_back(font);
        continue;
      }
      if (haveRoot) return Fail("Window: more than one root control");
      if (!ReadControl(key, child.second, document.root, 1)) return false;
      haveRoot = true;
    }
    if (!haveRoot) return Fail("Window: no controls");
    return CheckFonts(document.root, document.fonts.size());
  }

 private:
  bool Fail(const std::string& reason) {
    m_error = reason;
    return false;
  }

  bool ReadFont(const pt::ptree& node, LayoutFont& font) {
    bool haveName = false, haveSize = false;
    if (auto attributes = node.get_child_optional(kAttributes)) {
      for (const auto& attribute : *attributes) {
        const std::string& key = attribute.first;
        const std::string& value = attribute.second.data();
        bool ok = true;
        if (key == "name") {
          font.name = Utf8ToWide(value);
          ok = haveName = !font.name.empty();
        } else if (key == "size") {
          ok = haveSize = ParseLayoutInt(value, 1, 500, font.size);
        } else if (key == "bold") {
          ok = ParseLayoutBool(value, font.bold);
        } else if (key == "italic") {
          ok = ParseLayoutBool(value, font.italic);
        } else {
          return Fail("Font: unknown attribute \"" + key + "\"");
        }
        if (!ok) return Fail("Font: bad value \"" + value + "\" of \"" + key + "\"");
      }
    }
    for (const auto& child : node) {
      if (child.first != kAttributes) return Fail("Font: unexpected element \"" + child.first + "\"");
    }
    if (!haveName || !haveSize) return Fail("Font: name and size are required");
    return true;
  }

  bool ReadControl(const std::string& element, const pt::ptree& node, LayoutControl& control, int depth) {
    if (++m_controls > kLayoutMaxControls) return Fail("too many controls");
    if (depth > kLayoutMaxDepth) return Fail("controls nested too deeply");
    if (element == "VerticalLayout") {
      control.type = LayoutControlType::kVerticalLayout;
    } else if (element == "Label") {
      control.type = LayoutControlType::kLabel;
    } else if (element == "Button") {
      control.type = LayoutControlType::kButton;
    } else if (element == "Option") {
      control.type = LayoutControlType::kOption;
    } else {
      return Fail("unknown element \"" + element + "\"");
    }
    if (!ReadControlAttributes(element, node, control)) return false;

    for (const auto& child : node) {
      if (child.first == kAttributes) continue;
      if (control.type != LayoutControlType::kVerticalLayout) {
        return Fail(element + " cannot hold \"" + child.first + "\"");
      }
      control.children.emplace_back();
      if (!ReadControl(child.first, child.second, control.children.back(), depth + 1)) return false;
    }
    return true;
  }

  bool ReadControlAttributes(const std::string& element, const pt::ptree& node, LayoutControl& control) {
    const bool isLayout = control.type == LayoutControlType::kVerticalLayout;
    const bool isButton = control.type == LayoutControlType::kButton || control.type == LayoutControlType::kOption;
    const bool isOption = control.type == LayoutControlType::kOption;
    auto attributes = node.get_child_optional(kAttributes);
    if (!attributes) return true;
    for (const auto& attribute : *attributes) {
      const std::string& key = attribute.first;
      const std::string& value = attribute.second.data();
      bool known = true, ok = true;
      if (key == "name") {
        control.name = Utf8ToWide(value);
      } else if (key == "width") {
        ok = ParseLayoutInt(value, 0, kLayoutCoordinateLimit, control.width);
      } else if (key == "height") {
        ok = ParseLayoutInt(value, 0, kLayoutCoordinateLimit, control.height);
      } else if (key == "bkimage") {
        control.bkImage = value;
      } else if (key == "bkcolor") {
        uint32_t color = 0;
        ok = ParseLayoutColor(value, color);
        control.bkColor = color;
      } else if (isLayout) {
        known = false;
      } else if (key == "float") {
        ok = ParseLayoutBool(value, control.isFloat);
      } else if (key == "pos") {
        ok = ParseLayoutRect(value, control.pos);
      } else if (key == "text") {
        control.text = Utf8ToWide(value);
      } else if (key == "textcolor" || key == "disabledtextcolor") {
        uint32_t color = 0;
        ok = ParseLayoutColor(value, color);
        (key == "textcolor" ? control.textColor : control.disabledTextColor) = color;
      } else if (key == "font") {
        ok = ParseLayoutInt(value, 0, 1000, control.font);
      } else if (key == "align") {
        // Only centring is part of the format; "left" is the plain default.
        ok = value == "center" || value == "left";
        control.alignCenter = value == "center";
        control.alignGiven = true;
      } else if (key == "visible") {
        ok = ParseLayoutBool(value, control.visible);
      } else if (!isButton) {
        known = false;
      } else if (key == "tooltip") {
        control.tooltip = Utf8ToWide(value);
      } else if (key == "showhtml") {
        ok = ParseLayoutBool(value, control.showHtml);
      } else if (key == "normalimage") {
        control.normalImage = value;
      } else if (key == "hotimage") {
        control.hotImage = value;
      } else if (key == "pushedimage") {
        control.pushedImage = value;
      } else if (key == "disabledimage") {
        control.disabledImage = value;
      } else if (isOption && key == "selectedimage") {
        control.selectedImage = value;
      } else {
        known = false;
      }
      if (!known) return Fail(element + ": unknown attribute \"" + key + "\"");
      if (!ok) return Fail(element + ": bad value \"" + value + "\" of \"" + key + "\"");
    }
    return true;
  }

  bool CheckFonts(const LayoutControl& control, size_t fontCount) {
    if (control.font >= static_cast<int>(fontCount)) {
      return Fail("font " + std::to_string(control.font) + " is not in the font table");
    }
    for (const LayoutControl& child : control.children) {
      if (!CheckFonts(child, fontCount)) return false;
    }
    return true;
  }

  std::string& m_error;
  size_t m_controls = 0;
};

}  // namespace

bool ParseLayout(const std::string& utf8Xml, LayoutDocument& document, std::string& error) {
  document = LayoutDocument();
  if (utf8Xml.size() > kLayoutMaxBytes) {
    error = "layout larger than " + std::to_string(kLayoutMaxBytes) + " bytes";
    return false;
  }
  if (utf8Xml.find('\0') != std::string::npos) {
    error = "layout holds a NUL byte";
    return false;
  }
  // Two levels above the controls: the document and the Window element.
  if (MaxElementDepth(utf8Xml) > kLayoutMaxDepth + 2) {
    error = "elements nested too deeply";
    return false;
  }

  pt::ptree tree;
  try {
    XmlTextError failure;
    if (!ReadXmlTree(utf8Xml, pt::xml_parser::no_comments | pt::xml_parser::trim_whitespace, tree, failure)) {
      // Worded as the log has always had it; the text has no file name here.
      error = "not well-formed XML: <unspecified file>(" + std::to_string(failure.line) + "): " + failure.message;
      return false;
    }
  } catch (const std::exception& failure) {
    error = std::string("not well-formed XML: ") + failure.what();
    return false;
  }

  const pt::ptree* window = nullptr;
  for (const auto& child : tree) {
    if (child.first != "Window" || window) {
      error = "the document must hold one Window element, found \"" + child.first + "\"";
      return false;
    }
    window = &child.second;
  }
  if (!window) {
    error = "no Window element";
    return false;
  }
  Reader reader(error);
  if (!reader.ReadWindow(*window, document)) {
    document = LayoutDocument();
    return false;
  }
  return true;
}
