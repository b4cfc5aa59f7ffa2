#include "base/utf8_text.h"

#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendWide(std::wstring& out, char32_t code) {
  if (sizeof(wchar_t) == 2 && code > 0xFFFF) {
    code -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(code));
  }
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

bool IsSurrogate(char32_t code) { return code >= 0xD800 && code <= 0xDFFF; }

}  // namespace

std::wstring Utf8ToWide(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const uint8_t lead = static_cast<uint8_t>(text[i]);
    int extra = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      out.push_back(static_cast<wchar_t>(lead));
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, code = lead & 0x07, minimum = 0x10000;
    } else {
      AppendWide(out, kReplacement);
      ++i;
      continue;
    }
    size_t next = i + 1;
    bool valid = true;
    for (int k = 0; k < extra; ++k, ++next) {
      if (next >= text.size() || (static_cast<uint8_t>(text[next]) & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      code = (code << 6) | (static_cast<uint8_t>(text[next]) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    if (!valid || code < minimum || code > 0x10FFFF || IsSurrogate(code)) {
      AppendWide(out, kReplacement);
      i = valid ? next : i + 1;
      continue;
    }
    AppendWide(out, code);
    i = next;
  }
  return out;
}

std::string WideToUtf8(const std::wstring& text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t code = static_cast<char32_t>(text[i]);
    if (sizeof(wchar_t) == 2 && code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() &&
        text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
      ++i;
    } else if (IsSurrogate(code) || code > 0x10FFFF) {
      code = kReplacement;
    }
    AppendUtf8(out, code);
  }
  return out;
}
