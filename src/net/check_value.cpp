#include "net/check_value.h"

#include <gcrypt.h>

#include <memory>
#include <vector>

#include "app/file_owner.h"
#include "net/gcrypt_ready.h"

namespace {

// Large reads keep the hashing of big archives at disk speed; the digest does not depend on them.
constexpr size_t kReadSize = 64 * 1024;

}  // namespace

struct CheckValueHasher::Impl {
  gcry_md_hd_t digest = nullptr;
};

CheckValueHasher::CheckValueHasher() : m_impl(new Impl) {
  EnsureGcryptReady();
  if (gcry_md_open(&m_impl->digest, GCRY_MD_MD5, 0) != 0) m_impl->digest = nullptr;
}

CheckValueHasher::~CheckValueHasher() {
  if (m_impl->digest) gcry_md_close(m_impl->digest);
  delete m_impl;
}

void CheckValueHasher::Update(const void* data, size_t size) {
  if (m_impl->digest && size > 0) gcry_md_write(m_impl->digest, data, size);
}

std::string CheckValueHasher::Finish() {
  if (!m_impl->digest) return std::string();
  const unsigned char* digest = gcry_md_read(m_impl->digest, GCRY_MD_MD5);
  if (!digest) return std::string();
  static const char kDigits[] = "0123456789abcdef";
  std::string value;
  for (int i = 4; i < 12; ++i) {
    value += kDigits[digest[i] >> 4];
    value += kDigits[digest[i] & 0x0f];
  }
  return value;
}

bool StreamCheckValue(FILE* file, std::string& value) {
  CheckValueHasher hasher;
  std::vector<char> block(kReadSize);
  for (;;) {
    const size_t count = fread(block.data(), 1, block.size(), file);
    hasher.Update(block.data(), count);
    if (count < block.size()) break;
  }
  if (ferror(file)) return false;
  value = hasher.Finish();
  return !value.empty();
}

bool FileCheckValue(const char* path, std::string& value) {
  FileOwner file(fopen(path, "rb"));
  if (!file) {
    fprintf(stderr, "fopen %s failed\n", path);
    return false;
  }
  return StreamCheckValue(file.get(), value);
}

bool CheckFileMd5(const std::filesystem::path& archivePath, const std::wstring& checkValue) {
  FileOwner file(OpenForReading(archivePath));
  if (!file) return false;
  std::string value;
  if (!StreamCheckValue(file.get(), value)) return false;
  // The computed value is ASCII, so a wide text equals it only unit for unit.
  if (value.size() != checkValue.size()) return false;
  for (size_t i = 0; i < value.size(); ++i) {
    if (static_cast<wchar_t>(static_cast<unsigned char>(value[i])) != checkValue[i]) return false;
  }
  return true;
}
