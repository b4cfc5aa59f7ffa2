// The system crypto provider against libgcrypt: tavora-crypto-table of the host tree writes what
// libgcrypt computes for pseudo-random inputs just before these tests run (ctest fixture
// crypto_table), and every row is computed again here with the installer's primitives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/file_owner.h"
#include "net/crypto_primitives.h"

namespace {

struct CryptoTable {
  size_t md5Rows = 0;
  size_t ofbRows = 0;
  std::vector<std::vector<std::string>> md5;
  std::vector<std::vector<std::string>> ofb;
};

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t at = 0;
  while (at <= line.size()) {
    const size_t space = line.find(' ', at);
    fields.push_back(line.substr(at, space == std::string::npos ? std::string::npos : space - at));
    if (space == std::string::npos) break;
    at = space + 1;
  }
  return fields;
}

bool ReadTable(CryptoTable& table) {
  FileOwner file(OpenFile(TAVORA_CRYPTO_TABLE, "rb"));
  if (!file) return false;
  std::string text;
  char block[65536];
  for (size_t count; (count = fread(block, 1, sizeof block, file.get())) > 0;) text.append(block, count);
  size_t at = 0;
  bool header = false;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::vector<std::string> fields = SplitFields(text.substr(at, end - at));
    at = end + 1;
    if (fields[0] == "table" && fields.size() == 4) {
      table.md5Rows = std::strtoul(fields[2].c_str(), nullptr, 10);
      table.ofbRows = std::strtoul(fields[3].c_str(), nullptr, 10);
      header = true;
    } else if (fields[0] == "md5" && fields.size() == 4) {
      table.md5.push_back(fields);
    } else if (fields[0] == "ofb" && fields.size() == 5) {
      table.ofb.push_back(fields);
    } else {
      return false;
    }
  }
  return header;
}

std::vector<unsigned char> FromHex(const std::string& hex) {
  std::vector<unsigned char> bytes;
  if (hex == "-") return bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<unsigned char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
  }
  return bytes;
}

std::string Hex(const unsigned char* bytes, size_t size) {
  if (size == 0) return "-";
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0f];
  }
  return text;
}

class CryptoTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ReadTable(m_table)) << "no readable table from tavora-crypto-table";
  }
  CryptoTable m_table;
};

}  // namespace

TEST_F(CryptoTableTest, DigestsEqualThoseOfLibgcrypt) {
  ASSERT_GT(m_table.md5Rows, 0u);
  ASSERT_EQ(m_table.md5.size(), m_table.md5Rows);
  size_t differing = 0;
  for (const std::vector<std::string>& row : m_table.md5) {
    const std::vector<unsigned char> input = FromHex(row[2]);
    Md5Hasher hasher;
    size_t at = 0;
    // Fed in the pieces libgcrypt was fed in.
    const std::string& sizes = row[1];
    for (size_t start = 0; start <= sizes.size();) {
      size_t comma = sizes.find(',', start);
      if (comma == std::string::npos) comma = sizes.size();
      const size_t piece = std::strtoul(sizes.substr(start, comma - start).c_str(), nullptr, 10);
      ASSERT_LE(at + piece, input.size());
      hasher.Update(input.data() + at, piece);
      at += piece;
      start = comma + 1;
    }
    ASSERT_EQ(at, input.size());
    unsigned char digest[kMd5DigestBytes];
    ASSERT_TRUE(hasher.Finish(digest));
    if (Hex(digest, sizeof digest) != row[3]) {
      ++differing;
      ADD_FAILURE() << "MD5 of " << input.size() << " bytes: " << Hex(digest, sizeof digest)
                    << ", libgcrypt " << row[3];
    }
  }
  EXPECT_EQ(differing, 0u);
}

TEST_F(CryptoTableTest, TripleDesOfbCiphersEqualThoseOfLibgcrypt) {
  ASSERT_GT(m_table.ofbRows, 0u);
  ASSERT_EQ(m_table.ofb.size(), m_table.ofbRows);
  size_t differing = 0;
  for (const std::vector<std::string>& row : m_table.ofb) {
    const std::vector<unsigned char> keyBytes = FromHex(row[1]);
    const std::vector<unsigned char> ivBytes = FromHex(row[2]);
    ASSERT_EQ(keyBytes.size(), kTripleDesKeyBytes);
    ASSERT_EQ(ivBytes.size(), kDesBlockBytes);
    unsigned char key[kTripleDesKeyBytes];
    unsigned char iv[kDesBlockBytes];
    std::copy(keyBytes.begin(), keyBytes.end(), key);
    std::copy(ivBytes.begin(), ivBytes.end(), iv);
    const std::vector<unsigned char> input = FromHex(row[3]);
    std::vector<unsigned char> output(input.size());
    ASSERT_TRUE(TripleDesOfbCipher(key, iv, input.data(), input.size(), output.data()));
    if (Hex(output.data(), output.size()) != row[4]) {
      ++differing;
      ADD_FAILURE() << "triple DES OFB of " << input.size() << " bytes under key " << row[1]
                    << " and IV " << row[2] << " differs from libgcrypt";
    }
  }
  EXPECT_EQ(differing, 0u);
}
