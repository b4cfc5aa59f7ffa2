#include "toolkit/skin_source.h"

#include <fstream>
#include <iterator>

#include "toolkit/utf8_text.h"

namespace {

// Skin images and layouts are small; anything larger is not part of a skin.
constexpr std::uintmax_t kMaxSkinFileBytes = 16u << 20;

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
  const std::filesystem::path path = m_folder / std::filesystem::path(Utf8ToWide(name));
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size > kMaxSkinFileBytes) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return true;
}
