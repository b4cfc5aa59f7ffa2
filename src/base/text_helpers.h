// Small text helpers shared by every folder.
#pragma once

#include <boost/algorithm/string/predicate.hpp>

#include <string>

// Letter case is ignored for A-Z only: the names compared this way (file names and endings,
// "true", font families) are ASCII where case matters, and the result must not depend on
// the user's locale.
struct AsciiNoCaseEqual {
  template <typename Char>
  bool operator()(Char a, Char b) const {
    return Lower(a) == Lower(b);
  }
  template <typename Char>
  static Char Lower(Char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<Char>(c - 'A' + 'a') : c;
  }
};

inline bool EqualsNoCase(const std::wstring& text, const std::wstring& other) {
  return boost::algorithm::equals(text, other, AsciiNoCaseEqual());
}
inline bool EqualsNoCase(const std::string& text, const std::string& other) {
  return boost::algorithm::equals(text, other, AsciiNoCaseEqual());
}
inline bool ContainsNoCase(const std::wstring& text, const std::wstring& part) {
  return boost::algorithm::contains(text, part, AsciiNoCaseEqual());
}
inline bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
  return boost::algorithm::starts_with(text, prefix, AsciiNoCaseEqual());
}

// Where a downloaded ".gz" archive is expanded to: its path without the final ".gz"; empty
// when the path does not end in ".gz", so nothing is ever expanded over its own archive.
inline std::wstring WithoutGzEnding(const std::wstring& archivePath) {
  if (!boost::algorithm::ends_with(archivePath, L".gz")) return std::wstring();
  return archivePath.substr(0, archivePath.size() - 3);
}
