#include "app/sequence_controller.h"

#include "base/client_names.h"
#include "base/run_mode.h"

const wchar_t kProductName[] = L"TavoraStudent";
const wchar_t kConnectFailedText[] = L"连接服务器失败, 请检查网络连接 !";

namespace {

std::wstring InstalledClient(const std::wstring& localBaseFolder) {
  return localBaseFolder + kInstallSubfolder + kClientExeName;
}

// Error window, then the end of the run.
void ShowFailure(ISequenceHost& host) { host.RunErrorWindow(); }

}  // namespace

uint64_t FreeMebibytes(uint64_t freeBytes) {
  return static_cast<uint64_t>(static_cast<double>(freeBytes) / 1024 / 1024);
}

std::wstring LowDiskSpaceText(const std::wstring& driveRoot) {
  return L"磁盘" + driveRoot + L"剩余空间不足200M, 请先清理磁盘空间 !";
}

int RunSelfUpdateCheck(ISequenceHost& host) {
  DownloadTaskList tasks;
  int64_t totalBytes = 0;
  if (host.CheckInstallerUpdate(tasks, totalBytes) && !tasks.empty()) {
    return host.RunWaitWindow(tasks, totalBytes);
  }
  return kCloseProceed;
}

void RunInstallSequence(ISequenceHost& host, RunMode runMode, bool tempCopy,
                        const std::wstring& localBaseFolder) {
  const std::wstring installedClient = InstalledClient(localBaseFolder);

  if (runMode == RunMode::Update) {
    host.SetConfigDir();
    // A temp copy always asks the service, and does not record the day.
    if (!tempCopy && !host.IsUpdateDue()) {
      host.SetRelaunchPath(installedClient);
      return;
    }
  }

  host.SyncServerTime();
  if (!host.FetchUpdateList(kProductName)) {
    // A list that came but failed the release check ends as a failed download does, before
    // anything of it is used and without starting even an installed client.
    const std::wstring refusal = host.ReleaseRefusal();
    if (!refusal.empty()) {
      host.SendFailureReport(refusal);
      return ShowFailure(host);
    }
    host.ShowError(kConnectFailedText);
    return;
  }

  if (runMode == RunMode::Update) {
    DownloadTaskList tasks;
    int64_t totalBytes = 0;
    host.BuildModuleTaskList(tasks, totalBytes);
    if (tasks.empty()) {
      host.SetRelaunchPath(installedClient);
      return;
    }
  }

  const std::wstring driveRoot = localBaseFolder.substr(0, 3);
  uint64_t freeBytes = 0;
  if (!host.GetDiskFreeBytes(driveRoot, freeBytes)) freeBytes = 0;
  if (FreeMebibytes(freeBytes) < kMinimumFreeMiB) {
    host.ShowError(LowDiskSpaceText(driveRoot));
    return;
  }

  if (!tempCopy) {
    const int code = RunSelfUpdateCheck(host);
    if (code == kCloseCopyFailed) return ShowFailure(host);
    if (code != kCloseProceed) return;
  }

  if (host.RunWelcomeWindow() != kCloseProceed) return;

  const int installCode = host.RunInstallWindow();
  if (installCode == kCloseFailed) return ShowFailure(host);
  if (installCode != kCloseProceed) return;

  if (host.RunCompleteWindow() == kCloseProceed) host.SetRelaunchPath(installedClient);
}

void RunUninstallSequence(ISequenceHost& host, bool tempCopy, const std::wstring& localBaseFolder) {
  if (tempCopy) {
    host.RunUninstallWindow(localBaseFolder);
    return;
  }
  host.PrepareTempCopy(host.ModulePath());
}
