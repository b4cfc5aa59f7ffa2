// Four-part versions a.b.c.d as Windows keeps file versions: two 32-bit words, compared
// high word first.
#pragma once

#include <cstdint>
#include <string>

struct PackageVersion {
  uint32_t high = 0;  // (a << 16) | b
  uint32_t low = 0;   // (c << 16) | d
};

inline bool operator<(const PackageVersion& left, const PackageVersion& right) {
  return left.high < right.high || (left.high == right.high && left.low < right.low);
}
inline bool operator==(const PackageVersion& left, const PackageVersion& right) {
  return left.high == right.high && left.low == right.low;
}
inline bool operator!=(const PackageVersion& left, const PackageVersion& right) { return !(left == right); }
inline bool operator>=(const PackageVersion& left, const PackageVersion& right) { return !(left < right); }

// Any non-digit separates parts ("1,2,0,0" and "1.2.0.0" read alike); parts wrap at 65536.
PackageVersion ParsePackageVersion(const std::wstring& text);
