// The one process-wide object through which the windows and workers change the machine:
// copying and unpacking installed files, shortcuts and the uninstall entry, stopping the
// client, and removing all of it again.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "net/download_task.h"

class CInstallJournal;

#ifdef _WIN32
#include <windows.h>
#endif

class CAftermathHelper {
 public:
  virtual ~CAftermathHelper() = default;

  // Installing downloaded files (package/install_pipeline.cpp). Every file placed goes
  // through the journal, which can put it back; every item refused or not placed is a
  // failure line in it, and the work goes on with the next item.
  // ExpandZipModules' cancel flag is the window's cancel byte; null never cancels.
  void CopyModulesToInstallFolder(const std::wstring& installFolder, const DownloadTaskList& tasks,
                                  CInstallJournal& journal);
  void ExpandZipModules(const std::wstring& targetFolder, const DownloadTaskList& tasks,
                        const std::atomic<uint8_t>* cancelFlag, CInstallJournal& journal);
  // The full package: the content of its "TavoraStudent" folder is unpacked straight into the
  // installation folder, each file only where none is yet (an installed file is kept); other
  // items are name-checked and left out. False when no file lies under "TavoraStudent".
  bool ExpandFullPackage(const std::wstring& installFolder, const DownloadTaskList& tasks,
                         const std::atomic<uint8_t>* cancelFlag, CInstallJournal& journal);

#ifdef _WIN32
  // Shortcuts and the uninstall entry (system/shortcuts.cpp, system/uninstall_entry.cpp).
  void CreateShortcuts(const std::wstring& installFolder);
  HRESULT CreateShortcut(const std::wstring& linkPath, const std::wstring& targetPath,
                         const wchar_t* arguments, const wchar_t* description);
  void WriteUninstallEntry(const std::wstring& installFolder, const std::wstring& versionText);
  // After an update: the entry, where there is one, names the version now installed. No
  // entry is made where none was.
  void UpdateUninstallVersion(const std::wstring& versionText);
  LONG WriteRegistryString(const std::wstring& subKey, const std::wstring& valueName,
                           const std::wstring& text);

  // Other programs (system/process_control.cpp, system/browser_launch.cpp).
  bool KillClientProcess();
  bool EnableDebugPrivilege();
  intptr_t OpenUrlInBrowser(const std::wstring& address);

  // Uninstall removal (system/uninstall_removal.cpp).
  void RemoveShortcuts();
  void RemoveFolderTree(const std::wstring& folder);
  void RemoveClientDataFolder();
  void DeleteUninstallEntry();
#endif
};

extern CAftermathHelper g_aftermathHelper;
