// Decides, once per run, what the user sees: nothing (the client just starts), a message box,
// or the modal windows one after another, and what is started when the process ends.
#pragma once

#include <cstdint>
#include <string>

#include "base/close_code.h"
#include "base/run_mode.h"
#include "net/download_task.h"

// Everything the controller asks of the rest of the installer; the application wires in the
// real services and windows, tests wire in fakes.
class ISequenceHost {
 public:
  virtual ~ISequenceHost() = default;

  // Daily gate (configuration file in the roaming data folder).
  virtual void SetConfigDir() = 0;
  virtual bool IsUpdateDue() = 0;

  // Update service and package list.
  virtual void SyncServerTime() = 0;
  virtual bool FetchUpdateList(const std::wstring& productName) = 0;
  // After a false FetchUpdateList: the failure lines when the list came but was refused by
  // the release check; empty when it did not come.
  virtual std::wstring ReleaseRefusal() = 0;
  // The install-failure report to the service (its answer does not matter).
  virtual void SendFailureReport(const std::wstring& lines) = 0;
  virtual bool BuildModuleTaskList(DownloadTaskList& tasks, int64_t& totalBytes) = 0;
  virtual bool CheckInstallerUpdate(DownloadTaskList& tasks, int64_t& totalBytes) = 0;

  // Machine and process.
  virtual bool GetDiskFreeBytes(const std::wstring& driveRoot, uint64_t& freeBytes) = 0;
  virtual void ShowError(const std::wstring& text) = 0;
  virtual std::wstring ModulePath() = 0;
  virtual void SetRelaunchPath(const std::wstring& path) = 0;
  virtual bool PrepareTempCopy(const std::wstring& sourcePath) = 0;

  // Modal windows; each returns the code it was closed with.
  virtual int RunWaitWindow(const DownloadTaskList& tasks, int64_t totalBytes) = 0;
  virtual int RunWelcomeWindow() = 0;
  virtual int RunInstallWindow() = 0;
  virtual int RunCompleteWindow() = 0;
  virtual int RunErrorWindow() = 0;
  virtual int RunUninstallWindow(const std::wstring& localBaseFolder) = 0;
};

extern const wchar_t kProductName[];         // "TavoraStudent"
extern const wchar_t kConnectFailedText[];   // shown when the package list cannot be fetched
constexpr uint64_t kMinimumFreeMiB = 200;

// Free space in whole MiB, as the disk check compares it.
uint64_t FreeMebibytes(uint64_t freeBytes);
std::wstring LowDiskSpaceText(const std::wstring& driveRoot);

void RunInstallSequence(ISequenceHost& host, RunMode runMode, bool tempCopy, const std::wstring& localBaseFolder);
void RunUninstallSequence(ISequenceHost& host, bool tempCopy, const std::wstring& localBaseFolder);
// The wait window's code, or 1 when no newer installer is listed.
int RunSelfUpdateCheck(ISequenceHost& host);
