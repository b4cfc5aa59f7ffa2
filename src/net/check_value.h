// The check value that names every published archive: the middle eight bytes of the file's
// MD5 digest as 16 lower-case hexadecimal digits (characters 9 to 24 of the usual MD5 text).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "base/native_path.h"
#include "net/crypto_primitives.h"

// Computes the check value of bytes fed in pieces.
class CheckValueHasher {
 public:
  void Update(const void* data, size_t size);
  // The check value of everything fed so far; empty when the digest could not be made.
  std::string Finish();

 private:
  Md5Hasher m_md5;
};

// The check value of everything left to read in file; false on a read error.
bool StreamCheckValue(FILE* file, std::string& value);

// The check value of the file at a narrow path (the C library's code page). When the file
// cannot be opened, prints "fopen <path> failed" to the standard error stream and answers false.
bool FileCheckValue(const char* path, std::string& value);

// True when the archive exists and its check value equals checkValue exactly (upper-case
// digits never match). The path is used as given, wide on Windows, so every name opens.
bool CheckFileMd5(const NativePath& archivePath, const std::wstring& checkValue);
