// Text helpers the download tests share: ASCII text as wide text, and the check value that a
// published file carries in its name.
#pragma once

#include <string>

#include "net/check_value.h"

inline std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

inline std::string CheckValueText(const std::string& bytes) {
  CheckValueHasher hasher;
  hasher.Update(bytes.data(), bytes.size());
  return hasher.Finish();
}
