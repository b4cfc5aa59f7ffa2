#include "package/install_worker.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <vector>

#include "package/file_version.h"
#include "package/install_journal.h"
#include "support/temp_folder.h"
#include "support/zip_builder.h"

namespace fs = std::filesystem;

namespace {

// What the worker did to its window: close codes, register messages and failure reports, in order.
struct RecordingWindow {
  std::vector<std::string> calls;
  std::atomic<uint8_t> cancel{0};

  InstallWorkerWindow Bind() {
    InstallWorkerWindow window;
    window.cancelFlag = &cancel;
    window.closeWindow = [this](int code) { calls.push_back("close " + std::to_string(code)); };
    window.postInstallRegister = [this] { calls.push_back("WM_INSTALL_REGISTER"); };
    window.updateCommitted = [this](CInstallJournal&) { calls.push_back("update committed"); };
    window.failInstall = [this](const std::wstring& lines) {
      calls.push_back("failed: " + std::string(lines.begin(), lines.end()));
    };
    return window;
  }
};

class InstallWorker : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(temp / "work");
    folders.installFolder = (temp / "local" / "Quillmor" / "TavoraStudent").wstring() + L"\\";
    folders.fullPackageFolder = (temp / "roaming" / "TavoraInstaller").wstring() + L"\\";
    work = (temp / "work").wstring() + L"\\";
  }
  DownloadTask Downloaded(const std::wstring& installedName, const std::string& bytes) {
    WriteFileBytes(work + installedName, bytes);
    DownloadTask task;
    task.url = L"http://127.0.0.1/" + installedName + L".gz";
    task.archivePath = work + installedName + L".gz";
    task.checkValue = L"0123456789abcdef";
    return task;
  }
  std::string Installed(const std::wstring& relative) { return ReadFileBytes(folders.installFolder + relative); }

  TempFolder temp;
  std::wstring work;
  InstallWorkerFolders folders;
  RecordingWindow window;
  CInstallJournal journal;
};

std::string FullPackage() {
  return ZipBuilder()
      .Add("TavoraStudent/", "", false)
      .Add("TavoraStudent/TavoraStudent.exe", "packaged client")
      .Add("TavoraStudent/config.ini", "packaged config")
      .Add("TavoraStudent/locales/zh-CN/strings.ini", "packaged strings")
      .Build();
}

TEST_F(InstallWorker, ModuleRoadInstallsModulesAndClosesWithOne) {
  fs::create_directories(folders.installFolder);
  WriteFileBytes(folders.installFolder + L"TavoraCore.dll", "old core");
  const DownloadTaskList tasks{Downloaded(L"TavoraCore.dll", "new core"),
                               Downloaded(L"locales.zip", ZipBuilder().Add("locales/en-US/a.ini", "a").Build())};
  RunInstallWorker(false, tasks, folders, journal, window.Bind());
  EXPECT_EQ(window.calls, (std::vector<std::string>{"update committed", "close 1"}));
  EXPECT_EQ(Installed(L"TavoraCore.dll"), "new core");
  EXPECT_EQ(Installed(L"locales\\en-US\\a.ini"), "a");
  EXPECT_FALSE(fs::exists(folders.fullPackageFolder)) << "the module road never uses the unpack area";
}

TEST_F(InstallWorker, FullPackageRoadCopiesTheClientKeepsExistingFilesAndAsksForRegistration) {
  fs::create_directories(folders.installFolder);
  WriteFileBytes(folders.installFolder + L"config.ini", "user's config");
  RunInstallWorker(true, {Downloaded(L"TavoraStudent.zip", FullPackage())}, folders, journal, window.Bind());
  EXPECT_EQ(window.calls, std::vector<std::string>{"WM_INSTALL_REGISTER"});
  EXPECT_EQ(Installed(L"TavoraStudent.exe"), "packaged client");
  EXPECT_EQ(Installed(L"config.ini"), "user's config");
  EXPECT_EQ(Installed(L"locales\\zh-CN\\strings.ini"), "packaged strings");
  EXPECT_FALSE(fs::exists(folders.fullPackageFolder)) << "the unpack area is removed";
}

TEST_F(InstallWorker, FullPackageWithoutTheClientFolderFailsWithFour) {
  const std::string package = ZipBuilder().Add("Other/TavoraStudent.exe", "misplaced").Build();
  RunInstallWorker(true, {Downloaded(L"TavoraStudent.zip", package)}, folders, journal, window.Bind());
  EXPECT_EQ(window.calls, std::vector<std::string>{"failed: the full package holds no TavoraStudent folder\r\n"});
  EXPECT_FALSE(fs::exists(folders.installFolder + L"TavoraStudent.exe"));
  EXPECT_FALSE(fs::exists(folders.fullPackageFolder));
}

TEST_F(InstallWorker, UnreadableFullPackageFailsWithFour) {
  RunInstallWorker(true, {Downloaded(L"TavoraStudent.zip", "not a zip archive")}, folders, journal, window.Bind());
  EXPECT_EQ(window.calls, std::vector<std::string>{"failed: TavoraStudent.zip: the archive could not be opened\r\n"});
}

TEST_F(InstallWorker, CancelledFullPackageClosesWithTwoAndInstallsNothing) {
  window.cancel = 1;
  RunInstallWorker(true, {Downloaded(L"TavoraStudent.zip", FullPackage())}, folders, journal, window.Bind());
  EXPECT_EQ(window.calls, std::vector<std::string>{"close 2"});
  EXPECT_FALSE(fs::exists(folders.installFolder + L"TavoraStudent.exe"));
  EXPECT_FALSE(fs::exists(folders.fullPackageFolder));
}

TEST_F(InstallWorker, CancelledModuleRoadClosesWithTwoWithoutUnpacking) {
  window.cancel = 1;
  const DownloadTaskList tasks{Downloaded(L"locales.zip", ZipBuilder().Add("locales/a.ini", "a").Build())};
  RunInstallWorker(false, tasks, folders, journal, window.Bind());
  EXPECT_EQ(window.calls, std::vector<std::string>{"close 2"});
  EXPECT_FALSE(fs::exists(folders.installFolder + L"locales\\a.ini"));
}

TEST_F(InstallWorker, SampleClientFullPackageInstallsEveryFileWithItsVersion) {
  ZipBuilder package;
  for (const auto& entry : fs::directory_iterator(TAVORA_SAMPLE_RELEASE_NEW)) {
    package.Add("TavoraStudent/" + entry.path().filename().string(), ReadFileBytes(entry.path()));
  }
  RunInstallWorker(true, {Downloaded(L"TavoraStudent.zip", package.Build())}, folders, journal, window.Bind());
  EXPECT_EQ(window.calls, std::vector<std::string>{"WM_INSTALL_REGISTER"});
  for (const auto& entry : fs::directory_iterator(TAVORA_SAMPLE_RELEASE_NEW)) {
    EXPECT_EQ(Installed(entry.path().filename().wstring()), ReadFileBytes(entry.path())) << entry.path();
  }
  EXPECT_EQ(GetFileVersion(folders.installFolder + L"TavoraStudent.exe"), ParsePackageVersion(TAVORA_SAMPLE_NEW_VERSION));
}

TEST_F(InstallWorker, WorksWithoutACancelFlag) {
  InstallWorkerWindow bound = window.Bind();
  bound.cancelFlag = nullptr;
  RunInstallWorker(true, {Downloaded(L"TavoraStudent.zip", FullPackage())}, folders, journal, bound);
  EXPECT_EQ(window.calls, std::vector<std::string>{"WM_INSTALL_REGISTER"});
}

TEST_F(InstallWorker, WithoutAFailureReceiverAFailedInstallStillClosesWithFour) {
  InstallWorkerWindow bound = window.Bind();
  bound.failInstall = nullptr;
  RunInstallWorker(true, {Downloaded(L"TavoraStudent.zip", "not a zip archive")}, folders, journal, bound);
  EXPECT_EQ(window.calls, std::vector<std::string>{"close 4"});
}

TEST_F(InstallWorker, FullPackageWithARefusedItemInstallsNothingAndReportsTheItem) {
  const std::string package = ZipBuilder()
                                  .Add("TavoraStudent/TavoraStudent.exe", "packaged client")
                                  .Add("TavoraStudent/../../escaped.txt", "outside")
                                  .Build();
  RunInstallWorker(true, {Downloaded(L"TavoraStudent.zip", package)}, folders, journal, window.Bind());
  EXPECT_EQ(window.calls, std::vector<std::string>{"failed: TavoraStudent.zip item 1 \"TavoraStudent/../../escaped.txt\": "
                                                   "refused, its name leaves the target folder\r\n"});
  EXPECT_FALSE(fs::exists(folders.installFolder + L"TavoraStudent.exe"));
  EXPECT_FALSE(fs::exists(folders.fullPackageFolder));
}

TEST_F(InstallWorker, ModuleRoadWithALockedFilePutsBackEveryReplacedFileAndReportsIt) {
  fs::create_directories(folders.installFolder);
  WriteFileBytes(folders.installFolder + L"TavoraCore.dll", "old core");
  WriteFileBytes(folders.installFolder + L"TavoraStudent.exe", "old client");
  const DownloadTaskList tasks{Downloaded(L"TavoraCore.dll", "new core"), Downloaded(L"TavoraStudent.exe", "new client"),
                               Downloaded(L"TavoraNet.dll", "new net")};
  // Another program holds the client open without letting it be replaced.
  HANDLE busy = CreateFileW((folders.installFolder + L"TavoraStudent.exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(busy, INVALID_HANDLE_VALUE);
  RunInstallWorker(false, tasks, folders, journal, window.Bind());
  CloseHandle(busy);
  ASSERT_EQ(window.calls.size(), 1u);
  EXPECT_EQ(window.calls[0].rfind("failed: TavoraStudent.exe: could not be replaced, it may be in use (error ", 0), 0u)
      << window.calls[0];
  EXPECT_EQ(Installed(L"TavoraCore.dll"), "old core") << "the replaced module got its old content back";
  EXPECT_EQ(Installed(L"TavoraStudent.exe"), "old client");
  EXPECT_FALSE(fs::exists(folders.installFolder + L"TavoraNet.dll")) << "the added module was removed";
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(folders.installFolder)) files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 2u) << "no kept copies or temporary files are left";
}

TEST_F(InstallWorker, CancelledModuleRoadPutsBackWhatItAlreadyReplaced) {
  fs::create_directories(folders.installFolder);
  WriteFileBytes(folders.installFolder + L"TavoraCore.dll", "old core");
  // The modules are copied whatever the flag says; the cancel is seen before the unpacking.
  window.cancel = 1;
  const DownloadTaskList tasks{Downloaded(L"TavoraCore.dll", "new core"),
                               Downloaded(L"parts.zip", ZipBuilder().Add("parts/a.bin", "a").Build())};
  RunInstallWorker(false, tasks, folders, journal, window.Bind());
  EXPECT_EQ(window.calls, std::vector<std::string>{"close 2"});
  EXPECT_EQ(Installed(L"TavoraCore.dll"), "old core");
  EXPECT_FALSE(fs::exists(folders.installFolder + L"parts.zip"));
  EXPECT_FALSE(fs::exists(folders.installFolder + L"parts\\a.bin"));
}

}  // namespace
