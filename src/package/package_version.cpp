#include "package/package_version.h"

PackageVersion ParsePackageVersion(const std::wstring& text) {
  PackageVersion version;
  uint16_t part = 0;
  int separators = 0;
  for (const wchar_t c : text) {
    if (c >= L'0' && c <= L'9') {
      part = static_cast<uint16_t>(part * 10 + (c - L'0'));
      continue;
    }
    // The first two parts make the high word; everything after them slides through the low.
    uint32_t& word = separators < 2 ? version.high : version.low;
    word = (word << 16) | part;
    part = 0;
    ++separators;
  }
  version.low = (version.low << 16) | part;
  return version;
}
