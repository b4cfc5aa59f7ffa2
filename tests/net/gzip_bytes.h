// Test helper: gzip streams made in memory with zlib.
#pragma once

#include <string>

// The bytes gzip'd as one member (no file name, time 0).
std::string GzipBytes(const std::string& bytes);
