#include "package/work_folders.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <regex>

#include "net/update_helper.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

class WorkFolders : public ::testing::Test {
 protected:
  void SetUp() override { temp.MakeCurrent(); }
  void TearDown() override {
    std::error_code error;
    if (!g_updateHelper.m_workFolder.empty()) fs::remove_all(g_updateHelper.m_workFolder, error);
  }
  TempFolder temp;
};

TEST_F(WorkFolders, WorkFolderIsNumberedUnderRoamingDataAndRemovedWithItsContents) {
  CreateWorkFolder();
  const std::wstring folder = g_updateHelper.m_workFolder;
  EXPECT_TRUE(std::regex_match(folder, std::wregex(std::regex_replace(RoamingFolder(), std::wregex(LR"(\\)"), LR"(\\)") +
                                                   LR"(\\TavoraInstaller\d+\\)")))
      << folder;
  EXPECT_TRUE(fs::is_directory(folder));
  fs::create_directories(folder + L"sub");
  WriteFileBytes(folder + L"sub\\module.dll", "bytes");
  WriteFileBytes(folder + L"module.dll.gz", "bytes");

  RemoveWorkFolder();
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_FALSE(fs::exists(temp / "quill.log")) << "success is not logged";
}

TEST_F(WorkFolders, RemovingAFolderNeverCreatedDoesNothing) {
  g_updateHelper.m_workFolder = (temp / "never-created\\").wstring();
  RemoveWorkFolder();
  EXPECT_FALSE(fs::exists(temp / "quill.log"));
}

TEST_F(WorkFolders, FolderWithAnOpenFileStaysAndIsLogged) {
  CreateWorkFolder();
  const std::wstring file = g_updateHelper.m_workFolder + L"busy.gz";
  WriteFileBytes(file, "in use");
  HANDLE open = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  RemoveWorkFolder();
  CloseHandle(open);
  EXPECT_TRUE(fs::exists(file));
  EXPECT_NE(ReadFileBytes(temp / "quill.log").find(" dbg boost::filesystem::remove_all error : "),
            std::string::npos);
}

TEST_F(WorkFolders, FixedFoldersLiveInTheUsersDataFolders) {
  const std::wstring local = LocalBaseFolder();
  ASSERT_FALSE(local.empty());
  EXPECT_EQ(local.back(), L'\\');
  EXPECT_EQ(InstallFolder(), local + L"Quillmor\\TavoraStudent\\");
  EXPECT_EQ(InstalledClientPath(), local + L"Quillmor\\TavoraStudent\\TavoraStudent.exe");
  EXPECT_EQ(UnZipFolder(), RoamingFolder() + L"\\TavoraInstaller\\UnZipFolder\\");
  EXPECT_EQ(ClientDataFolder(), RoamingFolder() + L"\\Tavora\\TavoraStudent");
}

TEST_F(WorkFolders, EnsureFolderCreatesMissingParents) {
  const fs::path nested = temp / "a" / "b" / "c";
  EnsureFolder(nested.wstring() + L"\\");
  EXPECT_TRUE(fs::is_directory(nested));
  EnsureFolder(nested.wstring());
  EXPECT_TRUE(fs::is_directory(nested));
}

}  // namespace
