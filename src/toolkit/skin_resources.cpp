#include "toolkit/skin_resources.h"

#include "toolkit/skin_archive.h"

CSkinResources& CSkinResources::Get() {
  static CSkinResources resources;
  return resources;
}

void CSkinResources::SetZip(const void* data, size_t size) {
  m_source.reset();
  if (!data || size == 0) {
    m_status = SkinStatus::kMissing;
    return;
  }
  auto archive = std::make_shared<CZipSkinSource>();
  if (!archive->Open(data, size)) {
    m_status = SkinStatus::kUnreadable;
    return;
  }
  m_source = archive;
  m_status = SkinStatus::kReady;
}

void CSkinResources::SetSource(std::shared_ptr<ISkinSource> source) {
  m_source = std::move(source);
  m_status = m_source ? SkinStatus::kReady : SkinStatus::kMissing;
}

void CSkinResources::Reset() {
  m_source.reset();
  m_status = SkinStatus::kNotSet;
}

bool CSkinResources::Read(const std::string& name, std::vector<uint8_t>& bytes) const {
  return m_status == SkinStatus::kReady && m_source && m_source->Read(name, bytes);
}
