#include "toolkit/skin_archive.h"

bool CZipSkinSource::Open(const void* data, size_t size) {
  m_index.clear();
  if (!data || size == 0 || !m_reader.OpenMemory(data, size)) return false;
  const int count = m_reader.GetItemCount();
  for (int i = 0; i < count; ++i) {
    ZipEntry entry;
    if (m_reader.GetItem(i, entry) && !entry.isFolder) m_index.emplace(entry.name, i);
  }
  return !m_index.empty();
}

bool CZipSkinSource::Read(const std::string& name, std::vector<uint8_t>& bytes) const {
  const auto found = FindSkinName(m_index, name);
  if (found == m_index.end()) return false;
  return m_reader.UnzipItem(found->second, bytes);
}
