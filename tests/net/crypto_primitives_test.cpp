// Runs in both trees: the host tree checks the libgcrypt primitives, the Windows tree (under
// Wine) those of the system's crypto provider, against the same reference bytes.
#include "net/crypto_primitives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string Hex(const unsigned char* bytes, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0f];
  }
  return text;
}

std::string Hex(const std::string& bytes) {
  return Hex(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

template <size_t N>
void FromHex(const char* hex, unsigned char (&bytes)[N]) {
  ASSERT_EQ(std::string(hex).size(), 2 * N);
  for (size_t i = 0; i < N; ++i) bytes[i] = static_cast<unsigned char>(std::stoul(std::string(hex + 2 * i, 2), nullptr, 16));
}

std::string Md5Of(const std::string& bytes) {
  Md5Hasher hasher;
  hasher.Update(bytes.data(), bytes.size());
  unsigned char digest[kMd5DigestBytes];
  if (!hasher.Finish(digest)) return "no digest";
  return Hex(digest, sizeof digest);
}

std::string Cipher(const char* keyHex, const char* ivHex, const std::string& input) {
  unsigned char key[kTripleDesKeyBytes];
  unsigned char iv[kDesBlockBytes];
  FromHex(keyHex, key);
  FromHex(ivHex, iv);
  std::string output(input.size(), '\0');
  if (!TripleDesOfbCipher(key, iv, input.data(), input.size(), &output[0])) return "refused";
  return output;
}

// Made with: printf '<text>' | openssl enc -des-ede3-ofb -K <key> -iv <iv> | xxd -p
// (OpenSSL 3.0 on Debian 12).
constexpr char kKey[] = "0123456789abcdeffedcba987654321089abcdef01234567";
constexpr char kIv[] = "f0e1d2c3b4a59687";
constexpr char kFox[] = "The quick brown fox jumps over the lazy dog";
constexpr char kFoxCipher[] =
    "81534e4dd633d28ad27c9c448408418faadcebdc03c10cbd7632ba0cc1e412a4951168ed2c090e9b218e28";

}  // namespace

// The test suite of RFC 1321, checked again with md5sum.
TEST(Md5Hasher, GivesTheDigestsOfTheMd5TestSuite) {
  EXPECT_EQ(Md5Of(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Of("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Md5Of("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Of("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Md5Of("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Md5Of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(Md5Of("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

// Pieces that end on, before and after the 64-byte block boundary, and empty ones.
TEST(Md5Hasher, PiecesOfAnySizeGiveTheDigestOfTheWhole) {
  const std::string million(1000000, 'a');
  const size_t pieceSizes[] = {0, 1, 55, 56, 63, 64, 65, 127, 128, 4096, 65537};
  Md5Hasher hasher;
  size_t at = 0;
  for (size_t round = 0; at < million.size(); ++round) {
    const size_t piece = std::min(pieceSizes[round % std::size(pieceSizes)], million.size() - at);
    hasher.Update(million.data() + at, piece);
    at += piece;
  }
  unsigned char digest[kMd5DigestBytes];
  ASSERT_TRUE(hasher.Finish(digest));
  EXPECT_EQ(Hex(digest, sizeof digest), "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(TripleDesOfbCipher, MatchesOpenSslWithAnIvOfItsOwn) {
  EXPECT_EQ(Hex(Cipher(kKey, kIv, kFox)), kFoxCipher);
}

TEST(TripleDesOfbCipher, DecryptingIsEncryptingAgain) {
  const std::string cipher = Cipher(kKey, kIv, kFox);
  EXPECT_EQ(Cipher(kKey, kIv, cipher), kFox);
}

// Output feedback: the key stream does not depend on the text, so a shorter text gives a prefix
// of the longer one's cipher, whatever its length in blocks.
TEST(TripleDesOfbCipher, ShorterTextGivesAPrefixOfTheLongerCipher) {
  const std::string whole = Cipher(kKey, kIv, kFox);
  for (size_t length = 0; length < sizeof kFox - 1; ++length) {
    EXPECT_EQ(Cipher(kKey, kIv, std::string(kFox, length)), whole.substr(0, length)) << length;
  }
}

// DES reads only seven bits of each key byte; the eighth (parity) bit changes nothing.
TEST(TripleDesOfbCipher, ParityBitsOfTheKeyAreIgnored) {
  EXPECT_EQ(Hex(Cipher("0022446688aacceeffddbb997755331188aaccee00224466", kIv, kFox)), kFoxCipher);
}

// Three weak DES keys; the cipher is still the one DES defines for them.
TEST(TripleDesOfbCipher, WeakKeysAreUsedAsGiven) {
  EXPECT_EQ(Hex(Cipher("0101010101010101fefefefefefefefe1f1f1f1f0e0e0e0e", kIv, kFox)),
            "bb710558205ef4311efe27bd902dae15774ba1d7d85205007c6bd69a66be31afde83bff3738ba10e574a77");
}

TEST(TripleDesOfbCipher, OutputMayBeTheInput) {
  unsigned char key[kTripleDesKeyBytes];
  unsigned char iv[kDesBlockBytes];
  FromHex(kKey, key);
  FromHex(kIv, iv);
  std::string text = kFox;
  ASSERT_TRUE(TripleDesOfbCipher(key, iv, &text[0], text.size(), &text[0]));
  EXPECT_EQ(Hex(text), kFoxCipher);
}

TEST(TripleDesOfbCipher, EmptyTextGivesEmptyCipher) {
  EXPECT_EQ(Cipher(kKey, kIv, ""), "");
}
