#include "base/file_system.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

class FileSystem : public ::testing::Test {
 protected:
  TempFolder temp;
};

TEST_F(FileSystem, TellsFilesFromFoldersAndKnowsTheSizeOfFiles) {
  WriteFileBytes(temp / "five.txt", "12345");
  uint64_t size = 0;
  EXPECT_TRUE(PathExists(temp / "five.txt"));
  EXPECT_TRUE(IsRegularFile(temp / "five.txt"));
  ASSERT_TRUE(RegularFileSize(temp / "five.txt", size));
  EXPECT_EQ(size, 5u);

  EXPECT_TRUE(PathExists(temp.path()));
  EXPECT_FALSE(IsRegularFile(temp.path()));
  EXPECT_FALSE(RegularFileSize(temp.path(), size));

  EXPECT_FALSE(PathExists(temp / "missing"));
  EXPECT_FALSE(IsRegularFile(temp / "missing"));
  EXPECT_FALSE(RegularFileSize(temp / "missing", size));
}

TEST_F(FileSystem, CreateFoldersMakesEveryMissingFolderOnTheWay) {
  const fs::path nested = temp / "a" / "b" / "c";
  EXPECT_TRUE(CreateFolders(nested));
  EXPECT_TRUE(fs::is_directory(nested));
  EXPECT_TRUE(CreateFolders(nested)) << "a folder that is there already";
  const auto separator = static_cast<NativePath::value_type>(fs::path::preferred_separator);
  EXPECT_TRUE(CreateFolders(nested.native() + separator));
}

TEST_F(FileSystem, CreateFoldersRefusesAPathThroughAFileAndSaysWhy) {
  WriteFileBytes(temp / "file", "not a folder");
  std::string failure;
  EXPECT_FALSE(CreateFolders(temp / "file" / "sub", &failure));
  EXPECT_EQ(failure.rfind("filesystem error: cannot create directories: ", 0), 0u) << failure;
  EXPECT_NE(failure.find("sub]"), std::string::npos) << failure;
  failure.clear();
  EXPECT_FALSE(CreateFolders(temp / "file", &failure));
  EXPECT_FALSE(failure.empty());
  EXPECT_FALSE(CreateFolders(NativePath()));
}

TEST_F(FileSystem, RemoveTreeRemovesAFolderWithEverythingInIt) {
  fs::create_directories(temp / "tree" / "sub" / "deeper");
  WriteFileBytes(temp / "tree" / "top.gz", "a");
  WriteFileBytes(temp / "tree" / "sub" / "deeper" / "module.dll", "b");
  const auto separator = static_cast<NativePath::value_type>(fs::path::preferred_separator);
  EXPECT_TRUE(RemoveTree((temp / "tree").native() + separator)) << "a folder named with a separator at its end";
  EXPECT_FALSE(fs::exists(temp / "tree"));
  EXPECT_TRUE(fs::exists(temp.path()));

  WriteFileBytes(temp / "single", "c");
  EXPECT_TRUE(RemoveTree(temp / "single"));
  EXPECT_FALSE(fs::exists(temp / "single"));
  EXPECT_TRUE(RemoveTree(temp / "never-there")) << "nothing there is nothing to remove";
}

#ifdef _WIN32
TEST_F(FileSystem, RemoveTreeStopsAtAFileHeldOpenAndNamesIt) {
  fs::create_directories(temp / "work");
  WriteFileBytes(temp / "work" / "busy.gz", "in use");
  const std::wstring busy = (temp / "work" / "busy.gz").wstring();
  HANDLE open = CreateFileW(busy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  std::string failure;
  EXPECT_FALSE(RemoveTree(temp / "work", &failure));
  CloseHandle(open);
  EXPECT_TRUE(fs::exists(busy));
  EXPECT_EQ(failure.rfind("filesystem error: cannot remove all: ", 0), 0u) << failure;
  EXPECT_NE(failure.find("busy.gz]"), std::string::npos) << failure;
}
#endif

}  // namespace
