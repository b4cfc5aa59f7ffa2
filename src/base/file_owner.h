// A stdio file that closes itself, opening one by its full path (wide on Windows, so names
// outside the ANSI code page open too) and reading one whole.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

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

// Appends the whole file to bytes; false when it cannot be opened. A read error ends the
// contents where it happened.
inline bool ReadWholeFile(const NativePath& path, std::string& bytes) {
  FileOwner file(OpenFile(path, "rb"));
  if (!file) return false;
  char block[4096];
  size_t count;
  while ((count = fread(block, 1, sizeof block, file.get())) > 0) bytes.append(block, count);
  return true;
}
