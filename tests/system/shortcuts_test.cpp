#include <windows.h>
#include <objidl.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "package/aftermath_helper.h"
#include "package/work_folders.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using Microsoft::WRL::ComPtr;

namespace {

struct Shortcut {
  HRESULT loaded = E_FAIL;
  std::wstring target, arguments, workingFolder, iconPath, description;
  int iconIndex = -1;
};

Shortcut ReadShortcut(const fs::path& linkPath) {
  Shortcut shortcut;
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(link.GetAddressOf())))) {
    return shortcut;
  }
  ComPtr<IPersistFile> file;
  if (FAILED(link.As(&file))) return shortcut;
  shortcut.loaded = file->Load(linkPath.c_str(), STGM_READ);
  if (FAILED(shortcut.loaded)) return shortcut;
  wchar_t text[1024];
  text[0] = 0;
  link->GetPath(text, 1024, nullptr, SLGP_RAWPATH);
  shortcut.target = text;
  text[0] = 0;
  link->GetArguments(text, 1024);
  shortcut.arguments = text;
  text[0] = 0;
  link->GetWorkingDirectory(text, 1024);
  shortcut.workingFolder = text;
  text[0] = 0;
  link->GetIconLocation(text, 1024, &shortcut.iconIndex);
  shortcut.iconPath = text;
  text[0] = 0;
  link->GetDescription(text, 1024);
  shortcut.description = text;
  return shortcut;
}

class Shortcuts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    RemoveInstalledShortcuts();
    ASSERT_FALSE(fs::exists(makerFolder)) << "left over from elsewhere";
    installFolder = MakeInstallFolder("Install Folder");
  }
  void TearDown() override {
    RemoveInstalledShortcuts();
    CoUninitialize();
  }

  void RemoveInstalledShortcuts() {
    std::error_code error;
    fs::remove(desktopShortcut, error);
    fs::remove_all(makerFolder, error);
  }

  // An installed client's folder (ending in "\") holding the two programs.
  std::wstring MakeInstallFolder(const std::string& name) {
    const fs::path folder = temp / name;
    fs::create_directories(folder);
    WriteFileBytes(folder / "TavoraStudent.exe", "MZ client");
    WriteFileBytes(folder / "TavoraStudentInstaller.exe", "MZ installer");
    return folder.wstring() + L"\\";
  }

  TempFolder temp;
  std::wstring installFolder;
  const fs::path desktopShortcut = fs::path(ShellFolder(CSIDL_DESKTOPDIRECTORY)) / L"Qelvo.lnk";
  const fs::path makerFolder = fs::path(ShellFolder(CSIDL_PROGRAMS)) / L"Quillnet";
  const fs::path programShortcut = makerFolder / L"Qelvo" / L"Qelvo.lnk";
  const fs::path uninstallShortcut = makerFolder / L"Qelvo" / L"卸载Qelvo.lnk";
  CAftermathHelper helper;
};

TEST_F(Shortcuts, DesktopShortcutStartsTheClientWithADescription) {
  helper.CreateShortcuts(installFolder);

  const Shortcut desktop = ReadShortcut(desktopShortcut);
  ASSERT_EQ(desktop.loaded, S_OK);
  EXPECT_EQ(desktop.target, installFolder + L"TavoraStudent.exe");
  EXPECT_EQ(desktop.arguments, L"");
  EXPECT_EQ(desktop.workingFolder + L"\\", installFolder);
  EXPECT_EQ(desktop.iconPath, installFolder + L"TavoraStudent.exe");
  EXPECT_EQ(desktop.iconIndex, 0);
  EXPECT_EQ(desktop.description, L"Qelvo");
}

TEST_F(Shortcuts, StartMenuFolderIsCreatedWithTheProgramAndUninstallShortcuts) {
  helper.CreateShortcuts(installFolder);

  const Shortcut program = ReadShortcut(programShortcut);
  ASSERT_EQ(program.loaded, S_OK);
  EXPECT_EQ(program.target, installFolder + L"TavoraStudent.exe");
  EXPECT_EQ(program.arguments, L"");
  EXPECT_EQ(program.workingFolder + L"\\", installFolder);
  EXPECT_EQ(program.iconPath, installFolder + L"TavoraStudent.exe");
  EXPECT_EQ(program.iconIndex, 0);
  EXPECT_EQ(program.description, L"");

  const Shortcut uninstall = ReadShortcut(uninstallShortcut);
  ASSERT_EQ(uninstall.loaded, S_OK);
  EXPECT_EQ(uninstall.target, installFolder + L"TavoraStudentInstaller.exe");
  EXPECT_EQ(uninstall.arguments, L"uninstall");
  EXPECT_EQ(uninstall.workingFolder + L"\\", installFolder);
  EXPECT_EQ(uninstall.iconPath, installFolder + L"TavoraStudentInstaller.exe");
  EXPECT_EQ(uninstall.iconIndex, 0);
  EXPECT_EQ(uninstall.description, L"");

  int entries = 0;
  for (const auto& entry : fs::directory_iterator(makerFolder / L"Qelvo")) entries += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(entries, 2);
}

TEST_F(Shortcuts, SecondInstallRewritesTheShortcutsInPlace) {
  helper.CreateShortcuts(installFolder);
  const std::wstring secondFolder = MakeInstallFolder("Second Install");
  helper.CreateShortcuts(secondFolder);

  EXPECT_EQ(ReadShortcut(desktopShortcut).target, secondFolder + L"TavoraStudent.exe");
  EXPECT_EQ(ReadShortcut(programShortcut).workingFolder + L"\\", secondFolder);
  EXPECT_EQ(ReadShortcut(uninstallShortcut).target, secondFolder + L"TavoraStudentInstaller.exe");
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(makerFolder / L"Qelvo")) entries += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(entries, 2);
}

TEST_F(Shortcuts, WorkingFolderEndsBeforeTheLastRunOfSeparators) {
  const fs::path link = temp / "doubled.lnk";
  const std::wstring folder = (temp / "Install Folder").wstring();
  EXPECT_EQ(helper.CreateShortcut(link.wstring(), folder + L"\\\\TavoraStudent.exe", nullptr, nullptr), S_OK);
  EXPECT_EQ(ReadShortcut(link).workingFolder, folder);
}

TEST_F(Shortcuts, ShortcutInAMissingFolderFailsAndWritesNothing) {
  const fs::path link = temp / "missing" / "Qelvo.lnk";
  EXPECT_TRUE(FAILED(helper.CreateShortcut(link.wstring(), installFolder + L"TavoraStudent.exe", nullptr, L"Qelvo")));
  EXPECT_FALSE(fs::exists(link));
}

}  // namespace
