// Test helper: gzip streams made in memory with zlib.
#pragma once

#include <string>

// The bytes gzip'd as one member (no file name, time 0). level is zlib's: -1 its default,
// 0 stored blocks (quick for large test files), up to 9.
std::string GzipBytes(const std::string& bytes, int level = -1);
