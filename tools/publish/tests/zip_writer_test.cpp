#include "zip_writer.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "tool_runner.h"

namespace {

class ZipWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFileBytes(temp / "a.txt", std::string(50000, 'a') + "end");
    WriteFileBytes(temp / "empty.dat", "");
    std::string binary;
    for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 131) ^ (i >> 3));
    WriteFileBytes(temp / "b.bin", binary);
  }

  std::string Write(ZipWriter::Method method) {
    const std::string path = (temp / "out.zip").string();
    ZipWriter zip;
    std::string error;
    EXPECT_TRUE(zip.Open(path, error)) << error;
    EXPECT_TRUE(zip.AddFolder("Top/", 1700000000, error)) << error;
    EXPECT_TRUE(zip.AddFile("Top/a.txt", temp / "a.txt", method, error)) << error;
    EXPECT_TRUE(zip.AddFolder("Top/sub/", 1700000000, error)) << error;
    EXPECT_TRUE(zip.AddFile("Top/sub/b.bin", temp / "b.bin", method, error)) << error;
    EXPECT_TRUE(zip.AddFile("Top/sub/empty.dat", temp / "empty.dat", method, error)) << error;
    EXPECT_TRUE(zip.AddFile("Top/\xe8\xaf\xb4\xe6\x98\x8e.txt", temp / "a.txt", method, error)) << error;
    EXPECT_TRUE(zip.Finish(error)) << error;
    return path;
  }

  void ExpectUnzipsToTheOriginals(const std::string& zipPath) {
    const CommandResult test = RunCommand("unzip -t " + Quoted(zipPath));
    EXPECT_EQ(test.exitCode, 0) << test.output;
    const CommandResult names = RunCommand("unzip -Z1 " + Quoted(zipPath));
    EXPECT_EQ(names.output,
              "Top/\nTop/a.txt\nTop/sub/\nTop/sub/b.bin\nTop/sub/empty.dat\nTop/\xe8\xaf\xb4\xe6\x98\x8e.txt\n");
    const std::string into = (temp / "unpacked").string();
    ASSERT_EQ(RunCommand("unzip -q " + Quoted(zipPath) + " -d " + Quoted(into)).exitCode, 0);
    EXPECT_EQ(ReadFileBytes(temp / "unpacked/Top/a.txt"), ReadFileBytes(temp / "a.txt"));
    EXPECT_EQ(ReadFileBytes(temp / "unpacked/Top/sub/b.bin"), ReadFileBytes(temp / "b.bin"));
    EXPECT_TRUE(std::filesystem::exists(temp / "unpacked/Top/sub/empty.dat"));
    EXPECT_EQ(ReadFileBytes(temp / "unpacked/Top/\xe8\xaf\xb4\xe6\x98\x8e.txt"), ReadFileBytes(temp / "a.txt"));
  }

  TempFolder temp;
};

}  // namespace

TEST_F(ZipWriterTest, DeflatedArchiveUnzipsToTheOriginals) {
  const std::string path = Write(ZipWriter::Method::kDeflate);
  ExpectUnzipsToTheOriginals(path);
  const CommandResult listing = RunCommand("unzip -v " + Quoted(path));
  EXPECT_NE(listing.output.find("Defl:N"), std::string::npos) << listing.output;
  EXPECT_LT(std::filesystem::file_size(path), 50000u + 70000u);
}

TEST_F(ZipWriterTest, StoredArchiveUnzipsToTheOriginals) {
  const std::string path = Write(ZipWriter::Method::kStore);
  ExpectUnzipsToTheOriginals(path);
  const CommandResult listing = RunCommand("unzip -v " + Quoted(path));
  EXPECT_EQ(listing.output.find("Defl:N"), std::string::npos) << listing.output;
  EXPECT_NE(listing.output.find("Stored"), std::string::npos) << listing.output;
}

TEST_F(ZipWriterTest, EmptyArchiveIsValid) {
  const std::string path = (temp / "empty.zip").string();
  ZipWriter zip;
  std::string error;
  ASSERT_TRUE(zip.Open(path, error));
  ASSERT_TRUE(zip.Finish(error));
  EXPECT_EQ(ReadFileBytes(path), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
}

TEST_F(ZipWriterTest, UnusableNamesAreRefused) {
  ZipWriter zip;
  std::string error;
  ASSERT_TRUE(zip.Open(temp / "bad.zip", error));
  EXPECT_FALSE(zip.AddFile("/abs.txt", temp / "a.txt", ZipWriter::Method::kStore, error));
  EXPECT_FALSE(zip.AddFile("a\\b.txt", temp / "a.txt", ZipWriter::Method::kStore, error));
  EXPECT_FALSE(zip.AddFile("", temp / "a.txt", ZipWriter::Method::kStore, error));
  EXPECT_FALSE(zip.AddFile("missing.txt", temp / "missing.txt", ZipWriter::Method::kStore, error));
  EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
}
