// Gzips one file into another, streaming, and reports the check value and size of the
// gzip bytes written (what the installer downloads and checks).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

struct GzipOutcome {
  std::string checkValue;  // of the .gz bytes
  uint64_t bytes = 0;      // size of the .gz file
};

// The gzip member carries no name and time 0, so equal input gives equal bytes.
bool GzipFile(const std::filesystem::path& source, const std::filesystem::path& target, int level,
              GzipOutcome& outcome, std::string& error);
