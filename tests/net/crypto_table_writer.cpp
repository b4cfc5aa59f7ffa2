// tavora-crypto-table: writes what libgcrypt computes for pseudo-random inputs (MD5 digests fed
// in pieces, triple DES OFB ciphers under random keys and IVs), so that a Windows test can feed
// the very same inputs to the system's crypto provider and compare. Built in the host tree.
//
// Usage: tavora-crypto-table --seed N --out FILE
// The file holds one header line "table SEED MD5ROWS OFBROWS", then one line per row:
//   md5 PIECES INPUT DIGEST      PIECES: the sizes the input was fed in, joined by ","
//   ofb KEY IV INPUT OUTPUT
// all bytes in lowercase hexadecimal, an empty byte string written as "-".
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "net/crypto_primitives.h"

namespace {

std::string Hex(const unsigned char* bytes, size_t size) {
  if (size == 0) return "-";
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * size);
  for (size_t i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0f];
  }
  return text;
}

std::string Hex(const std::vector<unsigned char>& bytes) { return Hex(bytes.data(), bytes.size()); }

class TableWriter {
 public:
  explicit TableWriter(unsigned seed) : m_random(seed) {}

  std::vector<unsigned char> RandomBytes(size_t size) {
    std::vector<unsigned char> bytes(size);
    for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(m_random() & 0xff);
    return bytes;
  }
  size_t RandomBelow(size_t bound) { return static_cast<size_t>(m_random() % bound); }

  bool AddMd5Row(size_t size) {
    const std::vector<unsigned char> input = RandomBytes(size);
    Md5Hasher hasher;
    std::string pieces;
    size_t at = 0;
    do {
      // Pieces from empty to a little over two blocks, so that they end anywhere in a block.
      const size_t piece = std::min(RandomBelow(150), input.size() - at);
      hasher.Update(input.data() + at, piece);
      if (!pieces.empty()) pieces += ',';
      pieces += std::to_string(piece);
      at += piece;
    } while (at < input.size());
    unsigned char digest[kMd5DigestBytes];
    if (!hasher.Finish(digest)) return false;
    m_rows += "md5 " + pieces + " " + Hex(input) + " " + Hex(digest, sizeof digest) + "\n";
    ++m_md5Rows;
    return true;
  }

  bool AddOfbRow(size_t size) {
    const std::vector<unsigned char> keyBytes = RandomBytes(kTripleDesKeyBytes);
    const std::vector<unsigned char> ivBytes = RandomBytes(kDesBlockBytes);
    unsigned char key[kTripleDesKeyBytes];
    unsigned char iv[kDesBlockBytes];
    memcpy(key, keyBytes.data(), sizeof key);
    memcpy(iv, ivBytes.data(), sizeof iv);
    const std::vector<unsigned char> input = RandomBytes(size);
    std::vector<unsigned char> output(size);
    if (!TripleDesOfbCipher(key, iv, input.data(), input.size(), output.data())) return false;
    m_rows += "ofb " + Hex(keyBytes) + " " + Hex(ivBytes) + " " + Hex(input) + " " + Hex(output) + "\n";
    ++m_ofbRows;
    return true;
  }

  std::string Table(unsigned seed) const {
    return "table " + std::to_string(seed) + " " + std::to_string(m_md5Rows) + " " +
           std::to_string(m_ofbRows) + "\n" + m_rows;
  }

 private:
  std::mt19937 m_random;
  std::string m_rows;
  size_t m_md5Rows = 0;
  size_t m_ofbRows = 0;
};

int Usage() {
  fprintf(stderr, "usage: tavora-crypto-table --seed N --out FILE\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const char* seedText = nullptr;
  const char* outPath = nullptr;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (strcmp(argv[i], "--seed") == 0) {
      seedText = argv[i + 1];
    } else if (strcmp(argv[i], "--out") == 0) {
      outPath = argv[i + 1];
    } else {
      return Usage();
    }
  }
  if (argc % 2 != 1 || !seedText || !outPath) return Usage();
  char* end = nullptr;
  const unsigned long seed = strtoul(seedText, &end, 10);
  if (*seedText == '\0' || *end != '\0') return Usage();

  TableWriter writer(static_cast<unsigned>(seed));
  bool ok = true;
  // Every length around the 64-byte MD5 block and its padding boundary, then random lengths,
  // then one input of many blocks.
  for (size_t size = 0; size <= 200; ++size) ok = ok && writer.AddMd5Row(size);
  for (int row = 0; row < 200; ++row) ok = ok && writer.AddMd5Row(writer.RandomBelow(5000));
  ok = ok && writer.AddMd5Row(100000);
  // Every length up to several DES blocks, then random lengths up to service-query size.
  for (size_t size = 0; size <= 40; ++size) ok = ok && writer.AddOfbRow(size);
  for (int row = 0; row < 300; ++row) ok = ok && writer.AddOfbRow(writer.RandomBelow(1500));
  if (!ok) {
    fprintf(stderr, "tavora-crypto-table: libgcrypt refused an input\n");
    return 1;
  }

  const std::string table = writer.Table(static_cast<unsigned>(seed));
  FILE* file = fopen(outPath, "wb");
  if (!file) {
    fprintf(stderr, "tavora-crypto-table: cannot write %s\n", outPath);
    return 1;
  }
  const bool written = fwrite(table.data(), 1, table.size(), file) == table.size();
  if (fclose(file) != 0 || !written) {
    fprintf(stderr, "tavora-crypto-table: cannot write %s\n", outPath);
    return 1;
  }
  printf("tavora-crypto-table: seed %lu, %zu bytes in %s\n", seed, table.size(), outPath);
  return 0;
}
