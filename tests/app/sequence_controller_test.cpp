#include "app/sequence_controller.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "base/run_mode.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const std::wstring kBase = L"C:\\Users\\student\\AppData\\Local\\";
const std::wstring kClient = kBase + L"Quillmor\\TavoraStudent\\TavoraStudent.exe";
constexpr uint64_t kMiB = 1024 * 1024;

// Records every call in order; answers as configured.
class FakeHost : public ISequenceHost {
 public:
  bool updateDue = true;
  bool fetchOk = true;
  DownloadTaskList modules{{L"http://d/a-0123456789abcdef.dll.gz", L"a.dll.gz", L"0123456789abcdef", 0}};
  bool installerNewer = false;
  DownloadTaskList installerTasks{{L"http://d/TavoraStudentInstaller-x.exe.gz", L"i.gz", L"x", 0}};
  bool diskQueryOk = true;
  uint64_t freeBytes = 10000 * kMiB;
  std::map<std::string, int> codes{{"wait", 2}, {"welcome", 1}, {"install", 1},
                                   {"complete", 1}, {"error", 1}, {"uninstall", 1}};

  std::wstring refusal;  // what ReleaseRefusal answers

  std::vector<std::string> calls;
  std::vector<std::wstring> errors;
  std::vector<std::wstring> reports;
  std::wstring relaunch;
  std::wstring diskRoot;
  std::wstring tempCopySource;
  std::wstring uninstallBase;

  void SetConfigDir() override { calls.push_back("SetConfigDir"); }
  bool IsUpdateDue() override { calls.push_back("IsUpdateDue"); return updateDue; }
  void SyncServerTime() override { calls.push_back("SyncServerTime"); }
  bool FetchUpdateList(const std::wstring& product) override {
    calls.push_back("FetchUpdateList");
    EXPECT_EQ(product, L"TavoraStudent");
    return fetchOk;
  }
  std::wstring ReleaseRefusal() override { return refusal; }
  void SendFailureReport(const std::wstring& lines) override {
    calls.push_back("SendFailureReport");
    reports.push_back(lines);
  }
  bool BuildModuleTaskList(DownloadTaskList& tasks, int64_t& total) override {
    calls.push_back("BuildModuleTaskList");
    EXPECT_THAT(tasks, IsEmpty());
    tasks = modules;
    total = 100;
    return true;
  }
  bool CheckInstallerUpdate(DownloadTaskList& tasks, int64_t& total) override {
    calls.push_back("CheckInstallerUpdate");
    if (installerNewer) tasks = installerTasks;
    total = 4242;
    return installerNewer;
  }
  bool GetDiskFreeBytes(const std::wstring& root, uint64_t& bytes) override {
    calls.push_back("GetDiskFreeBytes");
    diskRoot = root;
    if (diskQueryOk) bytes = freeBytes;
    return diskQueryOk;
  }
  void ShowError(const std::wstring& text) override {
    calls.push_back("ShowError");
    errors.push_back(text);
  }
  std::wstring ModulePath() override { return L"C:\\Quillmor\\TavoraStudentInstaller.exe"; }
  void SetRelaunchPath(const std::wstring& path) override { relaunch = path; }
  bool PrepareTempCopy(const std::wstring& source) override {
    calls.push_back("PrepareTempCopy");
    tempCopySource = source;
    return true;
  }
  int RunWaitWindow(const DownloadTaskList& tasks, int64_t total) override {
    calls.push_back("wait");
    EXPECT_EQ(tasks.size(), 1u);
    EXPECT_EQ(total, 4242);
    return codes["wait"];
  }
  int RunWelcomeWindow() override { calls.push_back("welcome"); return codes["welcome"]; }
  int RunInstallWindow() override { calls.push_back("install"); return codes["install"]; }
  int RunCompleteWindow() override { calls.push_back("complete"); return codes["complete"]; }
  int RunErrorWindow() override { calls.push_back("error"); return codes["error"]; }
  int RunUninstallWindow(const std::wstring& base) override {
    calls.push_back("uninstall");
    uninstallBase = base;
    return codes["uninstall"];
  }
};

class InstallSequence : public ::testing::Test {
 protected:
  void Run(RunMode runMode, bool tempCopy = false) { RunInstallSequence(host, runMode, tempCopy, kBase); }
  FakeHost host;
};

TEST_F(InstallSequence, UpdateNotDueTodayStartsClientWithoutServiceOrWindow) {
  host.updateDue = false;
  Run(RunMode::Update);
  EXPECT_THAT(host.calls, ElementsAre("SetConfigDir", "IsUpdateDue"));
  EXPECT_EQ(host.relaunch, kClient);
}

TEST_F(InstallSequence, UpdateDueWithNothingNewerStartsClientWithoutWindow) {
  host.modules.clear();
  Run(RunMode::Update);
  EXPECT_THAT(host.calls, ElementsAre("SetConfigDir", "IsUpdateDue", "SyncServerTime",
                                      "FetchUpdateList", "BuildModuleTaskList"));
  EXPECT_EQ(host.relaunch, kClient);
}

TEST_F(InstallSequence, UnreachableServiceShowsConnectionErrorAndStartsNothing) {
  host.fetchOk = false;
  Run(RunMode::Install);
  EXPECT_THAT(host.calls, ElementsAre("SyncServerTime", "FetchUpdateList", "ShowError"));
  EXPECT_THAT(host.errors, ElementsAre(L"连接服务器失败, 请检查网络连接 !"));
  EXPECT_EQ(host.relaunch, L"");
}

TEST_F(InstallSequence, RefusedReleaseIsReportedAndEndsInTheErrorWindow) {
  host.fetchOk = false;
  host.refusal = L"CheckReleaseSignature(TavoraStudent) failed: the entry has no signature\r\n";
  Run(RunMode::Install);
  EXPECT_THAT(host.calls, ElementsAre("SyncServerTime", "FetchUpdateList", "SendFailureReport", "error"));
  EXPECT_THAT(host.reports, ElementsAre(host.refusal));
  EXPECT_THAT(host.errors, IsEmpty());
  EXPECT_EQ(host.relaunch, L"");
}

TEST_F(InstallSequence, RefusedReleaseInUpdateModeStartsNotEvenTheInstalledClient) {
  host.fetchOk = false;
  host.refusal = L"CheckReleaseSignature(TavoraStudent) failed: the signature does not match\r\n";
  Run(RunMode::Update);
  EXPECT_THAT(host.calls, ElementsAre("SetConfigDir", "IsUpdateDue", "SyncServerTime", "FetchUpdateList",
                                      "SendFailureReport", "error"));
  EXPECT_EQ(host.relaunch, L"");
}

TEST_F(InstallSequence, FreshInstallDoesNotTouchTheConfiguration) {
  Run(RunMode::Install);
  EXPECT_THAT(host.calls, ElementsAre("SyncServerTime", "FetchUpdateList", "GetDiskFreeBytes",
                                      "CheckInstallerUpdate", "welcome", "install", "complete"));
  EXPECT_EQ(host.relaunch, kClient);
}

TEST_F(InstallSequence, NormalUpdateRunsWelcomeInstallCompleteAndStartsClient) {
  Run(RunMode::Update);
  EXPECT_THAT(host.calls, ElementsAre("SetConfigDir", "IsUpdateDue", "SyncServerTime",
                                      "FetchUpdateList", "BuildModuleTaskList", "GetDiskFreeBytes",
                                      "CheckInstallerUpdate", "welcome", "install", "complete"));
  EXPECT_EQ(host.relaunch, kClient);
}

TEST_F(InstallSequence, TempCopySkipsDailyGateAndSelfUpdate) {
  host.updateDue = false;
  host.installerNewer = true;
  Run(RunMode::Update, true);
  EXPECT_THAT(host.calls, ElementsAre("SetConfigDir", "SyncServerTime", "FetchUpdateList",
                                      "BuildModuleTaskList", "GetDiskFreeBytes", "welcome",
                                      "install", "complete"));
}

TEST_F(InstallSequence, DiskCheckUsesDriveRootAndTruncatedMebibytes) {
  host.freeBytes = 200 * kMiB;
  Run(RunMode::Install);
  EXPECT_EQ(host.diskRoot, L"C:\\");
  EXPECT_THAT(host.errors, IsEmpty());

  FakeHost low;
  low.freeBytes = 200 * kMiB - 100 * 1024;  // 199.9 MiB
  RunInstallSequence(low, RunMode::Install, false, kBase);
  EXPECT_THAT(low.errors, ElementsAre(L"磁盘C:\\剩余空间不足200M, 请先清理磁盘空间 !"));
  EXPECT_THAT(low.calls, ElementsAre("SyncServerTime", "FetchUpdateList", "GetDiskFreeBytes", "ShowError"));
  EXPECT_EQ(low.relaunch, L"");
}

TEST_F(InstallSequence, FailedDiskQueryCountsAsNoSpace) {
  host.diskQueryOk = false;
  Run(RunMode::Install);
  EXPECT_THAT(host.errors, ElementsAre(L"磁盘C:\\剩余空间不足200M, 请先清理磁盘空间 !"));
}

TEST_F(InstallSequence, NewerInstallerPreparedEndsWithoutWelcome) {
  host.installerNewer = true;
  host.codes["wait"] = 2;
  Run(RunMode::Install);
  EXPECT_EQ(host.calls.back(), "wait");
  EXPECT_EQ(host.relaunch, L"");
}

TEST_F(InstallSequence, FailedSelfUpdateGoesStraightToErrorWindow) {
  host.installerNewer = true;
  host.codes["wait"] = 4;
  Run(RunMode::Install);
  EXPECT_THAT(host.calls, ElementsAre("SyncServerTime", "FetchUpdateList", "GetDiskFreeBytes",
                                      "CheckInstallerUpdate", "wait", "error"));
  EXPECT_EQ(host.relaunch, L"");
}

TEST_F(InstallSequence, FailedInstallShowsErrorWindowAndStartsNothing) {
  host.codes["install"] = 4;
  Run(RunMode::Install);
  EXPECT_THAT(host.calls, ElementsAre("SyncServerTime", "FetchUpdateList", "GetDiskFreeBytes",
                                      "CheckInstallerUpdate", "welcome", "install", "error"));
  EXPECT_EQ(host.relaunch, L"");
}

TEST_F(InstallSequence, WelcomeClosedOrNetworkLostEndsSilently) {
  for (int code : {2, 4, 0}) {
    FakeHost run;
    run.codes["welcome"] = code;
    RunInstallSequence(run, RunMode::Install, false, kBase);
    EXPECT_EQ(run.calls.back(), "welcome") << code;
    EXPECT_EQ(run.relaunch, L"") << code;
  }
}

TEST_F(InstallSequence, InstallWindowClosedWhileWorkingEndsSilently) {
  host.codes["install"] = 2;
  Run(RunMode::Install);
  EXPECT_EQ(host.calls.back(), "install");
  EXPECT_EQ(host.relaunch, L"");
}

TEST_F(InstallSequence, CompletionClosedOtherwiseStartsNothing) {
  host.codes["complete"] = 2;
  Run(RunMode::Install);
  EXPECT_EQ(host.calls.back(), "complete");
  EXPECT_EQ(host.relaunch, L"");
}

TEST(SelfUpdateCheck, NoWaitWindowWithoutNewerInstallerTask) {
  FakeHost host;
  EXPECT_EQ(RunSelfUpdateCheck(host), 1);
  host.installerNewer = true;
  host.installerTasks.clear();
  EXPECT_EQ(RunSelfUpdateCheck(host), 1);
  EXPECT_THAT(host.calls, ElementsAre("CheckInstallerUpdate", "CheckInstallerUpdate"));
}

TEST(SelfUpdateCheck, ReturnsTheWaitWindowsCode) {
  FakeHost host;
  host.installerNewer = true;
  host.codes["wait"] = 7;
  EXPECT_EQ(RunSelfUpdateCheck(host), 7);
}

TEST(UninstallSequence, FirstProcessOnlyMakesTheTempCopy) {
  FakeHost host;
  RunUninstallSequence(host, false, kBase);
  EXPECT_THAT(host.calls, ElementsAre("PrepareTempCopy"));
  EXPECT_EQ(host.tempCopySource, L"C:\\Quillmor\\TavoraStudentInstaller.exe");
}

TEST(UninstallSequence, TempCopyShowsTheUninstallWindow) {
  FakeHost host;
  RunUninstallSequence(host, true, kBase);
  EXPECT_THAT(host.calls, ElementsAre("uninstall"));
  EXPECT_EQ(host.uninstallBase, kBase);
  EXPECT_EQ(host.relaunch, L"");
}

}  // namespace
