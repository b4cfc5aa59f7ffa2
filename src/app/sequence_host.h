// The sequence controller's view of the real installer: configuration, disk, message boxes,
// the update service, the package manifest and the windows.
#pragma once

#include "app/sequence_controller.h"

class CTavoraInstallerApp;

class CInstallerSequenceHost : public ISequenceHost {
 public:
  explicit CInstallerSequenceHost(CTavoraInstallerApp& app) : m_app(app) {}

  void SetConfigDir() override;
  bool IsUpdateDue() override;

  void SyncServerTime() override;
  bool FetchUpdateList(const std::wstring& productName) override;
  std::wstring ReleaseRefusal() override;
  void SendFailureReport(const std::wstring& lines) override;
  bool BuildModuleTaskList(DownloadTaskList& tasks, int64_t& totalBytes) override;
  bool CheckInstallerUpdate(DownloadTaskList& tasks, int64_t& totalBytes) override;

  bool GetDiskFreeBytes(const std::wstring& driveRoot, uint64_t& freeBytes) override;
  void ShowError(const std::wstring& text) override;
  std::wstring ModulePath() override;
  void SetRelaunchPath(const std::wstring& path) override;
  bool PrepareTempCopy(const std::wstring& sourcePath) override;

  int RunWaitWindow(const DownloadTaskList& tasks, int64_t totalBytes) override;
  int RunWelcomeWindow() override;
  int RunInstallWindow() override;
  int RunCompleteWindow() override;
  int RunErrorWindow() override;
  int RunUninstallWindow(const std::wstring& localBaseFolder) override;

 private:
  CTavoraInstallerApp& m_app;
};
