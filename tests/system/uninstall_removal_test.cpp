#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "package/aftermath_helper.h"
#include "package/work_folders.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// Files and folders in temporary folders of the test's own: no shared location.
class FolderTreeRemoval : public ::testing::Test {
 protected:
  fs::path MakeTree() {
    const fs::path root = temp / "Tree With Blanks";
    fs::create_directories(root / "locales" / "zh-CN");
    fs::create_directories(root / "empty");
    WriteFileBytes(root / "TavoraStudent.exe", "MZ");
    WriteFileBytes(root / "module.dll", "MZ");
    WriteFileBytes(root / "locales" / "zh-CN" / "strings.json", "{}");
    WriteFileBytes(root / "locales" / "index.txt", "zh-CN");
    return root;
  }
  TempFolder temp;
  CAftermathHelper helper;
};

TEST_F(FolderTreeRemoval, FolderGoesWithEverythingInIt) {
  const fs::path root = MakeTree();
  helper.RemoveFolderTree(root.wstring() + L"\\");
  EXPECT_FALSE(fs::exists(root));
  EXPECT_TRUE(fs::exists(temp.path())) << "the parent stays";
}

TEST_F(FolderTreeRemoval, FolderNamedWithoutFinalSeparatorGoesToo) {
  const fs::path root = MakeTree();
  helper.RemoveFolderTree(root.wstring());
  EXPECT_FALSE(fs::exists(root));
}

TEST_F(FolderTreeRemoval, ReadOnlyFilesAndFoldersGoToo) {
  const fs::path root = MakeTree();
  ASSERT_TRUE(SetFileAttributesW((root / "module.dll").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesW((root / "locales" / "zh-CN" / "strings.json").c_str(), FILE_ATTRIBUTE_READONLY));
  helper.RemoveFolderTree(root.wstring());
  EXPECT_FALSE(fs::exists(root));
}

TEST_F(FolderTreeRemoval, FileInUseStaysWithItsFoldersWhileEverythingElseGoes) {
  const fs::path root = MakeTree();
  const fs::path busy = root / "locales" / "zh-CN" / "busy.dll";
  WriteFileBytes(busy, "in use");
  HANDLE open = CreateFileW(busy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  helper.RemoveFolderTree(root.wstring() + L"\\");
  CloseHandle(open);

  EXPECT_TRUE(fs::exists(busy));
  EXPECT_FALSE(fs::exists(root / "locales" / "zh-CN" / "strings.json"));
  EXPECT_FALSE(fs::exists(root / "locales" / "index.txt"));
  EXPECT_FALSE(fs::exists(root / "module.dll"));
  EXPECT_FALSE(fs::exists(root / "TavoraStudent.exe"));
  EXPECT_FALSE(fs::exists(root / "empty"));
}

TEST_F(FolderTreeRemoval, MissingFolderIsNoError) {
  helper.RemoveFolderTree((temp / "never-created").wstring() + L"\\");
  EXPECT_FALSE(fs::exists(temp / "never-created"));
  EXPECT_TRUE(fs::exists(temp.path()));
}

TEST_F(FolderTreeRemoval, RelativePathIsNeverRemoved) {
  temp.MakeCurrent();
  const fs::path root = MakeTree();
  helper.RemoveFolderTree(L"Tree With Blanks\\");
  helper.RemoveFolderTree(L"\\" + fs::relative(root, root.root_path()).wstring());  // rooted on the current drive
  EXPECT_TRUE(fs::exists(root / "module.dll"));
}

// The user's desktop, Start menu, client data folder and uninstall key: shared locations.
class UninstallRemoval : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code error;
    fs::remove(desktopShortcut, error);
    fs::remove_all(makerFolder, error);
  }
  void TearDown() override {
    std::error_code error;
    fs::remove(desktopShortcut, error);
    fs::remove_all(makerFolder, error);
    SHDeleteKeyW(HKEY_CURRENT_USER, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TavoraStudent");
    SHDeleteKeyW(HKEY_CURRENT_USER, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TavoraTestOther");
  }

  void MakeShortcutFiles() {
    fs::create_directories(makerFolder / L"Qelvo");
    WriteFileBytes(desktopShortcut, "link");
    WriteFileBytes(makerFolder / L"Qelvo" / L"Qelvo.lnk", "link");
    WriteFileBytes(makerFolder / L"Qelvo" / L"卸载Qelvo.lnk", "link");
  }

  const fs::path desktopShortcut = fs::path(ShellFolder(CSIDL_DESKTOPDIRECTORY)) / L"Qelvo.lnk";
  const fs::path makerFolder = fs::path(ShellFolder(CSIDL_PROGRAMS)) / L"Quillnet";
  CAftermathHelper helper;
};

TEST_F(UninstallRemoval, ShortcutsAndTheEmptiedMakersFolderGo) {
  MakeShortcutFiles();
  helper.RemoveShortcuts();
  EXPECT_FALSE(fs::exists(desktopShortcut));
  EXPECT_FALSE(fs::exists(makerFolder));
  EXPECT_TRUE(fs::exists(ShellFolder(CSIDL_PROGRAMS)));
}

TEST_F(UninstallRemoval, AnotherProductsEntriesKeepTheMakersFolder) {
  MakeShortcutFiles();
  fs::create_directories(makerFolder / L"Other Product");
  WriteFileBytes(makerFolder / L"Other Product" / L"Other.lnk", "link");
  WriteFileBytes(makerFolder / L"Manual.url", "link");

  helper.RemoveShortcuts();
  EXPECT_FALSE(fs::exists(desktopShortcut));
  EXPECT_FALSE(fs::exists(makerFolder / L"Qelvo"));
  EXPECT_TRUE(fs::exists(makerFolder / L"Other Product" / L"Other.lnk"));
  EXPECT_TRUE(fs::exists(makerFolder / L"Manual.url"));
}

TEST_F(UninstallRemoval, StartMenuShortcutsGoWhenTheDesktopShortcutWasDeletedEarlier) {
  MakeShortcutFiles();
  fs::remove(desktopShortcut);
  helper.RemoveShortcuts();
  EXPECT_FALSE(fs::exists(makerFolder));
}

TEST_F(UninstallRemoval, ClientDataFolderGoesWithItsSettingsAndCache) {
  const fs::path data = ClientDataFolder();
  fs::create_directories(data / "Cache" / "img");
  WriteFileBytes(data / "config.xml", "<config/>");
  WriteFileBytes(data / "Cache" / "img" / "a.png", "png");

  helper.RemoveClientDataFolder();
  EXPECT_FALSE(fs::exists(data));
  EXPECT_TRUE(fs::exists(data.parent_path())) << "the maker's data folder stays";
  std::error_code error;
  fs::remove(data.parent_path(), error);  // created by this test when it was missing
}

TEST_F(UninstallRemoval, UninstallEntryGoesWithItsSubKeysAndOtherEntriesStay) {
  const std::wstring base = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  helper.WriteRegistryString(base + L"TavoraStudent", L"DisplayName", L"Qelvo");
  helper.WriteRegistryString(base + L"TavoraStudent\\Extra", L"Note", L"nested");
  helper.WriteRegistryString(base + L"TavoraTestOther", L"DisplayName", L"Other");

  helper.DeleteUninstallEntry();
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (base + L"TavoraStudent").c_str(), 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (base + L"TavoraTestOther").c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
}

}  // namespace
