// A stdio file that closes itself, and opening one for reading by its full path (wide on
// Windows, so names outside the ANSI code page open too).
#pragma once

#include <cstdio>
#include <memory>

#include "base/native_path.h"

struct FileCloser {
  void operator()(FILE* file) const { fclose(file); }
};
using FileOwner = std::unique_ptr<FILE, FileCloser>;

inline FILE* OpenForReading(const NativePath& path) {
#ifdef _WIN32
  return _wfopen(path.c_str(), L"rb");
#else
  return fopen(path.c_str(), "rb");
#endif
}
