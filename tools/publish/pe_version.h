// Reads the fixed file version from the version resource of a Windows program or library,
// without Windows: every offset is checked against the file before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>

struct PeVersion {
  uint16_t parts[4] = {0, 0, 0, 0};  // a.b.c.d
};

// Reads size bytes at offset; false when they are not all there.
using PeReadAt = std::function<bool(uint64_t offset, void* buffer, size_t size)>;

// True and the version when the bytes are a PE file with a version resource; false otherwise.
bool ReadPeVersion(const PeReadAt& read, PeVersion& version);
bool ReadPeVersion(const void* bytes, size_t size, PeVersion& version);
bool ReadFileVersion(const std::filesystem::path& path, PeVersion& version);
