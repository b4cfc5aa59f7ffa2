#include "pe_version.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr uint16_t kResourceTypeVersion = 16;
constexpr uint16_t kVersionInfoId = 1;
constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr uint32_t kMaxSections = 96;          // the Windows loader's own limit
constexpr uint32_t kMaxDirectoryEntries = 4096;  // far beyond any real resource table

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

struct Section {
  uint32_t virtualAddress;
  uint32_t virtualSize;
  uint32_t rawSize;
  uint32_t rawOffset;
};

class PeImage {
 public:
  explicit PeImage(const PeReadAt& read) : m_read(read) {}

  bool Load() {
    uint8_t dos[64];
    if (!m_read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
    const uint32_t peOffset = Le32(dos + 0x3C);
    uint8_t header[24];
    if (!m_read(peOffset, header, sizeof header) || memcmp(header, "PE\0\0", 4) != 0) return false;
    const uint16_t sectionCount = Le16(header + 6);
    const uint16_t optionalSize = Le16(header + 20);
    if (sectionCount == 0 || sectionCount > kMaxSections) return false;

    std::vector<uint8_t> optional(optionalSize);
    if (optionalSize < 2 || !m_read(static_cast<uint64_t>(peOffset) + 24, optional.data(), optionalSize)) {
      return false;
    }
    const uint16_t magic = Le16(optional.data());
    size_t countAt, directoriesAt;
    if (magic == 0x10B) {         // 32-bit image
      countAt = 92;
      directoriesAt = 96;
    } else if (magic == 0x20B) {  // 64-bit image
      countAt = 108;
      directoriesAt = 112;
    } else {
      return false;
    }
    const size_t resourceAt = directoriesAt + 2 * 8;
    if (optionalSize < resourceAt + 8 || Le32(optional.data() + countAt) < 3) return false;
    m_resourceRva = Le32(optional.data() + resourceAt);
    if (m_resourceRva == 0 || Le32(optional.data() + resourceAt + 4) == 0) return false;

    const uint64_t sectionsAt = static_cast<uint64_t>(peOffset) + 24 + optionalSize;
    std::vector<uint8_t> table(static_cast<size_t>(sectionCount) * 40);
    if (!m_read(sectionsAt, table.data(), table.size())) return false;
    for (uint16_t i = 0; i < sectionCount; ++i) {
      const uint8_t* entry = table.data() + i * 40;
      m_sections.push_back({Le32(entry + 12), Le32(entry + 8), Le32(entry + 16), Le32(entry + 20)});
    }
    return true;
  }

  // Reads size bytes at an RVA; they must lie within one section's data in the file.
  bool ReadRva(uint64_t rva, void* buffer, size_t size) const {
    for (const Section& section : m_sections) {
      const uint64_t extent = section.virtualSize > section.rawSize ? section.virtualSize : section.rawSize;
      if (rva < section.virtualAddress || rva >= section.virtualAddress + extent) continue;
      const uint64_t inSection = rva - section.virtualAddress;
      if (inSection + size > section.rawSize) return false;
      return m_read(section.rawOffset + inSection, buffer, size);
    }
    return false;
  }

  uint32_t ResourceRva() const { return m_resourceRva; }

 private:
  const PeReadAt& m_read;
  uint32_t m_resourceRva = 0;
  std::vector<Section> m_sections;
};

struct DirectoryEntry {
  uint32_t name;
  uint32_t offset;
  bool IsId() const { return (name & 0x80000000u) == 0; }
  bool IsDirectory() const { return (offset & 0x80000000u) != 0; }
  uint32_t Target() const { return offset & 0x7FFFFFFFu; }
};

bool ReadDirectory(const PeImage& image, uint32_t offset, std::vector<DirectoryEntry>& entries) {
  uint8_t header[16];
  if (!image.ReadRva(static_cast<uint64_t>(image.ResourceRva()) + offset, header, sizeof header)) return false;
  const uint32_t count = static_cast<uint32_t>(Le16(header + 12)) + Le16(header + 14);
  if (count == 0 || count > kMaxDirectoryEntries) return false;
  std::vector<uint8_t> raw(count * 8);
  if (!image.ReadRva(static_cast<uint64_t>(image.ResourceRva()) + offset + 16, raw.data(), raw.size())) {
    return false;
  }
  entries.clear();
  for (uint32_t i = 0; i < count; ++i) entries.push_back({Le32(raw.data() + i * 8), Le32(raw.data() + i * 8 + 4)});
  return true;
}

}  // namespace

bool ReadPeVersion(const PeReadAt& read, PeVersion& version) {
  PeImage image(read);
  if (!image.Load()) return false;

  // Type, then name (the version block is resource 1 by convention), then the first language.
  std::vector<DirectoryEntry> types, names, languages;
  if (!ReadDirectory(image, 0, types)) return false;
  const DirectoryEntry* type = nullptr;
  for (const DirectoryEntry& entry : types) {
    if (entry.IsId() && entry.name == kResourceTypeVersion && entry.IsDirectory()) type = &entry;
  }
  if (!type || !ReadDirectory(image, type->Target(), names)) return false;
  const DirectoryEntry* name = nullptr;
  for (const DirectoryEntry& entry : names) {
    if (!entry.IsDirectory()) continue;
    if (entry.IsId() && entry.name == kVersionInfoId) {
      name = &entry;
      break;
    }
    if (!name) name = &entry;
  }
  if (!name || !ReadDirectory(image, name->Target(), languages)) return false;
  const DirectoryEntry* language = nullptr;
  for (const DirectoryEntry& entry : languages) {
    if (!entry.IsDirectory()) {
      language = &entry;
      break;
    }
  }
  if (!language) return false;

  uint8_t dataEntry[16];
  if (!image.ReadRva(static_cast<uint64_t>(image.ResourceRva()) + language->Target(), dataEntry, sizeof dataEntry)) {
    return false;
  }
  const uint32_t blockRva = Le32(dataEntry);
  const uint32_t blockSize = Le32(dataEntry + 4);

  // VS_VERSIONINFO: length, value length, type, L"VS_VERSION_INFO", padding to 4 bytes,
  // then VS_FIXEDFILEINFO (52 bytes).
  constexpr size_t kFixedAt = 40;
  constexpr size_t kFixedSize = 52;
  if (blockSize < kFixedAt + kFixedSize) return false;
  uint8_t block[kFixedAt + kFixedSize];
  if (!image.ReadRva(blockRva, block, sizeof block)) return false;
  if (Le16(block) < sizeof block || Le16(block + 2) < kFixedSize) return false;
  static const char kKey[] = "VS_VERSION_INFO";
  for (size_t i = 0; i < sizeof kKey; ++i) {
    if (Le16(block + 6 + 2 * i) != static_cast<uint8_t>(kKey[i])) return false;
  }
  const uint8_t* fixed = block + kFixedAt;
  if (Le32(fixed) != kFixedFileInfoSignature) return false;
  const uint32_t most = Le32(fixed + 8);
  const uint32_t least = Le32(fixed + 12);
  version.parts[0] = static_cast<uint16_t>(most >> 16);
  version.parts[1] = static_cast<uint16_t>(most & 0xFFFF);
  version.parts[2] = static_cast<uint16_t>(least >> 16);
  version.parts[3] = static_cast<uint16_t>(least & 0xFFFF);
  return true;
}

bool ReadPeVersion(const void* bytes, size_t size, PeVersion& version) {
  const auto* data = static_cast<const uint8_t*>(bytes);
  const PeReadAt read = [data, size](uint64_t offset, void* buffer, size_t count) {
    if (offset > size || count > size - offset) return false;
    memcpy(buffer, data + offset, count);
    return true;
  };
  return ReadPeVersion(read, version);
}

bool ReadFileVersion(const std::filesystem::path& path, PeVersion& version) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(fopen(path.c_str(), "rb"), fclose);
  if (!file) return false;
  if (fseeko(file.get(), 0, SEEK_END) != 0) return false;
  const off_t end = ftello(file.get());
  if (end < 0) return false;
  const uint64_t size = static_cast<uint64_t>(end);
  FILE* stream = file.get();
  const PeReadAt read = [stream, size](uint64_t offset, void* buffer, size_t count) {
    if (offset > size || count > size - offset) return false;
    if (fseeko(stream, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    return fread(buffer, 1, count, stream) == count;
  };
  return ReadPeVersion(read, version);
}
