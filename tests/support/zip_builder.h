// Writes zip archives byte by byte for tests, including damaged and hostile ones, and gzip
// streams made in memory with zlib.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ZipBuilderEntry {
  std::string name;
  std::string contents;
  bool deflate = true;
  // When set, written as the entry's (deflated) data in place of contents.
  std::string deflatedData;
  // Overrides for hostile archives; unset fields take the true values.
  bool overrideSize = false;
  uint32_t declaredSize = 0;
  bool overrideCrc = false;
  uint32_t declaredCrc = 0;
  uint16_t flags = 0;
  uint16_t method = 0xFFFF;  // 0xFFFF: stored or deflated as chosen above
  // Writes the sizes and offset as 0xFFFFFFFF with the real values in a zip64 extra block.
  bool zip64Extra = false;
};

class ZipBuilder {
 public:
  ZipBuilder& Add(const std::string& name, const std::string& contents, bool deflate = true);
  ZipBuilder& Add(const ZipBuilderEntry& entry);
  // The archive's bytes; the comment goes after the end record.
  std::string Build(const std::string& comment = std::string()) const;

 private:
  std::vector<ZipBuilderEntry> m_entries;
};

std::string DeflateRaw(const std::string& bytes);

// The bytes gzip'd as one member (no file name, time 0). level is zlib's: -1 its default,
// 0 stored blocks (quick for large test files), up to 9.
std::string GzipBytes(const std::string& bytes, int level = -1);
