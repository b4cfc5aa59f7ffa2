// The application object: runs one install, update or uninstall, and starts the program
// chosen during the run (the installed client or a temp copy of an installer) at process end.
#pragma once

#include <string>

#include "app/gc_app_base.h"

class ISequenceHost;

class CTavoraInstallerApp : public CGCAppBase {
 public:
  CTavoraInstallerApp();
  // Runs ExitAppInstance: the relaunch happens here, after the entry point released the mutex.
  ~CTavoraInstallerApp() override;

  int RunAppInstance(const std::wstring& cmdLine) override;
  int ExitAppInstance() override;

  // Copies the program into the temporary folder under its temp-copy name and makes the copy
  // the relaunch target. Shows the copy error and returns false when the copy fails.
  bool PrepareTempCopy(const std::wstring& sourcePath);

  void RunInstallSequence(bool tempCopy, const std::wstring& localBaseFolder);
  void RunUninstallSequence(bool tempCopy, const std::wstring& localBaseFolder);
  int RunSelfUpdateCheck();

  std::wstring m_strRelaunchPath;  // empty: nothing is started at process end
  std::wstring m_strCmdLine;       // passed unchanged to the relaunched program

 private:
  ISequenceHost& Host();
  ISequenceHost* m_host = nullptr;
};

std::wstring OwnModulePath();
