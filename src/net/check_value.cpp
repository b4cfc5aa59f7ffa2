#include "net/check_value.h"

#include <vector>

#include "base/file_owner.h"

namespace {

// Large reads keep the hashing of big archives at disk speed; the digest does not depend on them.
constexpr size_t kReadSize = 64 * 1024;

}  // namespace

void CheckValueHasher::Update(const void* data, size_t size) { m_md5.Update(data, size); }

std::string CheckValueHasher::Finish() {
  unsigned char digest[kMd5DigestBytes];
  if (!m_md5.Finish(digest)) return std::string();
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

bool CheckFileMd5(const NativePath& archivePath, const std::wstring& checkValue) {
  FileOwner file(OpenFile(archivePath, "rb"));
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
