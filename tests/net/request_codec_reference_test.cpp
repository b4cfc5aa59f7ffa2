// The codec against the openssl and md5sum programs, run afresh on this machine.
#include "net/request_codec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "build_settings.h"
#include "net/request_codec_vectors.h"
#include "support/temp_folder.h"

namespace {

std::string HexOf(const unsigned char* bytes, size_t count) {
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (size_t i = 0; i < count; ++i) {
    hex += kHex[bytes[i] >> 4];
    hex += kHex[bytes[i] & 0x0F];
  }
  return hex;
}

// Output of a shell command; the test fails when the command does.
std::string CommandOutput(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return std::string();
  }
  std::string output;
  char block[4096];
  size_t read;
  while ((read = fread(block, 1, sizeof(block), pipe)) > 0) output.append(block, read);
  const int status = pclose(pipe);
  EXPECT_EQ(status, 0) << command;
  return output;
}

std::string OpenSslBase64(const TempFolder& temp, const std::string& keyHex, const std::string& plain) {
  const auto input = temp / "plain.bin";
  WriteFileBytes(input, plain);
  return CommandOutput("openssl enc -des-ede3-ofb -K " + keyHex + " -iv " + keyHex.substr(0, 16) +
                       " -in '" + input.string() + "' | base64 -w0");
}

std::string Md5sum(const TempFolder& temp, const std::string& text) {
  const auto input = temp / "text.bin";
  WriteFileBytes(input, text);
  return CommandOutput("md5sum < '" + input.string() + "'").substr(0, 32);
}

}  // namespace

TEST(RequestCodecReference, CommittedVectorsStillMatchOpenSsl) {
  TempFolder temp;
  for (const CipherVector& vector : kCipherVectors) {
    EXPECT_EQ(OpenSslBase64(temp, vector.keyHex, vector.plain), vector.base64) << vector.plain;
  }
  for (const DigestVector& vector : kDigestVectors) {
    EXPECT_EQ(Md5sum(temp, vector.text), vector.md5);
  }
}

TEST(RequestCodecReference, BuildKeyEncryptsLikeOpenSslForEveryLength) {
  TempFolder temp;
  const std::string keyHex = HexOf(settings::kDesKey, sizeof(settings::kDesKey));
  std::mt19937 random(20240501);
  for (size_t length : {0, 1, 7, 8, 9, 13, 15, 16, 17, 64, 255, 1000}) {
    std::string plain(length, '\0');
    for (char& c : plain) c = static_cast<char>(random());
    std::string cipher;
    ASSERT_TRUE(TripleDesOfb(plain, settings::kDesKey, cipher));
    EXPECT_EQ(Base64Encode(cipher), OpenSslBase64(temp, keyHex, plain)) << "length " << length;
    EXPECT_EQ(Md5HexOfBytes(plain), Md5sum(temp, plain)) << "length " << length;
  }
}
