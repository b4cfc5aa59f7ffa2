#include "gzip_file.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "tool_runner.h"

namespace {

std::string Sample(size_t size) {
  std::string bytes;
  uint32_t state = 99;
  while (bytes.size() < size) {
    state = state * 1664525u + 1013904223u;
    bytes += (state >> 28) < 8 ? "common words repeat " : std::string(1, static_cast<char>(state >> 20));
  }
  bytes.resize(size);
  return bytes;
}

}  // namespace

TEST(GzipFile, OutputExpandsWithGzipAndNamesItsOwnCheckValue) {
  TempFolder temp;
  const std::string original = Sample(3 * 1024 * 1024 + 17);
  WriteFileBytes(temp / "in.bin", original);
  GzipOutcome outcome;
  std::string error;
  ASSERT_TRUE(GzipFile(temp / "in.bin", temp / "out.gz", 6, outcome, error)) << error;
  const std::string gz = ReadFileBytes(temp / "out.gz");
  EXPECT_EQ(outcome.bytes, gz.size());
  EXPECT_LT(gz.size(), original.size());

  const CommandResult expanded = RunCommand("gzip -dc " + Quoted((temp / "out.gz").string()));
  ASSERT_EQ(expanded.exitCode, 0);
  EXPECT_EQ(expanded.output, original);
  const CommandResult digest = RunCommand("md5sum " + Quoted((temp / "out.gz").string()));
  ASSERT_EQ(digest.exitCode, 0);
  EXPECT_EQ(outcome.checkValue, digest.output.substr(8, 16));
}

TEST(GzipFile, EqualInputGivesEqualBytes) {
  TempFolder temp;
  WriteFileBytes(temp / "in.bin", Sample(100000));
  GzipOutcome first, second;
  std::string error;
  ASSERT_TRUE(GzipFile(temp / "in.bin", temp / "a.gz", 6, first, error));
  ASSERT_TRUE(GzipFile(temp / "in.bin", temp / "b.gz", 6, second, error));
  EXPECT_EQ(first.checkValue, second.checkValue);
  EXPECT_EQ(ReadFileBytes(temp / "a.gz"), ReadFileBytes(temp / "b.gz"));
}

TEST(GzipFile, EmptyFileGivesAnEmptyGzipStream) {
  TempFolder temp;
  WriteFileBytes(temp / "empty.ini", "");
  GzipOutcome outcome;
  std::string error;
  ASSERT_TRUE(GzipFile(temp / "empty.ini", temp / "empty.ini.gz", 6, outcome, error));
  EXPECT_GT(outcome.bytes, 0u);
  const CommandResult expanded = RunCommand("gzip -dc " + Quoted((temp / "empty.ini.gz").string()));
  EXPECT_EQ(expanded.exitCode, 0);
  EXPECT_EQ(expanded.output, "");
}

TEST(GzipFile, MissingSourceIsReported) {
  TempFolder temp;
  GzipOutcome outcome;
  std::string error;
  EXPECT_FALSE(GzipFile(temp / "missing.dll", temp / "out.gz", 6, outcome, error));
  EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
  EXPECT_NE(error.find("missing.dll"), std::string::npos) << error;
}

TEST(GzipFile, UnreadableSourceIsReported) {
  TempFolder temp;
  GzipOutcome outcome;
  std::string error;
  // Opening succeeds, reading fails: the kernel refuses reads of a process's own memory at 0.
  EXPECT_FALSE(GzipFile("/proc/self/mem", temp / "out.gz", 6, outcome, error));
  EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
}
