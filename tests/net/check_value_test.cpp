#include "net/check_value.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "support/temp_folder.h"

namespace {

std::string CheckValueOf(const std::string& bytes) {
  CheckValueHasher hasher;
  hasher.Update(bytes.data(), bytes.size());
  return hasher.Finish();
}

// Bytes that differ all along, so that a misplaced block changes the digest.
std::string PatternBytes(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 12345;
  for (char& c : bytes) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 24);
  }
  return bytes;
}

}  // namespace

// Reference digests from RFC 1321's test suite; the check value is characters 9 to 24.
TEST(CheckValue, IsTheMiddleOfTheMd5Digest) {
  EXPECT_EQ(CheckValueOf(""), "8f00b204e9800998");                // d41d8cd9 8f00b204e9800998 ecf8427e
  EXPECT_EQ(CheckValueOf("abc"), "3cd24fb0d6963f7d");             // 90015098 3cd24fb0d6963f7d 28e17f72
  EXPECT_EQ(CheckValueOf("message digest"), "7cb7938d525a2f31");  // f96b697d 7cb7938d525a2f31 aaf161d0
}

TEST(CheckValue, PiecesGiveTheSameValueAsTheWhole) {
  const std::string bytes = PatternBytes(300000);
  CheckValueHasher hasher;
  for (size_t at = 0; at < bytes.size(); at += 777) hasher.Update(bytes.data() + at, std::min<size_t>(777, bytes.size() - at));
  EXPECT_EQ(hasher.Finish(), CheckValueOf(bytes));
}

TEST(CheckValue, FileValueEqualsTheValueOfItsBytes) {
  TempFolder temp;
  const std::string bytes = PatternBytes(200001);
  WriteFileBytes(temp / "a.gz", bytes);
  std::string value;
  ASSERT_TRUE(FileCheckValue((temp / "a.gz").string().c_str(), value));
  EXPECT_EQ(value, CheckValueOf(bytes));
  EXPECT_EQ(value.size(), 16u);
}

TEST(CheckValue, MissingFileHasNoValue) {
  TempFolder temp;
  std::string value = "unchanged";
  EXPECT_FALSE(FileCheckValue((temp / "missing.gz").string().c_str(), value));
  EXPECT_EQ(value, "unchanged");
}

TEST(CheckFileMd5, MatchingValueIsAccepted) {
  TempFolder temp;
  WriteFileBytes(temp / "abc.gz", "abc");
  EXPECT_TRUE(CheckFileMd5(temp / "abc.gz", L"3cd24fb0d6963f7d"));
}

TEST(CheckFileMd5, UpperCaseValueNeverMatches) {
  TempFolder temp;
  WriteFileBytes(temp / "abc.gz", "abc");
  EXPECT_FALSE(CheckFileMd5(temp / "abc.gz", L"3CD24FB0D6963F7D"));
}

TEST(CheckFileMd5, DifferentOrShorterValueIsRefused) {
  TempFolder temp;
  WriteFileBytes(temp / "abc.gz", "abc");
  EXPECT_FALSE(CheckFileMd5(temp / "abc.gz", L"3cd24fb0d6963f7e"));
  EXPECT_FALSE(CheckFileMd5(temp / "abc.gz", L"3cd24fb0d6963f7"));
  EXPECT_FALSE(CheckFileMd5(temp / "abc.gz", L""));
}

TEST(CheckFileMd5, MissingArchiveIsRefused) {
  TempFolder temp;
  EXPECT_FALSE(CheckFileMd5(temp / "missing.gz", L"8f00b204e9800998"));
  EXPECT_FALSE(CheckFileMd5(temp.path(), L"8f00b204e9800998"));
}

#ifndef _WIN32
// Against an independent tool: md5sum's digest, characters 9 to 24.
TEST(CheckValue, AgreesWithMd5sum) {
  TempFolder temp;
  WriteFileBytes(temp / "big.bin", PatternBytes(1 << 20));
  const std::string command = "md5sum '" + (temp / "big.bin").string() + "'";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char output[128] = {};
  ASSERT_NE(fgets(output, sizeof output, pipe), nullptr);
  ASSERT_EQ(pclose(pipe), 0);
  std::string value;
  ASSERT_TRUE(FileCheckValue((temp / "big.bin").string().c_str(), value));
  EXPECT_EQ(value, std::string(output).substr(8, 16));
}
#endif
