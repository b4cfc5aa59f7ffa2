// Writes a zip archive entry by entry, streaming each file in, with stored or deflated
// entries (no zip64: archives and entries stay below 4 GiB).
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

class ZipWriter {
 public:
  enum class Method { kStore, kDeflate };

  ZipWriter() = default;
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  bool Open(const std::filesystem::path& path, std::string& error);
  // name uses "/" separators and ends in "/".
  bool AddFolder(const std::string& name, time_t modified, std::string& error);
  bool AddFile(const std::string& name, const std::filesystem::path& source, Method method,
               std::string& error);
  // Writes the central directory; the archive is complete only after this.
  bool Finish(std::string& error);

 private:
  struct Entry {
    std::string name;
    uint16_t flags;
    uint16_t method;
    uint16_t dosTime;
    uint16_t dosDate;
    uint32_t crc;
    uint32_t compressedSize;
    uint32_t size;
    uint32_t localHeaderOffset;
    uint32_t externalAttributes;
  };

  static void PutSharedHeaderFields(std::string& header, const Entry& entry);
  bool WriteLocalHeader(const Entry& entry, std::string& error);
  bool Write(const void* data, size_t size, std::string& error);
  bool CheckName(const std::string& name, std::string& error) const;

  FILE* m_file = nullptr;
  std::filesystem::path m_path;
  uint64_t m_offset = 0;
  std::vector<Entry> m_entries;
};
