#include "toolkit/skin_source.h"

#include "base/file_owner.h"
#include "base/utf8_text.h"

namespace {

// Skin images and layouts are small; anything larger is not part of a skin.
constexpr size_t kMaxSkinFileBytes = 16u << 20;

}  // namespace

bool IsPlainSkinName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of("/\\:") == std::string::npos;
}

void CMemorySkinSource::Add(const std::string& name, std::vector<uint8_t> bytes) { m_files[name] = std::move(bytes); }

void CMemorySkinSource::Add(const std::string& name, const std::string& bytes) {
  Add(name, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

bool CMemorySkinSource::Read(const std::string& name, std::vector<uint8_t>& bytes) const {
  const auto found = FindSkinName(m_files, name);
  if (found == m_files.end()) return false;
  bytes = found->second;
  return true;
}

bool CFolderSkinSource::Read(const std::string& name, std::vector<uint8_t>& bytes) const {
  if (!IsPlainSkinName(name)) return false;
  NativePath path = m_folder;
#ifdef _WIN32
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
  path += Utf8ToWide(name);
#else
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
#endif
  FileOwner file(OpenFile(path, "rb"));
  if (!file) return false;
  std::vector<uint8_t> contents;
  uint8_t block[16 * 1024];
  for (;;) {
    const size_t count = fread(block, 1, sizeof block, file.get());
    contents.insert(contents.end(), block, block + count);
    if (contents.size() > kMaxSkinFileBytes) return false;
    if (count < sizeof block) break;
  }
  // A folder opens on some systems but cannot be read.
  if (ferror(file.get())) return false;
  bytes = std::move(contents);
  return true;
}
