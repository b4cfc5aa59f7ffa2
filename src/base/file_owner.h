// A stdio file that closes itself, and opening one by its full path (wide on Windows, so names
// outside the ANSI code page open too).
#pragma once

#include <cstdio>
#include <memory>

#include "base/native_path.h"

struct FileCloser {
  void operator()(FILE* file) const { fclose(file); }
};
using FileOwner = std::unique_ptr<FILE, FileCloser>;

// mode as fopen takes it ("rb", "w", "wb"), ASCII.
inline FILE* OpenFile(const NativePath& path, const char* mode) {
#ifdef _WIN32
  wchar_t wideMode[8] = {};
  for (size_t i = 0; mode[i] && i + 1 < sizeof wideMode / sizeof wideMode[0]; ++i) wideMode[i] = mode[i];
  return _wfopen(path.c_str(), wideMode);
#else
  return fopen(path.c_str(), mode);
#endif
}
