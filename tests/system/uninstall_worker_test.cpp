#include "system/uninstall_worker.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "package/aftermath_helper.h"
#include "package/work_folders.h"
#include "stand_in_client.h"
#include "support/temp_folder.h"
#include "system/uninstall_messages.h"

namespace fs = std::filesystem;
using ::testing::ElementsAre;

namespace {

const wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TavoraStudent";

bool UninstallKeyExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// What the worker told its window, in order: 0 for the switch to the removing state,
// percentages, and -1 for done.
struct RecordedWindow {
  std::vector<int> events;
  std::function<void(unsigned int)> onProgress;

  UninstallWindowPort Port() {
    UninstallWindowPort port;
    port.enterProgressState = [this] { events.push_back(0); };
    port.postProgress = [this](unsigned int percent) {
      events.push_back(static_cast<int>(percent));
      if (onProgress) onProgress(percent);
    };
    port.postDone = [this] { events.push_back(-1); };
    return port;
  }
};

// The client as installed: its folder under the user's local data with programs, modules
// and sub-folders, shortcuts, the uninstall entry and the client's own data folder.
class UninstallWorker : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    RemoveEverything();
  }
  void TearDown() override {
    RemoveEverything();
    CoUninitialize();
  }

  void RemoveEverything() {
    std::error_code error;
    fs::remove_all(installFolder, error);
    fs::remove_all(dataFolder, error);
    fs::remove(desktopShortcut, error);
    fs::remove_all(makerFolder, error);
    SHDeleteKeyW(HKEY_CURRENT_USER, kUninstallKey);
  }

  void Install() {
    fs::create_directories(installFolder / "locales" / "zh-CN");
    fs::copy_file(StandInClientPath(), installFolder / "TavoraStudent.exe");
    WriteFileBytes(installFolder / "TavoraStudentInstaller.exe", "MZ installer");
    WriteFileBytes(installFolder / "module.dll", "MZ module");
    WriteFileBytes(installFolder / "config.ini", "[client]");
    WriteFileBytes(installFolder / "locales" / "zh-CN" / "strings.json", "{}");
    helper.CreateShortcuts(installFolder.wstring());
    helper.WriteUninstallEntry(installFolder.wstring(), L"1,2,0,0");
    fs::create_directories(dataFolder / "Cache");
    WriteFileBytes(dataFolder / "config.xml", "<config/>");
    WriteFileBytes(dataFolder / "Cache" / "page.html", "<html/>");
  }

  bool AnythingInstalledLeft() {
    return fs::exists(installFolder) || fs::exists(dataFolder) || fs::exists(desktopShortcut) ||
           fs::exists(makerFolder / L"Qelvo") || UninstallKeyExists();
  }

  const fs::path installFolder = InstallFolder();
  const fs::path dataFolder = ClientDataFolder();
  const fs::path desktopShortcut = fs::path(ShellFolder(CSIDL_DESKTOPDIRECTORY)) / L"Qelvo.lnk";
  const fs::path makerFolder = fs::path(ShellFolder(CSIDL_PROGRAMS)) / L"Quillnet";
  CAftermathHelper helper;
  RecordedWindow window;
};

TEST_F(UninstallWorker, RemovesEverythingInstalledBetweenTheTwoHalvesOfTheSchedule) {
  Install();
  fs::create_directories(makerFolder / L"Other Product");
  WriteFileBytes(makerFolder / L"Other Product" / L"Other.lnk", "another product's shortcut");
  ASSERT_TRUE(fs::exists(desktopShortcut));
  ASSERT_TRUE(fs::exists(makerFolder / L"Qelvo" / L"卸载Qelvo.lnk"));
  ASSERT_TRUE(UninstallKeyExists());
  StandInClient client((installFolder / "TavoraStudent.exe").wstring());
  ASSERT_TRUE(client.Running());

  bool installedAt45 = false;
  bool runningAt45 = false;
  bool installedAt50 = true;
  bool runningAt50 = true;
  window.onProgress = [&](unsigned int percent) {
    if (percent == 45) {
      installedAt45 = fs::exists(installFolder / "module.dll") && UninstallKeyExists() && fs::exists(dataFolder);
      runningAt45 = client.Running();
    } else if (percent == 50) {
      installedAt50 = AnythingInstalledLeft();
      runningAt50 = client.Running();
    }
  };
  RunUninstallWorker(helper, LocalBaseFolder(), window.Port());

  EXPECT_TRUE(installedAt45 && runningAt45) << "nothing is touched before 45 percent";
  EXPECT_FALSE(installedAt50) << "everything is gone by 50 percent";
  EXPECT_FALSE(runningAt50);
  EXPECT_EQ(client.ExitCode(), 1u) << "terminated";

  EXPECT_FALSE(fs::exists(installFolder));
  EXPECT_TRUE(fs::exists(installFolder.parent_path().parent_path())) << "the maker's folder under local data stays";
  EXPECT_FALSE(fs::exists(dataFolder));
  EXPECT_FALSE(fs::exists(desktopShortcut));
  EXPECT_FALSE(fs::exists(makerFolder / L"Qelvo"));
  EXPECT_TRUE(fs::exists(makerFolder / L"Other Product" / L"Other.lnk"));
  EXPECT_FALSE(UninstallKeyExists());
  EXPECT_THAT(window.events, ElementsAre(0, 5, 10, 20, 30, 40, 45, 50, 60, 70, 80, 90, 100, -1));
}

TEST_F(UninstallWorker, NothingInstalledStillRunsTheWholeSchedule) {
  ASSERT_FALSE(AnythingInstalledLeft());
  const auto start = std::chrono::steady_clock::now();
  RunUninstallWorker(helper, LocalBaseFolder(), window.Port());
  const auto elapsed = std::chrono::steady_clock::now() - start;

  EXPECT_THAT(window.events, ElementsAre(0, 5, 10, 20, 30, 40, 45, 50, 60, 70, 80, 90, 100, -1));
  EXPECT_GE(elapsed, std::chrono::milliseconds(12 * 100 + 200 - 30));  // timer granularity
  EXPECT_FALSE(AnythingInstalledLeft());
}

TEST_F(UninstallWorker, ClientFilesInUseStayWhileTheRestGoes) {
  Install();
  const fs::path busy = installFolder / "locales" / "zh-CN" / "strings.json";
  HANDLE open = CreateFileW(busy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  RunUninstallWorker(helper, LocalBaseFolder(), window.Port());
  CloseHandle(open);

  EXPECT_TRUE(fs::exists(busy));
  EXPECT_FALSE(fs::exists(installFolder / "module.dll"));
  EXPECT_FALSE(fs::exists(installFolder / "TavoraStudent.exe"));
  EXPECT_FALSE(fs::exists(dataFolder));
  EXPECT_FALSE(fs::exists(desktopShortcut));
  EXPECT_FALSE(UninstallKeyExists()) << "the entry leaves the list of installed programs";
  EXPECT_EQ(window.events.back(), -1);
}

TEST_F(UninstallWorker, EmptyBaseFolderRemovesNoInstallFolder) {
  Install();
  TempFolder temp;
  temp.MakeCurrent();
  fs::create_directories(temp / "Quillmor" / "TavoraStudent");
  WriteFileBytes(temp / "Quillmor" / "TavoraStudent" / "keep.txt", "not an installation");
  RunUninstallWorker(helper, L"", window.Port());
  EXPECT_TRUE(fs::exists(temp / "Quillmor" / "TavoraStudent" / "keep.txt"));
  EXPECT_TRUE(fs::exists(installFolder / "module.dll"));
  EXPECT_FALSE(UninstallKeyExists());
}

// The port that the uninstall window uses: real posted messages on a real window's queue.
TEST_F(UninstallWorker, PostsProgressAndDoneToTheWindow) {
  HWND target = CreateWindowExW(0, L"STATIC", L"uninstall window", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(target, nullptr);
  constexpr UINT kEnterProgressState = WM_APP + 1;
  std::thread worker([&] {
    RunUninstallWorker(helper, LocalBaseFolder(),
                       PostingUninstallPort(target, [target] { PostMessageW(target, kEnterProgressState, 0, 0); }));
  });

  std::vector<int> events;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  bool done = false;
  while (!done && std::chrono::steady_clock::now() < deadline) {
    MSG message;
    if (!PeekMessageW(&message, target, 0, 0, PM_REMOVE)) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLPOSTMESSAGE);
      continue;
    }
    if (message.message == kEnterProgressState) {
      events.push_back(0);
    } else if (message.message == WM_UNINSTALL_PROGRESS) {
      events.push_back(static_cast<int>(message.wParam));
    } else if (message.message == WM_UNINSTALL_DONE) {
      EXPECT_EQ(message.wParam, 0u);
      events.push_back(-1);
      done = true;
    }
  }
  worker.join();
  DestroyWindow(target);

  EXPECT_EQ(WM_UNINSTALL_PROGRESS, 0x787u);
  EXPECT_EQ(WM_UNINSTALL_DONE, 0x788u);
  EXPECT_THAT(events, ElementsAre(0, 5, 10, 20, 30, 40, 45, 50, 60, 70, 80, 90, 100, -1));
}

}  // namespace
